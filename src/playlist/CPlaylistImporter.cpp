#include "playlist/CPlaylistImporter.h"

#include "db/CCdlistSet.h"
#include "media/CSongFromFile.h"
#include "model/CCoverIntake.h"
#include "model/CDriveLocator.h"
#include "platform/CSettings.h"
#include "platform/CText.h"

#include <QFileInfo>

CPlaylistImporter::Locate CPlaylistImporter::DriveSearch(CVolumes& volumes, CPrompts& prompts)
{
    return [&volumes, &prompts](const QString& path, const QString& session) {
        return CDriveLocator(volumes, prompts)
            .LocateCdDrive(path, session, CDriveLocator::EVariant::General);
    };
}

int CPlaylistImporter::Import(const QList<SM3uLine>& lines, const QString& session)
{
    int stored = 0;
    m_skipped.clear();
    const SSongRules rules = SSongRules::ForImport();
    CCoverIntake covers(*m_set.Database());
    for (const SM3uLine& listed : lines) {
        SM3uLine line = listed;
        if (!line.foreign && m_locate) {
            // A disc now in another drive; a disc the user did not insert keeps the listed
            // path.
            const QString now = m_locate(line.path, session);
            if (now.isEmpty() && m_givenUp == EGivenUp::Skip) {
                m_skipped << line.path;
                continue;
            }
            if (!now.isEmpty() && now != line.path) {
                line.path = now;
                CM3uFile::SplitPath(now, false, line.folder, line.name);
            }
        }
        const QString file = line.foreign ? line.path : CText::JoinPath(line.folder, line.name);
        const qint64 id = m_set.Insert(m_maker.Make(session, line.folder, line.name, rules, file));
        covers.Take(id, QFileInfo(file).path(), file);
        ++stored; // the records stored before a failure stay
    }
    CSettings::WriteString(CSettings::kCDPath, session, QString());
    return stored;
}
