#pragma once

#include "db/CCdlistSet.h"
#include "playlist/CPlaylistOperations.h"
#include "support/CDocFixture.h"

#include <gtest/gtest.h>

// The playlist operations on the document of a private catalogue.
class PlaylistFixture : public ::testing::Test
{
protected:
    PlaylistFixture() { f.doc.Songs().RebuildColumns(); }

    qint64 AddSong(const QString& cd, const QString& folder, const QString& file,
                   const QString& duration = QString(), const QString& genre = QString())
    {
        return AddTestSong(
            set, {.cd = cd, .file = file, .path = folder, .genre = genre, .duration = duration});
    }
    void AddEntries(const QList<qint64>& ids)
    {
        for (qint64 id : ids)
            f.doc.Playlist().Append(QString::number(id), id);
    }
    // Shows the songs in the song list, as a session or a search does.
    void ListSongs(const QList<qint64>& ids)
    {
        for (qint64 id : ids) {
            const std::optional<SSong> song = set.FindSongById(id);
            ASSERT_TRUE(song);
            f.doc.Songs().InsertSongRow(f.doc.Songs().RowCount(), *song);
        }
    }
    QList<qint64> SongListIds()
    {
        QList<qint64> ids;
        for (int row = 0; row < f.doc.Songs().RowCount(); ++row)
            ids << f.doc.Songs().Id(row);
        return ids;
    }
    QStringList PlaylistTexts()
    {
        QStringList texts;
        for (int row = 0; row < f.doc.Playlist().Count(); ++row)
            texts << f.doc.Playlist().Entry(row).text;
        return texts;
    }

    CDocFixture f;
    CCdlistSet& set = f.doc.Set();
    CPlaylistModel& playlist = f.doc.Playlist();
    CPlaylistOperations ops{f.doc, f.services};
};
