#pragma once

#include "editing/TagProbe.h"
#include "library/LibraryFixture.h"
#include "support/CMp3Factory.h"

#include <QDir>

// Real tagged songs in a folder of the test, each with its record.
class EditingFixture : public ::testing::Test, protected CDocFixture
{
protected:
    EditingFixture() { doc.Songs().RebuildColumns(); }

    // A song "title.mp3" tagged title / artist / "Album" / Rock / 1999 in `folder`.
    qint32 AddFile(const QString& title, const QString& artist, QString folder = QString())
    {
        if (folder.isEmpty())
            folder = env.MakeDir(QStringLiteral("music"));
        const QString file = title + QStringLiteral(".mp3");
        EXPECT_TRUE(CMp3Factory::WriteTaggedSong(folder + u'/' + file, 1, 128,
                                                 CMp3Factory::EKind::Cbr, title, artist,
                                                 QStringLiteral("Album")));
        SLibrarySong song;
        song.title = title;
        song.artist = artist;
        song.album = QStringLiteral("Album");
        song.file = file;
        song.path = folder;
        song.genre = QStringLiteral("(17)");
        song.year = QStringLiteral("1999");
        return AddLibrarySong(doc.Set(), song);
    }
    // The record of a song (the set left on it).
    CCdlistSet& Record(qint32 id)
    {
        EXPECT_TRUE(doc.Set().FindSongById(id));
        return doc.Set();
    }
    QString PathOf(qint32 id)
    {
        const CCdlistSet& set = Record(id);
        return set.m_PATH + u'/' + set.m_MELODI;
    }
    QJsonObject Tags(qint32 id) { return ProbeTags(PathOf(id)); }
    QStringList Frames(qint32 id, std::initializer_list<const char*> ids)
    {
        return FrameTexts(Tags(id), ids);
    }
};
