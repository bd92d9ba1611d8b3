#include "reports/CDuplicateFinder.h"

#include "db/CCdlistSet.h"
#include "model/CCdlistDoc.h"
#include "platform/CFileNames.h"
#include "platform/CPrompts.h"
#include "platform/CText.h"
#include "reports/CReportTexts.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace {

// The folded texts of a column that more than one song holds, read from its index.
std::unordered_set<std::string> Repeated(CDatabase& db, const char* folded)
{
    CStatement s(db, QStringLiteral("SELECT %1 FROM Songs WHERE %1 <> '' GROUP BY %1 "
                                    "HAVING COUNT(*) > 1")
                         .arg(QLatin1String(folded)));
    std::unordered_set<std::string> repeated;
    while (s.Step())
        repeated.emplace(s.Bytes(0));
    return repeated;
}

} // namespace

CDuplicateFinder::CDuplicateFinder(CCdlistDoc& doc) : m_doc(doc)
{
    Load();
}

CDuplicateFinder::~CDuplicateFinder() = default;

void CDuplicateFinder::Load()
{
    CDatabase& db = m_doc.Database();
    const std::unordered_set<std::string> names =
        Repeated(db, CSongColumns::FoldedName(ESongColumn::MELODI));
    const std::unordered_set<std::string> titles =
        Repeated(db, CSongColumns::FoldedName(ESongColumn::TITLE));
    CStatement s(db, QStringLiteral("SELECT ID, MELODI, TITLE, %1, %2 FROM Songs ORDER BY ID")
                         .arg(QLatin1String(CSongColumns::FoldedName(ESongColumn::MELODI)),
                              QLatin1String(CSongColumns::FoldedName(ESongColumn::TITLE))));
    const auto store = [this](std::string_view text, quint32& offset, quint32& length) {
        offset = quint32(m_text.size());
        length = quint32(text.size());
        m_text.append(text);
    };
    // A name or title that is not folded yet (written by another program since the start)
    // counts as repeated: the lookup then decides.
    const auto repeated = [&s](const std::unordered_set<std::string>& set, int column) {
        return s.IsNull(column) || set.count(std::string(s.Bytes(column))) > 0;
    };
    while (s.Step()) {
        SName entry;
        entry.id = qint64(s.Int(0));
        store(s.Bytes(1), entry.name, entry.nameLength);
        store(s.Bytes(2), entry.title, entry.titleLength);
        entry.candidate = repeated(names, 3) || (entry.titleLength > 0 && repeated(titles, 4));
        m_entries.push_back(entry);
    }
}

QString CDuplicateFinder::Text(quint32 offset, quint32 length) const
{
    return QString::fromUtf8(m_text.data() + offset, qsizetype(length));
}

bool CDuplicateFinder::MarkListed(const QList<SEntry>& group)
{
    std::vector<qint32> ids;
    for (const SEntry& entry : group)
        ids.push_back(entry.id);
    std::sort(ids.begin(), ids.end());
    return m_listed.insert(std::move(ids)).second;
}

CDuplicateFinder::EStep CDuplicateFinder::Next()
{
    // The group on show as it is now, after any deletion, counts as seen.
    if (m_group.size() >= 2)
        MarkListed(m_group);
    m_group.clear();
    for (;;) {
        if (m_next >= Total()) {
            m_next = 0;
            m_current.clear();
            m_listed.clear();
            return EStep::Finished;
        }
        const SName& entry = m_entries[size_t(m_next++)];
        if (!entry.candidate) {
            // Its own song is the only one that can match.
            if (!m_gone.contains(entry.id))
                continue;
            m_current = Text(entry.name, entry.nameLength);
            return EStep::Empty;
        }
        m_current = Text(entry.name, entry.nameLength);
        m_group = Lookup(m_current, Text(entry.title, entry.titleLength));
        if (m_group.size() >= 2 && MarkListed(m_group))
            return EStep::Group;
        if (m_group.isEmpty())
            return EStep::Empty;
        m_group.clear(); // alone, or a group listed already
    }
}

QList<CDuplicateFinder::SEntry> CDuplicateFinder::Lookup(const QString& file, const QString& title)
{
    // One statement for the whole walk, answered by the two indexes; an empty title takes
    // part in no match (NULL equals nothing).
    if (!m_lookup) {
        m_lookup = std::make_unique<CStatement>(
            m_doc.Database(),
            QStringLiteral("SELECT ID, PATH, MELODI, TITLE FROM Songs WHERE %1 = ? OR %2 = ? "
                           "ORDER BY ID")
                .arg(QLatin1String(CSongColumns::FoldedName(ESongColumn::MELODI)),
                     QLatin1String(CSongColumns::FoldedName(ESongColumn::TITLE))));
    }
    CStatement& s = *m_lookup;
    s.Reset();
    s.BindText(1, CDatabase::Fold(file));
    s.Bind(2, title.isEmpty() ? QVariant() : QVariant(CDatabase::Fold(title)));
    // A name with an apostrophe has always been compared byte for byte, case included;
    // the indexes still find the candidates.
    const bool exact = file.contains(u'\'') || title.contains(u'\'');
    const QByteArray file8 = file.toUtf8();
    const QByteArray title8 = title.toUtf8();
    QList<SEntry> found;
    while (s.Step()) {
        if (exact && s.Bytes(2) != std::string_view(file8) &&
            (title8.isEmpty() || s.Bytes(3) != std::string_view(title8)))
            continue;
        SEntry entry;
        entry.id = qint64(s.Int(0));
        entry.file = CText::JoinPath(s.Text(1), s.Text(2));
        found.append(entry);
    }
    s.Reset();
    // Sizes only for a group that is shown.
    if (found.size() >= 2) {
        for (SEntry& entry : found)
            entry.size = FileSize(entry.file);
    }
    return found;
}

QString CDuplicateFinder::FileSize(const QString& file)
{
    const int fd = ::open(CFileNames::Encode(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return CReportTexts::Unknown();
    struct stat st = {};
    const bool known = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return known ? QString::number(qint64(st.st_size)) : CReportTexts::Unknown();
}

bool CDuplicateFinder::Delete(qint64 id, CPrompts& prompts)
{
    const std::optional<SSong> song = m_doc.Set().FindSongById(id);
    if (!song)
        return false;
    const QString file = song->FilePath();
    if (!prompts.AskYesNo(CReportTexts::ConfirmDelete(file), CReportTexts::ConfirmRemoval(),
                          CPrompts::EIcon::Exclamation))
        return false;
    if (::unlink(CFileNames::Encode(file).constData()) != 0) {
        prompts.Error(CReportTexts::DeleteFailed(), CReportTexts::Error());
        return false;
    }
    m_doc.Set().Delete(id);
    m_gone.insert(id);
    ++m_deleted;
    m_group.removeIf([id](const SEntry& entry) { return entry.id == id; });
    m_doc.AdjustSongCount(-1);
    if (m_doc.CurrentSong() == id)
        m_doc.SetCurrentSong(-1);
    return true;
}
