#include "reports/CDuplicateFinder.h"

#include "db/CCdlistSet.h"
#include "model/CCdlistDoc.h"
#include "platform/CFileNames.h"
#include "platform/CPrompts.h"
#include "platform/CText.h"
#include "reports/CReportTexts.h"

#include <algorithm>
#include <cerrno>
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

namespace {

// The catalogue's page cache kept small while the finder walks two whole indexes once: the
// walk gains nothing from caching them, and a full cache would be most of its memory.
class CSmallPageCache
{
public:
    explicit CSmallPageCache(CDatabase& db) : m_db(db)
    {
        CStatement size(db, QStringLiteral("PRAGMA cache_size"));
        m_size = size.Step() ? size.Int(0) : 0;
        m_db.Exec("PRAGMA cache_size=-1024");
    }
    ~CSmallPageCache()
    {
        if (m_size != 0)
            m_db.Exec(QByteArray("PRAGMA cache_size=" + QByteArray::number(m_size)).constData());
    }
    CSmallPageCache(const CSmallPageCache&) = delete;
    CSmallPageCache& operator=(const CSmallPageCache&) = delete;

private:
    CDatabase& m_db;
    qint64 m_size = 0;
};

} // namespace

void CDuplicateFinder::Load()
{
    const CSmallPageCache cache(m_doc.Database());
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
                 QStringLiteral("SELECT ID, MELODI, TITLE, PATH FROM Songs WHERE %1 ORDER BY ID")
                     .arg(among.Sql()));
    int index = 1;
    for (const QVariant& value : among.Values())
        s.Bind(index++, value);
    const auto store = [this](std::string_view text, quint32& offset, quint32& length) {
        offset = quint32(m_text.size());
        length = quint32(text.size());
        m_text.append(text);
    };
    // Songs of one folder mostly follow each other: their folder is kept once.
    SName previous;
    while (s.Step()) {
        SName entry;
        entry.id = s.Int(0);
        entry.position =
            qint32(std::lower_bound(m_ids.begin(), m_ids.end(), entry.id) - m_ids.begin());
        entry.candidate = true;
        store(s.Bytes(1), entry.name, entry.nameLength);
        store(s.Bytes(2), entry.title, entry.titleLength);
        const std::string_view path = s.Bytes(3);
        if (!m_entries.empty() &&
            path == std::string_view(m_text.data() + previous.path, previous.pathLength)) {
            entry.path = previous.path;
            entry.pathLength = previous.pathLength;
        } else {
            store(path, entry.path, entry.pathLength);
        }
        previous = entry;
        m_entries.push_back(entry);
    }
    FormGroups(&SName::name, &SName::nameLength, &SName::nameGroup);
    FormGroups(&SName::title, &SName::titleLength, &SName::titleGroup);
}

void CDuplicateFinder::FormGroups(quint32 SName::*text, quint32 SName::*length,
                                  qint32 SName::*group)
{
    // Folded here rather than read from the folded copies, so that a row written by
    // another program since the start (not folded yet) finds its partners too. An empty
    // text takes part in no match. The keys share one buffer: no allocation per song.
    std::string folded;
    struct SKey
    {
        quint32 offset, length;
        qint32 entry;
    };
    std::vector<SKey> keys;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const SName& entry = m_entries[i];
        if (entry.*length == 0)
            continue;
        const QByteArray key = CTextFold().Utf8(Text(entry.*text, entry.*length));
        keys.push_back({quint32(folded.size()), quint32(key.size()), qint32(i)});
        folded.append(key.constData(), size_t(key.size()));
    }
    const auto view = [&folded](const SKey& k) {
        return std::string_view(folded.data() + k.offset, k.length);
    };
    // Within a key, in entry (so ID) order.
    std::sort(keys.begin(), keys.end(), [&view](const SKey& a, const SKey& b) {
        const int order = view(a).compare(view(b));
        return order != 0 ? order < 0 : a.entry < b.entry;
    });
    for (size_t first = 0; first < keys.size();) {
        size_t end = first + 1;
        while (end < keys.size() && view(keys[end]) == view(keys[first]))
            ++end;
        if (end - first >= 2) {
            for (size_t i = first; i < end; ++i) {
                SName& member = m_entries[size_t(keys[i].entry)];
                member.*group = qint32(m_groupStart.size());
                m_members.push_back(member.id);
            }
            m_groupStart.push_back(quint32(m_members.size() - (end - first)));
        }
        first = end;
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
    std::vector<qint64> ids;
    for (const SEntry& entry : group)
        ids.push_back(entry.id);
    std::sort(ids.begin(), ids.end());
    // FNV-1a over the IDs' bytes, then mixed: two groups meet on one digest about never.
    quint64 digest = 14695981039346656037ull;
    for (const qint64 id : ids) {
        for (int shift = 0; shift < 64; shift += 8) {
            digest ^= quint64(id) >> shift & 0xff;
            digest *= 1099511628211ull;
        }
    }
    digest ^= digest >> 31;
    return m_listed.insert(digest).second;
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
            for (SName& entry : m_entries)
                entry.size = kNotAsked;
            m_missingFolders.clear();
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
        m_group = Members(entry);
        if (m_group.size() >= 2 && MarkListed(m_group))
            return EStep::Group;
        if (m_group.isEmpty())
            return EStep::Empty;
        m_group.clear(); // alone, or a group listed already
    }
}

