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

    qint32 AddSong(const QString& cd, const QString& folder, const QString& file,
                   const QString& duration = QString(), const QString& genre = QString())
    {
        set.AddNew();
        set.m_CD = cd;
        set.m_PATH = folder;
        set.m_MELODI = file;
        set.m_LIST = file.chopped(4);
        set.m_DURATION = duration;
        set.m_GENRE = genre;
        set.Update();
        return set.m_ID;
    }
    void AddEntries(const QList<qint32>& ids)
    {
        for (qint32 id : ids)
            f.doc.Playlist().Append(QString::number(id), id);
    }
    // Shows the songs in the song list, as a session or a search does.
    void ListSongs(const QList<qint32>& ids)
    {
        for (qint32 id : ids) {
            ASSERT_TRUE(set.FindSongById(id));
            f.doc.Songs().InsertSongRow(f.doc.Songs().RowCount(), set);
        }
    }
    QList<qint32> SongListIds()
    {
        QList<qint32> ids;
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
    // The window browses with the set, so every operation leaves it unfiltered by ID.
    void ExpectSetRestored()
    {
        EXPECT_TRUE(set.Filter().IsEmpty());
        EXPECT_EQ(set.Sort(), ESongColumn::ID);
    }

    CDocFixture f;
    CCdlistSet& set = f.doc.Set();
    CPlaylistModel& playlist = f.doc.Playlist();
    CPlaylistOperations ops{f.doc, f.services};
};
