#include "PlaylistFixture.h"
#include "intake/CTagReader.h"
#include "platform/CSettings.h"
#include "platform/CVolumes.h"
#include "playlist/CPlaylistLoader.h"
#include "support/CFakeVolumes.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"

namespace {

class M3uLoadTest : public PlaylistFixture
{
protected:
    QString WritePlaylist(const QString& relative, const QByteArray& text)
    {
        return env.WriteFile(relative, text);
    }
    void Load(const QString& file)
    {
        prompts.files.enqueue(file);
        host->actions[ID_LOAD_PLAYLIST]->trigger();
    }
};

TEST_F(M3uLoadTest, ExportedPlaylistLoadsBackCompletelyInOrder)
{
    const qint32 a = AddSong("CD1", "/music/Rock", "It's – Ünïcode.mp3");
    const qint32 b = AddSong("CD2", "/music/O'Brien's", "100% \\ \"quoted\".mp3");
    const qint32 c = AddSong("CD1", "/", "root.mp3");
    for (qint32 id : {b, a, c, b})
        AddEntry(id);
    const QString file = env.Root() + "/round.m3u";
    prompts.files.enqueue(file);
    host->actions[ID_EXPORT_M3U]->trigger();
    host->actions[ID_CLEAR_PLAYLIST]->trigger();

    Load(file);
    EXPECT_EQ(SongListIds(), QList<qint32>({b, a, c, b}));
    EXPECT_TRUE(prompts.warnings.isEmpty());
    EXPECT_EQ(host->playlist->count(), 0); // AddOnSearch 0 leaves the playlist alone
    ExpectSetRestored();
    ASSERT_EQ(prompts.fileDialogs.size(), 2);
    EXPECT_EQ(prompts.fileDialogs[1].title, "Open Playlist...");
}

TEST_F(M3uLoadTest, LinesAreMatchedIgnoringCaseAndRelativeToThePlaylist)
{
    const QString folder = env.Root() + "/lists";
    const qint32 near = AddSong("CD1", folder + "/sub", "Near.mp3");
    const qint32 far = AddSong("CD1", env.Root() + "/other", "ÉTÉ.mp3");
    const QString file = WritePlaylist("lists/mixed.m3u", "\xEF\xBB\xBF#EXTM3U\r\n"
                                                          "#EXTINF:123,Somebody - Near\r\n"
                                                          "sub/near.MP3\r\n"
                                                          "\r\n"
                                                          "../other/été.mp3\n"
                                                          "./sub/./Near.mp3");
    CSettings::SetInt("AddOnSearch", 1);
    Load(file);
    EXPECT_EQ(SongListIds(), QList<qint32>({near, far, near}));
    EXPECT_EQ(controller->EntryIds(), QList<qint32>({near, far, near}));
    EXPECT_EQ(PlaylistTexts(), QStringList({"Near", "ÉTÉ", "Near"}));
    EXPECT_TRUE(host->updateEnabled);
    EXPECT_TRUE(prompts.warnings.isEmpty());
}

TEST_F(M3uLoadTest, PlaylistsWrittenInLatin1FindTheirSongs)
{
    // Most players write .m3u files in a single-byte code page, not in UTF-8.
    const qint32 bjork = AddSong("CD1", "/music/Björk", "Jóga.mp3");
    const qint32 utf8 = AddSong("CD1", "/music", "Ünïcode.mp3");
    Load(WritePlaylist("latin1.m3u", "/music/Bj\xF6rk/J\xF3ga.mp3\r\n/music/Ünïcode.mp3\r\n"));
    EXPECT_EQ(SongListIds(), QList<qint32>({bjork, utf8})) << "each line read as it was written";
    EXPECT_TRUE(prompts.warnings.isEmpty());
}

TEST_F(M3uLoadTest, MissingAndWindowsLinesWarnOncePerLineUntilSilenced)
{
    const qint32 a = AddSong("CD1", "c:", "a.mp3"); // never matched by a Windows line
    const QString file = WritePlaylist("w.m3u", "\\music\\a.mp3\r\n"
                                                "D:\\Music\\It's.mp3\r\n"
                                                "/nowhere/b.mp3\r\n"
                                                "/nowhere/c.mp3\r\n");
    prompts.warningBoxes << 0 << 0 << 1;
    Load(file);
    EXPECT_EQ(prompts.warnings, QStringList({CPlaylistLoader::NotFoundText("a.mp3"),
                                             CPlaylistLoader::NotFoundText("It's.mp3"),
                                             CPlaylistLoader::NotFoundText("b.mp3")}));
    EXPECT_EQ(prompts.warnings[0], "The file a.mp3 couldn't be found in the database.\n"
                                   "It want be added to the playlist");
    EXPECT_EQ(CSettings::Int("WarningFound", 0), 1);
    EXPECT_EQ(host->songs->RowCount(), 0);
    ExpectSetRestored();
    EXPECT_TRUE(set.FindSongById(a));

    Load(file); // silenced
    EXPECT_EQ(prompts.warnings.size(), 3);
}

TEST_F(M3uLoadTest, UnreadablePlaylistIsReportedAndChangesNothing)
{
    const qint32 a = AddSong("CD1", "/m", "a.mp3");
    set.FindSongById(a);
    host->InsertSongRow(0);
    Load(env.Root() + "/missing.m3u");
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.contains("missing.m3u"));
    EXPECT_EQ(host->songs->RowCount(), 1);
}