CDuplicateFinder::SName* CDuplicateFinder::Find(qint64 id)
{
    // The entries are in ID order (their positions follow the IDs).
    const auto at = std::lower_bound(m_entries.begin(), m_entries.end(), id,
                                     [](const SName& e, qint64 wanted) { return e.id < wanted; });
    return at != m_entries.end() && at->id == id ? &*at : nullptr;
}

QList<CDuplicateFinder::SEntry> CDuplicateFinder::Members(const SName& entry)
{
    std::vector<qint64> ids;
    for (const qint32 group : {entry.nameGroup, entry.titleGroup}) {
        if (group < 0)
            continue;
        const size_t end = size_t(group) + 1 < m_groupStart.size() ? m_groupStart[size_t(group) + 1]
                                                                   : m_members.size();
        ids.insert(ids.end(), m_members.begin() + m_groupStart[size_t(group)],
                   m_members.begin() + qsizetype(end));
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    // A name with an apostrophe has always been compared byte for byte, case included.
    const std::string_view file(m_text.data() + entry.name, entry.nameLength);
    const std::string_view title(m_text.data() + entry.title, entry.titleLength);
    const bool exact =
        file.find('\'') != std::string_view::npos || title.find('\'') != std::string_view::npos;
    QList<SEntry> found;
    std::vector<SName*> members;
    for (const qint64 id : ids) {
        SName* member = Find(id);
        if (!member || m_gone.contains(id))
            continue;
        const std::string_view memberFile(m_text.data() + member->name, member->nameLength);
        const std::string_view memberTitle(m_text.data() + member->title, member->titleLength);
        if (exact && memberFile != file && (title.empty() || memberTitle != title))
            continue;
        SEntry shown;
        shown.id = id;
        shown.file = CText::JoinPath(Text(member->path, member->pathLength),
                                     Text(member->name, member->nameLength));
        found.append(shown);
        members.push_back(member);
    }
    // Sizes only for a group that is shown, each file's asked once per walk (a group is
    // found again from each of its members).
    if (found.size() >= 2) {
        for (qsizetype i = 0; i < found.size(); ++i) {
            SName& member = *members[size_t(i)];
            if (member.size == kNotAsked)
                member.size = Size(found[i].file);
            found[i].size =
                member.size == kUnknown ? CReportTexts::Unknown() : QString::number(member.size);
        }
    }
    return found;
}

qint64 CDuplicateFinder::Size(const QString& file)
{
    // A catalogue lists many discs not inserted: once a folder is found missing, its other
    // files are not asked for.
    const qsizetype slash = file.lastIndexOf(u'/');
    const QString folder = slash > 0 ? file.left(slash) : QString();
    if (!folder.isEmpty() && m_missingFolders.contains(folder))
        return kUnknown;
    const QString size = FileSize(file);
    if (size != CReportTexts::Unknown())
        return size.toLongLong();
    struct stat st = {};
    if (!folder.isEmpty() && ::stat(CFileNames::Encode(folder).constData(), &st) != 0 &&
        errno == ENOENT)
        m_missingFolders.insert(folder);
    return kUnknown;
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
    // Every list, the playlist and the count follow the catalogue.
    m_doc.Catalogue().Delete(id);
    AddGone(*song);
    m_gone.insert(id);
    ++m_deleted;
    m_group.removeIf([id](const SEntry& entry) { return entry.id == id; });
    return true;
}
