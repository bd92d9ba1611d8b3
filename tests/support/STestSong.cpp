#include "support/STestSong.h"

#include "db/CCdlistSet.h"

SSong STestSong::Song() const
{
    SSong s;
    s.m_CD = cd;
    s.m_TITLE = title;
    s.m_ARTIST = artist;
    s.m_ALBUM = album;
    s.m_MELODI = file.isEmpty() ? title + QStringLiteral(".mp3") : file;
    s.m_PATH = path;
    s.m_GENRE = genre;
    s.m_YEAR = year;
    s.m_BITRATE = bitrate;
    s.m_DURATION = duration;
    s.m_COMMENT = comment;
    s.m_TRACK = track;
    s.m_LYRICS = lyrics;
    s.m_LIST = !list.isEmpty()    ? list
               : !title.isEmpty() ? title
                                  : s.m_MELODI.chopped(qMin<qsizetype>(4, s.m_MELODI.size()));
    s.m_USE = plays;
    return s;
}

qint64 AddTestSong(CCdlistSet& set, const STestSong& song)
{
    const qint64 id = set.Insert(song.Song());
    if (song.plays != 0) {
        // A new song starts unplayed; the count of an old one is stored as it is.
        CStatement s(*set.Database(), QStringLiteral("UPDATE Songs SET [USE] = ? WHERE ID = ?"));
        s.BindInt(1, song.plays).BindInt(2, id);
        s.Step();
    }
    return id;
}
