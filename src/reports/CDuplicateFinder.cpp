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

CDuplicateFinder::CDuplicateFinder(CCdlistDoc& doc) : m_doc(doc)
{
    Load();
}

CDuplicateFinder::~CDuplicateFinder() = default;

void CDuplicateFinder::AddRepeated(const char* folded, std::vector<qint64>& ids)
{
    // The column's index in order: equal texts come together. An empty text takes part in
    // no match; one not folded yet (written by another program since the start) counts as
    // repeated, and the lookup decides.
    CStatement s(m_doc.Database(),
                 QStringLiteral("SELECT %1, ID FROM Songs ORDER BY %1").arg(QLatin1String(folded)));
    std::string previous;
    qint64 previousId = 0;
    bool previousAdded = false;
    bool any = false;
    while (s.Step()) {
        const qint64 id = s.Int(1);
        if (s.IsNull(0)) {
            ids.push_back(id);
            continue;
        }
        const std::string_view key = s.Bytes(0);
        const bool same = any && !key.empty() && key == previous;
        if (same && !previousAdded)
            ids.push_back(previousId);
        if (same)
            ids.push_back(id);
        previousAdded = same;
        previous.assign(key);
        previousId = id;
        any = true;
    }
}

void CDuplicateFinder::Load()
{
    m_ids = m_doc.Set().AllIds();
    std::vector<qint64> repeated;
    AddRepeated(CSongColumns::FoldedName(ESongColumn::MELODI), repeated);
    AddRepeated(CSongColumns::FoldedName(ESongColumn::TITLE), repeated);
    std::sort(repeated.begin(), repeated.end());
    repeated.erase(std::unique(repeated.begin(), repeated.end()), repeated.end());
    if (repeated.empty())
        return;
    const CFilter among = CFilter::IdIn(repeated);
    repeated = {};
    CStatement s(m_doc.Database(),
                 QStringLiteral("SELECT ID, MELODI, TITLE FROM Songs WHERE %1 ORDER BY ID")
                     .arg(among.Sql()));
    int index = 1;
    for (const QVariant& value : among.Values())
        s.Bind(index++, value);
    const auto store = [this](std::string_view text, quint32& offset, quint32& length) {
        offset = quint32(m_text.size());
        length = quint32(text.size());
        m_text.append(text);
    };
    while (s.Step()) {
        SName entry;
        entry.id = s.Int(0);
        entry.position =
            qint32(std::lower_bound(m_ids.begin(), m_ids.end(), entry.id) - m_ids.begin());
        entry.candidate = true;
        store(s.Bytes(1), entry.name, entry.nameLength);
        store(s.Bytes(2), entry.title, entry.titleLength);
        m_entries.push_back(entry);
    }
}

void CDuplicateFinder::AddGone(const SSong& song)
{
    const auto at = std::lower_bound(m_ids.begin(), m_ids.end(), song.m_ID);
    if (at == m_ids.end() || *at != song.m_ID)
        return; // added after the start: not walked
    SName entry;
    entry.id = song.m_ID;
    entry.position = qint32(at - m_ids.begin());
    const auto place =
        std::lower_bound(m_entries.begin(), m_entries.end(), entry.position,
                         [](const SName& e, qint32 position) { return e.position < position; });
    if (place != m_entries.end() && place->id == song.m_ID)
        return; // walked already
    const QByteArray name = song.m_MELODI.toUtf8();
    entry.name = quint32(m_text.size());
    entry.nameLength = quint32(name.size());
    m_text.append(name.constData(), size_t(name.size()));
    if (place - m_entries.begin() < m_next)
        ++m_next;
    m_entries.insert(place, entry);
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
        if (m_next >= int(m_entries.size())) {
            m_next = 0;
            m_current.clear();
            m_sizes.clear();
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
    // One statement for the whole walk, answered by the two indexes; an empty title or file
    // name takes part in no match (NULL equals nothing).
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
    s.Bind(1, file.isEmpty() ? QVariant() : QVariant(CDatabase::Fold(file)));
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
    // Sizes only for a group that is shown, each file's asked once per walk (a group is
    // found again from each of its members).
    if (found.size() >= 2) {
        for (SEntry& entry : found) {
            auto known = m_sizes.constFind(entry.id);
            if (known == m_sizes.cend())
                known = m_sizes.insert(entry.id, FileSize(entry.file));
            entry.size = *known;
        }
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
    AddGone(*song);
    m_gone.insert(id);
    ++m_deleted;
    m_group.removeIf([id](const SEntry& entry) { return entry.id == id; });
    m_doc.AdjustSongCount(-1);
    m_doc.Playlist().RemoveSong(id);
    if (m_doc.CurrentSong() == id)
        m_doc.SetCurrentSong(-1);
    return true;
}
