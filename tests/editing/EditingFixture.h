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
    qint64 AddFile(const QString& title, const QString& artist, QString folder = QString())
    {
        if (folder.isEmpty())
            folder = env.MakeDir(QStringLiteral("music"));
        const QString file = title + QStringLiteral(".mp3");
        EXPECT_TRUE(CMp3Factory::WriteTaggedSong(folder + u'/' + file, 1, 128,
                                                 CMp3Factory::EKind::Cbr, title, artist,
                                                 QStringLiteral("Album")));
        return AddTestSong(doc.Set(), {.title = title,
                                       .artist = artist,
                                       .album = QStringLiteral("Album"),
                                       .file = file,
                                       .path = folder,
                                       .genre = QStringLiteral("(17)"),
                                       .year = QStringLiteral("1999")});
    }
    // The record of a song.
    SSong Record(qint64 id)
    {
        const std::optional<SSong> song = doc.Set().FindSongById(id);
        EXPECT_TRUE(song);
        return song.value_or(SSong());
    }
    QString PathOf(qint64 id) { return Record(id).FilePath(); }
    QJsonObject Tags(qint64 id) { return ProbeTags(PathOf(id)); }
    QStringList Frames(qint64 id, std::initializer_list<const char*> ids)
    {
        return FrameTexts(Tags(id), ids);
    }
};
