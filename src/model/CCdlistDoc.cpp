#include "model/CCdlistDoc.h"

#include "platform/CText.h"

#include <QHash>
#include <QSet>

namespace {

// Another program's changes are followed in at most this many rows of the song list.
constexpr int kFollowedRows = 5000;

} // namespace

CCdlistDoc::CCdlistDoc(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("document"));
    m_playlist.SetDetailSource(
        [this](QList<CPlaylistModel::SEntry>& entries) { FillPlaylistDetails(entries); });
    m_songs.SetPathSource([this](qint64 id) {
        try {
            const std::optional<SSong> song = m_set.FindSongById(id);
            return song ? song->FilePath() : QString();
        } catch (const CDbException&) {
            return QString(); // no tooltip; the next command reports the fault
        }
    });
    connect(&m_catalogue, &CCatalogue::SongsRemoved, this, &CCdlistDoc::FollowRemoved);
    connect(&m_catalogue, &CCatalogue::SongsChanged, this, &CCdlistDoc::FollowChanged);
    connect(&m_catalogue, &CCatalogue::SessionsChanged, this, &CCdlistDoc::FollowSessions);
    connect(&m_catalogue, &CCatalogue::CountChanged, this, &CCdlistDoc::AdjustSongCount);
    connect(&m_catalogue, &CCatalogue::ChangedElsewhere, this, &CCdlistDoc::FollowElsewhere);
    // A refilled song list no longer lists the song last clicked.
    connect(&m_songs, &QAbstractItemModel::modelReset, this, [this] {
        if (m_currentSong != -1)
            SetCurrentSong(-1);
    });
}

CCdlistDoc::~CCdlistDoc() = default;

void CCdlistDoc::FollowRemoved(const QHash<qint64, qint64>& secondsById)
{
    m_songs.RemoveSongs(secondsById);
    m_playlist.RemoveSongs(secondsById);
    if (secondsById.contains(m_tagForm.SongId()))
        m_tagForm.Clear();
    if (secondsById.contains(m_currentSong))
        SetCurrentSong(-1);
}

void CCdlistDoc::FollowChanged(const QList<qint64>& ids)
{
    QList<SSong> songs;
    try {
        m_set.Scan(
            CFilter::IdIn(std::vector<qint64>(ids.begin(), ids.end())),
            [&songs](const CCdlistSet::CScanRow& row) {
                songs << row.Song();
                return true;
            },
            true);
    } catch (const CDbException&) {
        return; // the rows keep what they showed; the next command reports the fault
    }
    m_songs.RefreshSongs(songs);
    m_playlist.RefreshSongs(songs);
    for (const SSong& song : std::as_const(songs))
        if (song.m_ID == m_tagForm.SongId())
            m_tagForm.Show(song);
}

void CCdlistDoc::FollowSessions(const QStringList& sessions, const QStringList& withoutSongs)
{
    const std::optional<QString> shown = SelectedSession();
    ReloadSessions();
    for (const QString& name : withoutSongs)
        if (!m_sessions.Contains(name))
            m_sessions.Add(name);
    // The session listed was scanned again or renamed: its songs are listed anew.
    if (shown && sessions.contains(*shown) && m_sessions.Row(*shown) >= 0)
        ShowSession(*shown);
}

void CCdlistDoc::FollowElsewhere()
{
    if (IsBusy())
        return;
    ReloadSessions();
    // The rows shown take what another program made of them; a song it deleted goes.
    QList<qint64> listed;
    for (int row = 0; row < m_songs.RowCount() && row < kFollowedRows; ++row)
        listed << m_songs.Id(row);
    for (int row = 0; row < m_playlist.Count(); ++row)
        listed << m_playlist.Entry(row).id;
    if (m_tagForm.SongId() >= 0)
        listed << m_tagForm.SongId();
    FollowChanged(listed);
    QHash<qint64, qint64> gone;
    try {
        const std::vector<qint64> ids =
            listed.isEmpty()
                ? std::vector<qint64>()
                : m_set.Ids(CFilter::IdIn(std::vector<qint64>(listed.begin(), listed.end())));
        const QSet<qint64> still(ids.begin(), ids.end());
        for (const qint64 id : std::as_const(listed))
            if (!still.contains(id))
                gone.insert(id, 0);
    } catch (const CDbException&) {
        return;
    }
    if (!gone.isEmpty())
        FollowRemoved(gone);
}

void CCdlistDoc::FillPlaylistDetails(QList<CPlaylistModel::SEntry>& entries)
{
    std::vector<qint64> ids;
    ids.reserve(size_t(entries.size()));
    for (const CPlaylistModel::SEntry& entry : std::as_const(entries))
        ids.push_back(entry.id);
    QHash<qint64, QPair<QString, qint64>> found;
    try {
        m_set.Scan(CFilter::IdIn(ids), [&found](const CCdlistSet::CScanRow& row) {
            found.insert(row.Id(), {row.Text(ESongColumn::ARTIST),
                                    CText::LeadingInteger(row.Bytes(ESongColumn::DURATION))});
            return true;
        });
    } catch (const CDbException&) {
        return; // the entries show their titles only; the next command reports the fault
    }
    for (CPlaylistModel::SEntry& entry : entries) {
        const auto it = found.constFind(entry.id);
        if (it != found.constEnd()) {
            entry.artist = it->first;
            entry.seconds = it->second;
        }
    }
}

void CCdlistDoc::OpenDatabase(const QString& path,
                              const CDatabase::ProgressFactory& conversionProgress)
{
    Songs().Clear(); // its rows, and any still to be read, belong to the catalogue before
    m_db.Open(path, conversionProgress);
    OpenSets();
}

void CCdlistDoc::OpenDatabaseForReading(const QString& path)
{
    Songs().Clear();
    m_db.OpenForReading(path);
    OpenSets();
}

void CCdlistDoc::OpenSets()
{
    m_set.Open(m_db);
    m_except.Open(m_db);
}

void CCdlistDoc::SetSongCount(qint64 count)
{
    m_songCount = count;
    Q_EMIT SongCountChanged(count);
}

void CCdlistDoc::SetCurrentSong(qint64 id)
{
    m_currentSong = id;
    if (id == -1)
        m_tagForm.Clear();
    Q_EMIT CurrentSongChanged(id);
}

void CCdlistDoc::ReloadSessions()
{
    // One entry per distinct session name, compared byte for byte, and the song count.
    QStringList names;
    qint64 total = 0;
    for (const auto& [name, count] : m_set.SessionCounts()) {
        names << name;
        total += count;
    }
    m_sessions.SetNames(names);
    SetSongCount(total);
}

void CCdlistDoc::ShowSession(const QString& name)
{
    if (!m_sessions.Contains(name))
        return;
    m_sessions.Select(name);
    Q_EMIT SessionShown(name);
}

CCdlistDoc::CBusy::CBusy(CCdlistDoc& doc) : m_doc(doc)
{
    if (m_doc.m_busy++ == 0)
        Q_EMIT m_doc.BusyChanged(true);
}

CCdlistDoc::CBusy::~CBusy()
{
    if (--m_doc.m_busy == 0)
        Q_EMIT m_doc.BusyChanged(false);
}