class ImportTest : public PlaylistFixture
{
protected:
    void SetUp() override
    {
        host->sessionName = "Imported 'n' more";
        host->importTools.readTag = [this](const QString& path, STagFields& fields) {
            read << path;
            if (path.endsWith("broken.mp3"))
                return false;
            fields.title = path.endsWith("notitle.mp3") ? QString() : QString(40, u'T');
            fields.artist = "Artist";
            fields.lyrics = "La la";
            fields.genre = "(17)";
            return true;
        };
        host->importTools.applyFormatting = [](const QString& name, const QString&, QString& artist,
                                               QString& title, QString&) {
            artist = "Fmt";
            title = name.left(3);
            return !name.startsWith("x");
        };
        host->importTools.probe = [](const QString&, QString& bitrate, QString& duration) {
            bitrate = "128";
            duration = "61";
        };
        host->importTools.locate = [](const QString& path, const QString&) {
            return path.startsWith("/cd/") ? QString("/media/disc/") + path.mid(4) : QString();
        };
    }
    void Import(const QByteArray& text)
    {
        prompts.files.enqueue(env.WriteFile("imp.m3u", text));
        host->actions[ID_IMPORT_M3U]->trigger();
    }
    QList<qint32> SessionIds()
    {
        QList<qint32> ids;
        set.SetFilter(CFilter::Exactly(ESongColumn::CD, host->sessionName));
        for (set.Requery(); !set.IsEOF(); set.MoveNext())
            ids << set.m_ID;
        set.SetFilter(CFilter());
        set.Requery();
        return ids;
    }

    QStringList read;
};

TEST_F(ImportTest, EachLineBecomesARecordFromTagNameAndProbe)
{
    CSettings::SetInt("Folder", 2);
    CSettings::SetString("Formatting", "%1 - %2");
    Import("#EXTM3U\r\n/cd/Album/song.mp3\r\n\r\n/hd/Dir/broken.mp3\r\n/hd/x/xnotitle.mp3\r\n");

    const QList<qint32> ids = SessionIds();
    ASSERT_EQ(ids.size(), 3);
    EXPECT_EQ(host->songCount, 3);
    EXPECT_EQ(host->sessionListFills, 1);
    EXPECT_TRUE(CSettings::Contains(CSettings::kCDPath, host->sessionName));
    ExpectSetRestored();

    ASSERT_TRUE(set.FindSongById(ids[0])); // moved to where the disc is now
    EXPECT_EQ(set.m_PATH, "/media/disc/Album");
    EXPECT_EQ(set.m_MELODI, "song.mp3");
    EXPECT_EQ(set.m_TITLE, QString(30, u'T'));
    EXPECT_EQ(set.m_LIST, set.m_TITLE);
    EXPECT_EQ(set.m_LYRICS, "La la");
    EXPECT_EQ(set.m_COMMENT, "");
    EXPECT_EQ(set.m_GENRE, "(17)");
    EXPECT_EQ(set.m_ALBUM, "Album");
    EXPECT_EQ(set.m_BITRATE, "128");
    EXPECT_EQ(set.m_DURATION, "61");

    ASSERT_TRUE(set.FindSongById(ids[1])); // unreadable tag: the file name rules
    EXPECT_EQ(set.m_PATH, "/hd/Dir");      // not found: the listed path is kept
    EXPECT_EQ(set.m_TITLE, "bro");
    EXPECT_EQ(set.m_ARTIST, "Fmt");
    EXPECT_EQ(set.m_ALBUM, "Dir");

    ASSERT_TRUE(set.FindSongById(ids[2])); // the formatting failed: all three emptied
    EXPECT_EQ(set.m_TITLE, "");
    EXPECT_EQ(set.m_ARTIST, "");
    EXPECT_EQ(set.m_ALBUM, "x");
    EXPECT_EQ(set.m_LIST, "xnotitle");
    EXPECT_EQ(read, QStringList({"/media/disc/Album/song.mp3", "/hd/Dir/broken.mp3",
                                 "/hd/x/xnotitle.mp3"}));
}

