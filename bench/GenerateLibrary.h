#pragma once

// Builds a song database of N synthetic songs over sessions of a given size, once per
// size: the file is kept in the system's temporary folder and reused by later runs.

#include "db/CDatabase.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <functional>

// A catalogue built once by `fill` (inside one transaction) and kept in the system's
// temporary folder as cratewise-bench-NAME-vN.mdb for later runs. Opened once more after
// filling, so that the rows' folded copies and the substring index are in the file.
inline QString CachedCatalogue(const QString& name, const std::function<void(CDatabase&)>& fill)
{
    const QString path =
        QDir::tempPath() +
        QStringLiteral("/cratewise-bench-%1-v%2.mdb").arg(name).arg(CDatabase::kSchemaVersion);
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

inline QString GeneratedLibrary(int songs, int sessionSize = 2000)
{
    return CachedCatalogue(QStringLiteral("%1-%2").arg(songs).arg(sessionSize), [&](CDatabase& db) {
        CStatement insert(
            db, QStringLiteral("INSERT INTO Songs(CD, LIST, PATH, MELODI, TITLE, ARTIST, ALBUM, "
                               "GENRE, YEAR, BITRATE, "
                               "DURATION, COMMENT) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        static const char* const kWords[] = {"love",  "night", "blue", "road", "fire",
                                             "heart", "dream", "rain", "gold", "river",
                                             "light", "Ärger", "été",  "home"};
        for (int i = 0; i < songs; ++i) {
            const int session = i / sessionSize;
            const QString title =
                QStringLiteral("%1 %2 %3")
                    .arg(QLatin1String(kWords[i % 14]), QLatin1String(kWords[(i / 14) % 14]))
                    .arg(i);
            const QString artist = QStringLiteral("Artist %1").arg((i * 7919) % 5000);
            const QString album = QStringLiteral("Album %1").arg(i / 12);
            const QString folder =
                QStringLiteral("/media/cdrom/Disc %1/%2").arg(session).arg(album);
            const QString file = QStringLiteral("%1 - %2.mp3").arg(artist, title);
            insert.BindText(1, QStringLiteral("Session %1").arg(session, 5, 10, QLatin1Char('0')))
                .BindText(2, title)
                .BindText(3, folder)
                .BindText(4, file)
                .BindText(5, title)
                .BindText(6, artist)
                .BindText(7, album)
                .BindText(8, QStringLiteral("(%1)").arg(i % 126))
                .BindText(9, QString::number(1960 + i % 60))
                .BindText(10, QString::number(128 + 32 * (i % 4)))
                .BindText(11, QString::number(120 + i % 300))
                .BindText(12, i % 10 ? QString() : QStringLiteral("ripped"));
            insert.Step();
            insert.Reset();
        }
    });
}
