#pragma once

#include "db/COldSongsSet.h"

#include <QFile>
#include <QList>
#include <QString>
#include <sqlite3.h>
#include <stdexcept>

// One row of an older version's song table; the layout decides which fields are written.
struct SOldSong
{
    QString cd{};
    QString path{};
    QString melodi{};
    QString title{};
    QString artist{};
    QString album{};
    QString genre{};
    QString year{};
    QString lyrics{};
    QString list{};
    QString bitrate{};
    QString comment{};
    QString duration{};
};

// Writes a database as an earlier version left it: the table Songs in one of the old
// layouts, with these rows (any file there is replaced).
inline void WriteOldDatabase(const QString& file, COldSongsSet::ELayout layout,
                             const QList<SOldSong>& songs)
{
    using ELayout = COldSongsSet::ELayout;
    QFile::remove(file);
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(file).constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot create the old database");
    QByteArray columns = "CD, PATH, MELODI, TITLE, ARTIST, ALBUM, GENRE, YEAR";
    if (layout != ELayout::Version2)
        columns += ", LYRICS, LIST";
    if (layout == ELayout::Version28)
        columns += ", BITRATE, COMMENT, DURATION, EXTENDED1, EXTENDED2";
    const int count = int(columns.count(',')) + 1;
    const QByteArray create = "CREATE TABLE Songs(ID INTEGER PRIMARY KEY, " + columns + ")";
    const QByteArray insert =
        "INSERT INTO Songs(" + columns + ") VALUES(?" + QByteArray(", ?").repeated(count - 1) + ")";
    sqlite3_exec(db, create.constData(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, insert.constData(), -1, &s, nullptr);
    for (const SOldSong& song : songs) {
        const QString values[] = {song.cd,       song.path,  song.melodi,  song.title,
                                  song.artist,   song.album, song.genre,   song.year,
                                  song.lyrics,   song.list,  song.bitrate, song.comment,
                                  song.duration, QString(),  QString()};
        for (int i = 0; i < count; ++i) {
            const QByteArray utf8 = values[i].toUtf8();
            sqlite3_bind_text(s, i + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
        sqlite3_step(s);
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}