TEST_F(ImportTest, WindowsLinesTakeTheirLastFolderForTheArtist)
{
    CSettings::SetInt("Folder", 1);
    host->sessionName = "W";
    Import("\\Music\\Abba\\broken.mp3\r\nD:\\broken.mp3\r\n"); // no tags
    const QList<qint32> ids = SessionIds();
    ASSERT_EQ(ids.size(), 2);
    ASSERT_TRUE(set.FindSongById(ids[0]));
    EXPECT_EQ(set.m_PATH, "c:\\Music\\Abba");
    EXPECT_EQ(set.m_MELODI, "broken.mp3");
    EXPECT_EQ(set.m_ARTIST, "Abba");
    ASSERT_TRUE(set.FindSongById(ids[1]));
    EXPECT_EQ(set.m_ARTIST, "") << "a drive is no folder name";
}

TEST_F(ImportTest, CancelledNameOrNoId3SettingAreHonoured)
{
    host->sessionName.clear();
    Import("/hd/a.mp3\r\n");
    EXPECT_EQ(set.CountAll(), 0);

    host->sessionName = "S";
    CSettings::SetInt("NoID3", 1);
    CSettings::SetInt("ID3", 1);
    Import("/hd/a.mp3\r\n");
    EXPECT_TRUE(read.isEmpty());
    ASSERT_EQ(SessionIds().size(), 1);
    EXPECT_EQ(set.m_LIST, "a");
}

TEST_F(ImportTest, ADatabaseFailureIsReportedAndTheWindowCarriesOn)
{
    host->sessionName = "S";
    db.Exec("ALTER TABLE Songs RENAME TO Elsewhere");
    EXPECT_NO_THROW(Import("/hd/a.mp3\r\n"));
    ASSERT_FALSE(prompts.messages.isEmpty());
    EXPECT_EQ(prompts.messages[0].caption, "Database Error");
}

TEST_F(ImportTest, RealFilesKeepTheirLyricsAndLength)
{
    CFakeVolumes volumes;
    const QString drive = volumes.AddDrive(SVolume::EType::Fixed, 7);
    const QString path = drive + "/Band/Ünï 'song'.mp3";
    const QByteArray tag = CId3Writer(3, CId3Writer::EEncoding::Utf16)
                               .Text("TIT2", "Tïtle")
                               .Text("TPE1", "Ärtist")
                               .Lyrics("Line one\nLine two")
                               .Build();
    ASSERT_TRUE(CMp3Factory::WriteSong(path, CMp3Factory::SStream{}, tag));
    host->importTools = SImportTools::Standard(volumes, prompts);
    Import(QString("%1\r\n").arg(path).toUtf8());

    const QList<qint32> ids = SessionIds();
    ASSERT_EQ(ids.size(), 1);
    ASSERT_TRUE(set.FindSongById(ids[0]));
    EXPECT_EQ(set.m_PATH, drive + "/Band");
    EXPECT_EQ(set.m_MELODI, "Ünï 'song'.mp3");
    EXPECT_EQ(set.m_TITLE, "Tïtle");
    EXPECT_EQ(set.m_LIST, "Tïtle");
    EXPECT_EQ(set.m_ARTIST, "Ärtist");
    EXPECT_EQ(set.m_LYRICS, "Line one\nLine two");
    EXPECT_EQ(set.m_COMMENT, "");
    EXPECT_EQ(set.m_BITRATE, "128");
    EXPECT_EQ(set.m_DURATION, "10");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

} // namespace
