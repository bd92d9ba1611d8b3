#include "PlaylistFixture.h"
#include "db/CCoverStore.h"
#include "media/CSongFromFile.h"
#include "platform/CFileNames.h"
#include "platform/CSettings.h"
#include "platform/CVolumes.h"
#include "playlist/CPlaylistImporter.h"
#include "playlist/CPlaylistLoader.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"

#include <QImage>

namespace {

using M3uLoadTest = PlaylistFixture;

TEST_F(M3uLoadTest, LinesAreMatchedIgnoringCaseRelativeToThePlaylistInEitherEncoding)
{
    const qint64 near = AddSong("CD1", f.env.Root() + "/lists/sub", "Near.mp3");
    const qint64 far = AddSong("CD1", f.env.Root() + "/other", "ÉTÉ.mp3");
    CSettings::SetInt(ESetting::AddOnSearch, 1);
    ops.LoadPlaylist(f.env.WriteFile("lists/mixed.m3u", "\xEF\xBB\xBF#EXTM3U\r\n"
                                                        "#EXTINF:123,Somebody - Near\r\n"
                                                        "sub/near.MP3\r\n"
                                                        "\r\n"
                                                        "../other/été.mp3\n"
                                                        "./sub/./Near.mp3"));
    EXPECT_EQ(SongListIds(), QList<qint64>({near, far, near}));
    EXPECT_EQ(playlist.Ids(), QList<qint64>({near, far, near}));
    EXPECT_EQ(PlaylistTexts(), QStringList({"Near", "ÉTÉ", "Near"}));
    EXPECT_TRUE(playlist.Changed());

    // Most players write .m3u files in a single-byte code page, not in UTF-8.
    const qint64 bjork = AddSong("CD1", "/music/Björk", "Jóga.mp3");
    const qint64 utf8 = AddSong("CD1", "/music", "Ünïcode.mp3");
    // A name stored by its bytes (a Latin-1 file name scanned here), its disc not in a drive.
    const qint64 bytes = AddSong("CD1", "/music", CFileNames::Decode("Sj\xF6.mp3"));
    ops.LoadPlaylist(f.env.WriteFile(
        "latin1.m3u",
        "/music/Bj\xF6rk/J\xF3ga.mp3\r\n/music/Ünïcode.mp3\r\n/music/Sj\xF6.mp3\r\n"));
    EXPECT_EQ(SongListIds(), QList<qint64>({bjork, utf8, bytes}))
        << "each line read as it was written";
    EXPECT_TRUE(f.prompts.warnings.isEmpty());
}

TEST_F(M3uLoadTest, MissingLinesWarnUntilSilencedAndAnUnreadableFileChangesNothing)
{
    const qint64 a = AddSong("CD1", "c:", "a.mp3"); // never matched by a Windows line
    const QString file = f.env.WriteFile("w.m3u", "\\music\\a.mp3\r\n"
                                                  "D:\\Music\\It's.mp3\r\n"
                                                  "/nowhere/b.mp3\r\n"
                                                  "/nowhere/c.mp3\r\n");
    f.prompts.warningBoxes << 0 << 0 << 1;
    ops.LoadPlaylist(file);
    EXPECT_EQ(f.prompts.warnings, QStringList({CPlaylistLoader::NotFoundText("a.mp3"),
                                               CPlaylistLoader::NotFoundText("It's.mp3"),
                                               CPlaylistLoader::NotFoundText("b.mp3")}));
    EXPECT_EQ(f.prompts.warnings[0], "The file a.mp3 couldn't be found in the database.\n"
                                     "It won't be added to the playlist.");
    EXPECT_EQ(CSettings::Int(ESetting::WarningFound), 1);
    EXPECT_TRUE(SongListIds().isEmpty());
    ops.LoadPlaylist(file); // silenced
    EXPECT_EQ(f.prompts.warnings.size(), 3);

    ListSongs({a});
    ops.LoadPlaylist(f.env.Root() + "/missing.m3u");
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_TRUE(f.prompts.messages[0].text.contains("missing.m3u"));
    EXPECT_EQ(f.prompts.messages[0].caption, "File Error");
    EXPECT_EQ(SongListIds(), QList<qint64>({a}));
}

class ImportTest : public PlaylistFixture
{
protected:
    // The records of the session the lines become; a line under "/cd/" names a disc that
    // is now mounted under "disc/".
    QList<qint64> Import(const QByteArray& text, const QString& session)
    {
        const QString root = f.env.Root();
        const auto locate = [root](const QString& path, const QString&) {
            return path.startsWith(root + "/cd/") ? root + "/disc/" + path.mid(root.size() + 4)
                                                  : QString();
        };
        QList<SM3uLine> lines;
        QString error;
        EXPECT_TRUE(CM3uFile::Read(f.env.WriteFile("imp.m3u", text), lines, error));
        const std::unique_ptr<CSongFromFile> maker = CSongFromFile::Create();
        const int stored = CPlaylistImporter(set, *maker, locate).Import(lines, session);
        const QList<qint64> ids = SessionIds(session);
        EXPECT_EQ(stored, ids.size());
        return ids;
    }
    QList<qint64> SessionIds(const QString& session)
    {
        QList<qint64> ids;
        for (const qint64 id : set.Ids(CFilter::Exactly(ESongColumn::CD, session)))
            ids << id;
        return ids;
    }
    // PATH|MELODI|TITLE|ARTIST|ALBUM|LIST|GENRE|LYRICS|COMMENT|BITRATE|DURATION
    QString Record(qint64 id)
    {
        const std::optional<SSong> s = set.FindSongById(id);
        if (!s)
            return "<gone>";
        return QStringList{s->m_PATH,    s->m_MELODI,  s->m_TITLE,   s->m_ARTIST,
                           s->m_ALBUM,   s->m_LIST,    s->m_GENRE,   s->m_LYRICS,
                           s->m_COMMENT, s->m_BITRATE, s->m_DURATION}
            .join(u'|');
    }
    // A two-second song, tagged with a title when given.
    QString Song(const QString& relative, const QString& title = QString())
    {
        CId3Writer tag(3, CId3Writer::EEncoding::Latin1);
        if (!title.isEmpty())
            tag.Text("TIT2", title);
        tag.Text("TPE1", "Art_ist").Text("TCON", "(17)").Lyrics("La la");
        const QString path = f.env.Root() + u'/' + relative;
        EXPECT_TRUE(CMp3Factory::WriteSong(path, {.seconds = 2.0}, tag.Build()));
        return path;
    }
};

// The same song from a file as a scan makes (media's), less the name clean-ups.
TEST_F(ImportTest, EachLineBecomesARecordAsTheScanMakesIt)
{
    CSettings::SetInt(ESetting::Folder, 2);
    CSettings::SetInt(ESetting::UnderScore, 1);
    CSettings::SetString(ESetting::Formatting, "%1 - %2");
    const QString root = f.env.Root();
    Song("disc/Album/song.mp3", QString(40, u'T'));
    Song("hd/x/02_notitle.mp3");
    QImage cover(40, 40, QImage::Format_RGB32);
    cover.fill(Qt::red);
    ASSERT_TRUE(cover.save(root + "/disc/Album/cover.jpg"));
    const QString session = "Imported 'n' more";
    QList<qint64> ids = Import(("#EXTM3U\r\n" + root + "/cd/Album/song.mp3\r\n\r\n" + root +
                                "/hd/Dir/gone.mp3\r\n" + root + "/hd/x/02_notitle.mp3\r\n")
                                   .toUtf8(),
                               session);
    ASSERT_EQ(ids.size(), 3);
    EXPECT_TRUE(CSettings::Contains(CSettings::kCDPath, session));
    // Moved to where the disc is now; the title whole, underscores kept.
    EXPECT_EQ(Record(ids[0]), root + "/disc/Album|song.mp3|" + QString(40, u'T') +
                                  "|Art_ist|Album|" + QString(40, u'T') + "|(17)|La la||128|2");
    // The folder's cover image is the song's cover, as the scan takes it.
    EXPECT_FALSE(CCoverStore(*set.Database()).ThumbnailOfSong(ids[0]).isEmpty());
    EXPECT_TRUE(CCoverStore(*set.Database()).ThumbnailOfSong(ids[1]).isEmpty());
    // Not found: the listed path is kept, the file name rules give what they can.
    EXPECT_EQ(Record(ids[1]), root + "/hd/Dir|gone.mp3|||Dir|gone|||||");
    // The formatting failed: title, artist and album emptied.
    EXPECT_EQ(Record(ids[2]), root + "/hd/x|02_notitle.mp3|||x|02_notitle|(17)|La la||128|2");

    CSettings::SetInt(ESetting::Folder, 1);
    CSettings::SetString(ESetting::Formatting, "");
    ids = Import("\\Music\\Abba\\broken.mp3\r\nD:\\broken.mp3\r\n", "W");
    ASSERT_EQ(ids.size(), 2);
    EXPECT_EQ(Record(ids[0]), "c:\\Music\\Abba|broken.mp3||Abba||broken|||||");
    EXPECT_EQ(Record(ids[1]), "D:|broken.mp3||||broken|||||") << "a drive is no folder";

    CSettings::SetInt(ESetting::NoID3, 1);
    ids = Import((root + "/disc/Album/song.mp3\r\n").toUtf8(), "S");
    ASSERT_EQ(ids.size(), 1);
    EXPECT_EQ(Record(ids[0]), root + "/disc/Album|song.mp3||Album||song||||128|2");
}

TEST_F(ImportTest, TheOperationStoresRealFilesAndReportsADatabaseFailure)
{
    const QString drive = f.volumes.AddDrive(SVolume::EType::Fixed, 7);
    const QString path = drive + "/Band/Ünï 'song'.mp3";
    const QByteArray tag = CId3Writer(3, CId3Writer::EEncoding::Utf16)
                               .Text("TIT2", "Tïtle")
                               .Text("TPE1", "Ärtist")
                               .Lyrics("Line one\nLine two")
                               .Build();
    ASSERT_TRUE(CMp3Factory::WriteSong(path, CMp3Factory::SStream{}, tag));
    const QString list = f.env.WriteFile("real.m3u", path.toUtf8());
    ops.ImportM3u(list, "Real");
    EXPECT_EQ(f.doc.Sessions().Names(), QStringList({"Real"}));
    EXPECT_EQ(f.doc.SongCount(), 1);
    const QList<qint64> ids = SessionIds("Real");
    ASSERT_EQ(ids.size(), 1);
    EXPECT_EQ(Record(ids[0]), drive + "/Band|Ünï 'song'.mp3|Tïtle|Ärtist||Tïtle||"
                                      "Line one\nLine two||128|10");
    EXPECT_TRUE(f.prompts.messages.isEmpty());

    f.doc.Database().Exec("ALTER TABLE Songs RENAME TO Elsewhere");
    EXPECT_NO_THROW(ops.ImportM3u(list, "Again"));
    ASSERT_FALSE(f.prompts.messages.isEmpty());
    EXPECT_EQ(f.prompts.messages[0].caption, "Database Error");
}

} // namespace
