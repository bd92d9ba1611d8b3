#pragma once

#include "db/CCdlistSet.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"
#include "support/STestSong.h"

#include <QFile>
#include <gtest/gtest.h>

// A song as other programs tag it, which no edit may damage beyond the field it changes:
// an ID3v2.3 tag with an extended header, texts longer than the catalogue keeps, a full
// date, a genre the table does not name, a track number, a comment, lyrics with plain line
// ends at the catalogue's limit, a frame the program does not know, an encrypted frame and
// a text frame in an encoding no reader knows; and an ID3v1.1 tag.
struct SRichSong
{
    static inline const QString kTitle =
        QStringLiteral("Symphony No. 5 in C minor, Op. 67: I. Allegro con brio");
    static inline const QString kArtist = QStringLiteral("Wiener Philharmoniker, Carlos Kleiber");
    static inline const QString kAlbum =
        QStringLiteral("Beethoven: Symphonies Nos. 5 & 7 (Originals Edition)");
    static QString Lyrics()
    {
        QString text;
        while (text.size() < 5000)
            text += QStringLiteral("Da da da dum\n");
        return text.left(4999) + u'\n';
    }
    static QByteArray Tag()
    {
        return CId3Writer(3, CId3Writer::EEncoding::Latin1)
            .ExtendedHeader()
            .Text("TIT2", kTitle)
            .Text("TPE1", kArtist)
            .Text("TALB", kAlbum)
            .Text("TYER", QStringLiteral("1975"))
            .Text("TDAT", QStringLiteral("1403"))
            .Text("TCON", QStringLiteral("Chiptune Wave"))
            .Text("TRCK", QStringLiteral("3/9"))
            .Comment(QStringLiteral("Recorded live"))
            .Lyrics(Lyrics())
            .Raw("PRIV", QByteArray("org.example\0\x01\x02\xff", 15))
            .Raw("TIT3", QByteArray("\x80secret bytes", 13), 0x0040) // encrypted, method 0x80
            .Raw("TPE2", QByteArray("\x07odd encoding", 13))
            .Padding(64)
            .Build();
    }
    // Writes the song in `folder` and stores its record as the catalogue keeps it.
    static qint64 Add(CCdlistSet& set, const QString& folder, const QString& file)
    {
        const QByteArray v1 = CId3Writer::Id3v1(kTitle.toLatin1(), kArtist.toLatin1(),
                                                kAlbum.toLatin1(), "1975", "Recorded live", 255, 3);
        EXPECT_TRUE(CMp3Factory::WriteSong(folder + u'/' + file, {.seconds = 2.0}, Tag(), v1));
        return AddTestSong(set, {.title = kTitle.left(30),
                                 .artist = kArtist.left(30),
                                 .album = kAlbum.left(30),
                                 .file = file,
                                 .path = folder,
                                 .genre = QStringLiteral("Chiptune Wave"),
                                 .year = QStringLiteral("1975-03-14"),
                                 .comment = QStringLiteral("Recorded live"),
                                 .lyrics = Lyrics()});
    }
};

// What a song is, in its file and its record, to compare before and after an edit.
struct SSongSnapshot
{
    QList<CId3Writer::SFrame> frames;
    QByteArray v1;
    QByteArray audio;
    SSong record;

    static SSongSnapshot Of(CCdlistSet& set, qint64 id)
    {
        SSongSnapshot s;
        s.record = set.FindSongById(id).value_or(SSong());
        QFile file(s.record.FilePath());
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        s.frames = CId3Writer::Frames(bytes);
        s.v1 = CId3Writer::Id3v1Of(bytes);
        const qsizetype start = bytes.startsWith("ID3")
                                    ? 10 + qsizetype(CId3Writer::SyncsafeValue(bytes.mid(6, 4)))
                                    : 0;
        s.audio = bytes.mid(start, bytes.size() - start - s.v1.size());
        return s;
    }
    QList<CId3Writer::SFrame> FramesBut(const QList<QByteArray>& ids) const
    {
        QList<CId3Writer::SFrame> kept;
        for (const CId3Writer::SFrame& f : frames)
            if (!ids.contains(f.id))
                kept << f;
        return kept;
    }
};

// Everything but the frames, ID3v1 bytes [v1From, v1To) and columns an edit names is as
// it was, byte for byte, frames in their order.
inline void ExpectOnly(const SSongSnapshot& before, const SSongSnapshot& after,
                       const QList<QByteArray>& frames, int v1From, int v1To,
                       const QList<ESongColumn>& columns)
{
    EXPECT_EQ(after.FramesBut(frames), before.FramesBut(frames));
    ASSERT_EQ(after.v1.size(), before.v1.size());
    for (int i = 0; i < before.v1.size(); ++i) {
        if (i < v1From || i >= v1To) {
            EXPECT_EQ(after.v1[i], before.v1[i]) << "ID3v1 byte " << i;
        }
    }
    EXPECT_EQ(after.audio, before.audio);
    for (int c = 0; c < CSongColumns::kCount; ++c) {
        const ESongColumn column = ESongColumn(c);
        if (!columns.contains(column)) {
            EXPECT_EQ(after.record.Text(column), before.record.Text(column))
                << CSongColumns::Name(column);
        }
    }
}
