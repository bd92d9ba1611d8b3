#include "upgrade/CUpgrade.h"

#include "db/CBatchCommit.h"
#include "db/CCdlistSet.h"
#include "media/CNamingRules.h"
#include "media/CSongFromFile.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "model/CCoverIntake.h"
#include "model/CDriveLocator.h"
#include "platform/CProgress.h"
#include "platform/CPrompts.h"
#include "platform/CRegularFile.h"
#include "platform/CSafeTarget.h"
#include "platform/CSettings.h"
#include "upgrade/CUpgradeTexts.h"

#include <QFileInfo>
#include <QScopeGuard>

namespace {

using ELayout = COldSongsSet::ELayout;

constexpr int kDoneValue = 29;

// What the old versions wrote where they found nothing; never carried over.
bool IsTagPlaceholder(const QString& value)
{
    return value == u"None available" || value == u"Error reading ID3 info!";
}

bool IsNoValue(const QString& value)
{
    return value == u"XXXX";
}

void Fill(SSong& row, const SSong& old, ELayout layout, bool titleAsList)
{
    row.m_CD = old.m_CD;
    row.m_PATH = old.m_PATH;
    row.m_MELODI = old.m_MELODI;
    // Every layout kept the placeholders where its tag reader found nothing.
    for (auto [to, from] : {std::pair{&row.m_TITLE, &old.m_TITLE},
                            {&row.m_ARTIST, &old.m_ARTIST},
                            {&row.m_ALBUM, &old.m_ALBUM}})
        if (!IsTagPlaceholder(*from))
            *to = *from;
    if (!IsNoValue(old.m_GENRE))
        row.m_GENRE = old.m_GENRE;
    if (!IsNoValue(old.m_YEAR))
        row.m_YEAR = old.m_YEAR;
    row.m_LYRICS = old.m_LYRICS;
    if (layout == ELayout::Version28) {
        row.m_COMMENT = old.m_COMMENT;
        row.m_DURATION = old.m_DURATION;
        row.m_BITRATE = old.m_BITRATE;
        row.m_LIST = old.m_LIST;
    } else {
        row.m_LIST = CNamingRules::ListName(old.m_MELODI);
    }
    if (titleAsList && !row.m_TITLE.isEmpty())
        row.m_LIST = row.m_TITLE;
}

} // namespace

void CUpgrade::MarkDone()
{
    CSettings::SetInt(ESetting::Upgrade, kDoneValue);
}

bool CUpgrade::IsDone()
{
    return CSettings::Int(ESetting::Upgrade) == kDoneValue;
}

bool CUpgrade::OpenOld(const QString& oldFile, COldSongsSet& old)
{
    if (CSafeTarget::SameFile(oldFile, m_doc.Database().Path()))
        return false;
    for (ELayout layout : {ELayout::Version28, ELayout::Version25, ELayout::Version2}) {
        try {
            old.Open(oldFile, layout);
            return true;
        } catch (const CDbException&) {
            if (old.WasLocked())
                return false;
            // Otherwise the next, older layout.
        }
    }
    return false;
}

CUpgrade::SResult CUpgrade::Upgrade(const QString& oldFile, std::optional<bool> retrieve)
{
    const CCdlistDoc::CBusy busy(m_doc);
    SResult result;
    COldSongsSet old;
    // SQLite would wait forever for a writer to a pipe, or read a device without end.
    if (QFileInfo::exists(oldFile) && !CRegularFile::IsRegular(oldFile)) {
        m_services.prompts->Error(CSafeTarget::FileError(oldFile, CRegularFile::NotRegular()),
                                  QStringLiteral("Error"));
        return result;
    }
    if (!OpenOld(oldFile, old)) {
        m_services.prompts->Error(CUpgradeTexts::NotOpened(oldFile), QStringLiteral("Error"));
        return result;
    }
    result.layout = old.Layout();
    if (result.layout != ELayout::Version28)
        result.retrieve =
            retrieve ? *retrieve
                     : m_services.prompts->AskYesNo(CUpgradeTexts::RetrieveQuestion(result.layout),
                                                    CUpgradeTexts::RetrieveCaption());
    // What the files give is read only when the settings let tags be read at all. Without
    // the decoder nothing could be measured: the upgrade is refused, reported.
    std::unique_ptr<CSongFromFile> maker;
    if (result.retrieve && !CSettings::Bool(ESetting::NoID3)) {
        QString error;
        maker = CSongFromFile::Create(&error);
        if (!maker) {
            m_services.prompts->Error(error, QStringLiteral("Error"));
            result.outcome = EOutcome::Failed;
            return result;
        }
    }
    qint64 before = -1;
    try {
        before = m_doc.Set().CountAll();
        Copy(old, maker.get(), result);
        result.outcome = EOutcome::Done;
    } catch (const CDbException& e) {
        // The rows stored before the failure stay; the count says how many they are.
        try {
            result.stored = before < 0 ? 0 : int(m_doc.Set().CountAll() - before);
        } catch (const CDbException&) {
        }
        result.outcome = EOutcome::Failed;
        m_services.prompts->Error(e.Message(), QStringLiteral("Error"));
    }
    try {
        // The sessions the old catalogue held are listed: the models follow the catalogue.
        m_doc.Catalogue().NoteSession(QString(), result.stored);
    } catch (const CDbException& e) {
        m_services.prompts->Error(e.Message(), QStringLiteral("Error"));
    }
    return result;
}

void CUpgrade::Copy(COldSongsSet& old, CSongFromFile* maker, SResult& result)
{
    // Read once: a change made meanwhile in another window must not split one upgrade.
    const bool titleAsList = CNamingRules::TitleAsListText();
    result.found = old.GetRecordCount();
    std::unique_ptr<CProgress> progress =
        m_services.createProgress(CUpgradeTexts::ProgressCaption(), 3, 350);
    const auto hide = qScopeGuard([&progress] { progress->Hide(); });
    progress->SetRange(0, int(result.found), 1);
    progress->SetMessage(CUpgradeTexts::Progress(result.found));
    CDriveLocator locator(*m_services.volumes, *m_services.prompts);
    CCdlistSet& set = m_doc.Set();
    CBatchCommit batch(m_doc.Database());
    CCoverIntake covers(m_doc.Database());
    for (old.MoveFirst(); !old.IsEOF(); old.MoveNext()) {
        SSong row;
        Fill(row, old.Row(), old.Layout(), titleAsList);
        const QString now =
            maker ? Retrieve(row, old.Row(), locator, *maker, *progress) : QString();
        const qint64 id = set.Insert(row);
        if (!now.isEmpty())
            covers.Take(id, QFileInfo(now).path(), now);
        ++result.stored;
        batch.Tick();
        progress->Step();
        if (progress->Pump(true)) {
            result.cancelled = true;
            break;
        }
    }
    batch.Finish();
}

QString CUpgrade::Retrieve(SSong& row, const SSong& old, CDriveLocator& locator,
                           CSongFromFile& maker, CProgress& progress)
{
    const QString now = locator.LocateCdDrive(old.FilePath(), old.m_CD,
                                              CDriveLocator::EVariant::Upgrade, &progress);
    if (!now.isEmpty())
        maker.Complete(now, row);
    return now;
}
