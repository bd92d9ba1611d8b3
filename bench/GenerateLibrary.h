#pragma once

// Builds a song database of N synthetic songs over sessions of a given size, once per
// size: the file is kept in the system's temporary folder and reused by later runs.

#include "db/CDatabase.h"
#include "db/SSong.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <functional>
#include <random>

// A catalogue built once by `fill` (inside one transaction) and kept in the system's
// temporary folder as cratewise-bench-NAME-vNc.mdb for later runs (c: made new, its
// searches ignore accents, 16 KB pages, no artist numbered below zero). Opened once more
// after filling, so that the rows' folded copies and the substring index are in the file.
inline QString CachedCatalogue(const QString& name, const std::function<void(CDatabase&)>& fill)
{
    const QString path =
        QDir::tempPath() +
        QStringLiteral("/cratewise-bench-%1-v%2c.mdb").arg(name).arg(CDatabase::kSchemaVersion);
    if (QFile::exists(path))
        return path;
    const QString building = path + QStringLiteral(".building");
    QFile::remove(building);
    {
        CDatabase db;
        db.Open(building);
        CDatabase::CTransaction transaction(db);
        fill(db);
        transaction.Commit();
    }
    {
        CDatabase db;
        db.Open(building);
        db.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    QFile::remove(building + QStringLiteral("-wal"));
    QFile::remove(building + QStringLiteral("-shm"));
    QFile::rename(building, path);
    return path;
}

// Song number i of the shared generated library: titles from a small word list that
// holds non-ASCII words, artists and albums numbered, folders one per album.
inline SSong GeneratedSong(int i, int sessionSize = 2000)
{
    static const char* const kWords[] = {"love",  "night", "blue", "road", "fire",
                                         "heart", "dream", "rain", "gold", "river",
                                         "light", "Ärger", "été",  "home"};
    const int session = i / sessionSize;
    SSong song;
    song.m_TITLE =
        QStringLiteral("%1 %2 %3")
            .arg(QString::fromUtf8(kWords[i % 14]), QString::fromUtf8(kWords[(i / 14) % 14]))
            .arg(i);
    song.m_ARTIST = QStringLiteral("Artist %1").arg((qint64(i) * 7919) % 5000);
    song.m_ALBUM = QStringLiteral("Album %1").arg(i / 12);
    song.m_PATH = QStringLiteral("/media/cdrom/Disc %1/%2").arg(session).arg(song.m_ALBUM);
    song.m_MELODI = QStringLiteral("%1 - %2.mp3").arg(song.m_ARTIST, song.m_TITLE);
    song.m_CD = QStringLiteral("Session %1").arg(session, 5, 10, QLatin1Char('0'));
    song.m_LIST = song.m_TITLE;
    song.m_GENRE = QStringLiteral("(%1)").arg(i % 126);
    song.m_YEAR = QString::number(1960 + i % 60);
    song.m_BITRATE = QString::number(128 + 32 * (i % 4));
    song.m_DURATION = QString::number(120 + i % 300);
    song.m_COMMENT = i % 10 ? QString() : QStringLiteral("ripped");
    return song;
}

inline QString GeneratedLibrary(int songs, int sessionSize = 2000)
{
    return CachedCatalogue(QStringLiteral("%1-%2").arg(songs).arg(sessionSize), [&](CDatabase& db) {
        CStatement insert(
            db, QStringLiteral("INSERT INTO Songs(CD, LIST, PATH, MELODI, TITLE, ARTIST, ALBUM, "
                               "GENRE, YEAR, BITRATE, "
                               "DURATION, COMMENT) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 0; i < songs; ++i) {
            const SSong s = GeneratedSong(i, sessionSize);
            insert.BindText(1, s.m_CD)
                .BindText(2, s.m_LIST)
                .BindText(3, s.m_PATH)
                .BindText(4, s.m_MELODI)
                .BindText(5, s.m_TITLE)
                .BindText(6, s.m_ARTIST)
                .BindText(7, s.m_ALBUM)
                .BindText(8, s.m_GENRE)
                .BindText(9, s.m_YEAR)
                .BindText(10, s.m_BITRATE)
                .BindText(11, s.m_DURATION)
                .BindText(12, s.m_COMMENT);
            insert.Step();
            insert.Reset();
        }
    });
}

// A word of syllables for song number n: 1,000 of them make titles, artists and albums.
inline QString Word(int n)
{
    static const char* const kSyllables[] = {"ka", "lo", "mi", "ne", "ru", "sa", "to", "vi",
                                             "be", "da", "fo", "gu", "hi", "jo", "pe", "zu"};
    QString w;
    do {
        w += QLatin1String(kSyllables[n % 16]);
        n /= 16;
    } while (n);
    return w;
}

// The search benchmarks' library: random words for titles, artists and albums, sessions of
// `sessionSize` songs, the indexes made after the rows.
inline QString SearchLibrary(int songs, int sessionSize = 2000)
{
    const QString name = sessionSize == 2000
                             ? QStringLiteral("search-%1").arg(songs)
                             : QStringLiteral("search-%1-%2").arg(songs).arg(sessionSize);
    return CachedCatalogue(name, [&](CDatabase& db) {
        db.Exec("DROP INDEX SongsBySession; DROP INDEX SongsByFile; DROP INDEX SongsByTitleList; "
                "DROP INDEX SongsByArtistAlbum; DROP INDEX SongsByAlbumTrack; DROP INDEX "
                "SongsByGenre;");
        std::mt19937 rng(42);
        std::mt19937 more(7); // years and tracks, leaving the other columns as they were
        std::uniform_int_distribution<int> word(0, 999), genre(0, 125), seconds(30, 600),
            year(1950, 2025), track(0, 20);
        CStatement insert(db, QStringLiteral("INSERT INTO Songs(CD, LIST, PATH, MELODI, TITLE, "
                                             "ARTIST, ALBUM, GENRE, YEAR, BITRATE, DURATION, "
                                             "TRACK) VALUES(?,?,?,?,?,?,?,?,?,?,?,?)"));
        for (int i = 0; i < songs; ++i) {
            const QString session =
                QStringLiteral("Session %1").arg(i / sessionSize, 4, 10, QLatin1Char('0'));
            const QString title = Word(word(rng)) + u' ' + Word(word(rng));
            const QString artist = Word(word(rng)) + QStringLiteral(" Band");
            const QString album = Word(word(rng)) + QStringLiteral(" Album");
            const QString file = artist + QStringLiteral(" - ") + title +
                                 QLatin1String(i % 5   ? ".mp3"
                                               : i % 2 ? ".flac"
                                                       : ".ogg");
            insert.BindText(1, session).BindText(2, title);
            insert.BindText(3, QStringLiteral("/media/cdrom/") + session).BindText(4, file);
            insert.BindText(5, title).BindText(6, artist).BindText(7, album);
            insert.BindText(8, QStringLiteral("(%1)").arg(genre(rng)));
            insert.BindText(9, QString::number(year(more))).BindText(10, QStringLiteral("128"));
            insert.BindText(11, QString::number(seconds(rng)));
            const int number = track(more); // 0: a song whose track is not known
            insert.Bind(12, number ? QVariant(number) : QVariant());
            insert.Step();
            insert.Reset();
        }
    });
}

// Resident and peak memory of this process, in MB (the peak since the last ResetPeakMemory).
inline double MemoryMB(const char* field = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}
inline double PeakMemoryMB()
{
    return MemoryMB("VmHWM:");
}
// Starts the peak over from the memory in use now (Linux: clear_refs 5).
inline void ResetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}
