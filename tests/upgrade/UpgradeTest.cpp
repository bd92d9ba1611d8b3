#include "db/CCdlistSet.h"
#include "library/CSearch.h"
#include "platform/CSettings.h"
#include "support/CDocFixture.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"
#include "support/COldDatabase.h"
#include "upgrade/CUpgrade.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using ELayout = COldSongsSet::ELayout;
using EOutcome = CUpgrade::EOutcome;
using EIcon = CPrompts::EIcon;
using EType = SVolume::EType;

const QString kFailed = "An error occurred while updating the database";

struct UpgradeTest : ::testing::Test
{
    CDocFixture f;
    CCdlistSet& set = f.doc.Set();
    QString old = f.env.Root() + "/songs2.mdb";

    CUpgrade::SResult Upgrade(std::optional<bool> retrieve = std::nullopt)
    {
        return CUpgrade(f.doc, f.services).Upgrade(old, retrieve);
    }
    // Every catalogued song in ID order.
    QList<SOldSong> Songs()
    {
        QList<SOldSong> songs;
        for (set.Requery(); !set.IsEOF(); set.MoveNext())
            songs.append({set.m_CD, set.m_PATH, set.m_MELODI, set.m_TITLE, set.m_ARTIST,
                          set.m_ALBUM, set.m_GENRE, set.m_YEAR, set.m_LYRICS, set.m_LIST,
                          set.m_BITRATE, set.m_COMMENT, set.m_DURATION});
        set.Unfilter();
        return songs;
    }
    QStringList Found(const SSearchCriteria& criteria, bool fast)
    {
        QStringList titles;
        CSearch::Run(set, criteria, {.fast = fast},
                     [&](const CCdlistSet& s) { titles << s.m_TITLE; });
        return titles;
    }
};

TEST_F(UpgradeTest, Version28RowsAreCopiedAsTheyAreAndFoundByEverySearchAtOnce)
{
    f.AddSong("Already", "Kept");
    WriteOldDatabase(old, ELayout::Version28,
                     {{"Rock 'n' Roll", "/cd/rock", "01_river.mp3", "River Deep", "Ike", "Album",
                       "(17)", "1966", "Lyrics", "01 river", "128", "Comment", "215"},
                      {"Blues", "/cd/blues", "x.mp3", "", "", "", "", "", "", "x list"}});
    const CUpgrade::SResult r = Upgrade();
    EXPECT_EQ(r.outcome, EOutcome::Done);
    EXPECT_EQ(r.stored, 2);
    EXPECT_TRUE(f.prompts.messages.isEmpty()) << "no question for the newest layout";
    const CRecordingProgress& p = f.Progresses().back();
    EXPECT_EQ(p.caption, "Updating mp3 info");
    EXPECT_EQ(p.lines, 3);
    EXPECT_EQ(p.width, 350);
    EXPECT_EQ(p.upper, 2);
    EXPECT_EQ(p.message, "Cratewise is updating 2 mp3 files found in the old database...\n\n"
                         "Press Cancel to abort.");
    EXPECT_EQ(p.steps, 2);
    EXPECT_EQ(p.hides, 1);

    const QList<SOldSong> songs = Songs();
    ASSERT_EQ(songs.size(), 3);
    // Sorted by session on the way; LIST is the title when "ID3" is 0.
    const SOldSong& blues = songs[1];
    EXPECT_EQ(blues.cd, "Blues");
    EXPECT_EQ(blues.list, "x list");
    const SOldSong& rock = songs[2];
    EXPECT_EQ(rock.list, "River Deep");
    EXPECT_EQ(QStringList({rock.cd, rock.path, rock.melodi, rock.artist, rock.album, rock.genre,
                           rock.year, rock.lyrics, rock.bitrate, rock.comment, rock.duration}),
              QStringList({"Rock 'n' Roll", "/cd/rock", "01_river.mp3", "Ike", "Album", "(17)",
                           "1966", "Lyrics", "128", "Comment", "215"}));
    EXPECT_EQ(f.doc.SongCount(), 3);
    EXPECT_EQ(f.doc.Sessions().Count(), 3);
    // Substring index, folded copies and the plain prefix comparison all know them.
    EXPECT_EQ(Found({.title = "iver dee"}, false), QStringList{"River Deep"});
    EXPECT_EQ(Found({.artist = "IKE"}, true), QStringList{"River Deep"});
    EXPECT_EQ(Found({.file = "1_RIV"}, false), QStringList{"River Deep"});
}

TEST_F(UpgradeTest, EmptyVersion28TableOpensTheProgressAndAddsNothing)
{
    WriteOldDatabase(old, ELayout::Version28, {});
    const CUpgrade::SResult r = Upgrade();
    EXPECT_EQ(r.outcome, EOutcome::Done);
    const CRecordingProgress& p = f.Progresses().back();
    EXPECT_EQ(p.lower, 0);
    EXPECT_EQ(p.upper, 0);
    EXPECT_EQ(p.steps, 0);
    EXPECT_EQ(p.hides, 1);
    EXPECT_EQ(set.CountAll(), 0);
    EXPECT_TRUE(f.prompts.messages.isEmpty());
}

TEST_F(UpgradeTest, OlderLayoutsLeavePlaceholdersOutAndNameSongsAfterTheirFiles)
{
    for (const ELayout layout : {ELayout::Version25, ELayout::Version2}) {
        SCOPED_TRACE(int(layout));
        CDocFixture fresh;
        WriteOldDatabase(old, layout,
                         {{"Disc", "/cd", "a_b.mp3", "None available", "Error reading ID3 info!",
                           "None available", "XXXX", "XXXX", "Words", "ignored"},
                          {"Disc", "/cd", "c.mp3", "Real", "Artist", "Album", "(1)", "1999"}});
        CSettings::SetInt("ID3", 0);
        const CUpgrade::SResult r = CUpgrade(fresh.doc, fresh.services).Upgrade(old);
        EXPECT_EQ(r.outcome, EOutcome::Done);
        EXPECT_EQ(r.layout, layout);
        ASSERT_EQ(fresh.prompts.messages.size(), 1);
        const auto& question = fresh.prompts.messages[0];
        EXPECT_EQ(question.caption, "Additional Features");
        EXPECT_EQ(question.icon, EIcon::Question);
        EXPECT_EQ(question.text,
                  layout == ELayout::Version25
                      ? "The new database has additional features such as bitrate and "
                        "songlength\nDo you want to retrieve this information?\n(You will be "
                        "prompted to insert the appropriate CD's)"
                      : "The new database has additional features such as bitrate and song "
                        "length\nDo you want to retrieve this information?\n(You will be "
                        "prompted to insert the appropriate CD)");
        CCdlistSet& s = fresh.doc.Set();
        s.Requery();
        ASSERT_FALSE(s.IsEOF());
        EXPECT_EQ(QStringList({s.m_TITLE, s.m_ARTIST, s.m_ALBUM, s.m_GENRE, s.m_YEAR}),
                  QStringList({"", "", "", "", ""}));
        EXPECT_EQ(s.m_LIST, "a_b");
        EXPECT_EQ(s.m_LYRICS, layout == ELayout::Version25 ? "Words" : "");
        EXPECT_TRUE(s.m_BITRATE.isEmpty() && s.m_DURATION.isEmpty());
        s.MoveNext();
        EXPECT_EQ(QStringList({s.m_LIST, s.m_TITLE, s.m_GENRE, s.m_YEAR}),
                  QStringList({"Real", "Real", "(1)", "1999"}));
        s.Unfilter();

        CSettings::SetInt("ID3", 1);
        CUpgrade(fresh.doc, fresh.services).Upgrade(old, false);
        EXPECT_EQ(fresh.prompts.messages.size(), 1) << "the answer was given";
        ASSERT_TRUE(s.FindSongById(4));
        EXPECT_EQ(s.m_LIST, "c") << "the file name when ID3 is 1";
    }
}

TEST_F(UpgradeTest, CancelHalfWayKeepsTheRowsStoredBeforeIt)
{
    QList<SOldSong> rows;
    for (int i = 0; i < 6; ++i)
        rows.append({"S", "/cd", QString("%1.mp3").arg(i), QString("T%1").arg(i)});
    WriteOldDatabase(old, ELayout::Version28, rows);
    f.cancelAfterSteps = 3;
    const CUpgrade::SResult r = Upgrade();
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.stored, 3);
    EXPECT_EQ(set.CountAll(), 3);
    EXPECT_EQ(f.doc.SongCount(), 3);
    EXPECT_EQ(Found({.title = "t2"}, false), QStringList{"T2"});
}

// The disc of one session sits in another drive now; the other's is in none.
TEST_F(UpgradeTest, RetrievalReadsTheFilesWhereTheirDiscIsNowAndSkipsAMissingDisc)
{
    const QString was = f.volumes.AddDrive(EType::CdRom, 0x1111);
    const QString now = f.volumes.AddDrive(EType::CdRom, 0xCAFE);
    f.volumes.serials.remove(was); // nothing in the old drive
    for (const auto& [session, serial] : {std::pair{"Jazz", 0xCAFE}, {"Lost", 0xBAD}}) {
        CSettings::WriteInt(CSettings::kCdrecord, session, int(serial));
        CSettings::WriteString(CSettings::kCDRoot, session, was);
    }
    const QByteArray tag = CId3Writer(3, CId3Writer::EEncoding::Latin1)
                               .Text("TIT2", "Tagged title")
                               .Lyrics("Tag lyrics")
                               .Comment(QString(1100, u'c'))
                               .Build();
    ASSERT_TRUE(CMp3Factory::WriteSong(now + "/jazz/a.mp3", {.bitrate = 160, .seconds = 7}, tag));
    ASSERT_TRUE(CMp3Factory::WriteSong(now + "/jazz/b.mp3", {.bitrate = 160, .seconds = 7}, tag));
    WriteOldDatabase(old, ELayout::Version25,
                     {{"Jazz", was + "/jazz", "a.mp3", "Old title", "", "", "", "", "Old lyrics"},
                      {"Jazz", was + "/jazz", "b.mp3"},
                      {"Lost", was + "/lost", "c.mp3"}});
    const CUpgrade::SResult r = Upgrade(true);
    EXPECT_EQ(r.stored, 3);
    const QList<SOldSong> songs = Songs();
    ASSERT_EQ(songs.size(), 3);
    EXPECT_EQ(songs[0].title, "Old title") << "the tag's fields are not taken again";
    EXPECT_EQ(songs[0].lyrics, "Old lyrics");
    EXPECT_EQ(songs[0].comment, QString(255, u'c'));
    EXPECT_EQ(songs[0].bitrate, "160");
    EXPECT_EQ(songs[0].duration, "7");
    EXPECT_EQ(songs[0].path, was + "/jazz") << "the stored folder stays";
    EXPECT_EQ(songs[1].lyrics, "Tag lyrics");
    EXPECT_EQ(QStringList({songs[2].bitrate, songs[2].duration, songs[2].comment}),
              QStringList({"", "", ""}));
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].text, "Please, insert Lost in any drive.");
    const CRecordingProgress& p = f.Progresses().back();
    EXPECT_EQ(p.shows, 1) << "hidden while asking, shown again for the rest";
    EXPECT_EQ(p.hides, 2);

    // "NoID3" turns the whole retrieval off.
    CSettings::SetInt("NoID3", 1);
    CUpgrade(f.doc, f.services).Upgrade(old, true);
    ASSERT_TRUE(set.FindSongById(4));
    EXPECT_TRUE(set.m_BITRATE.isEmpty());
}

TEST_F(UpgradeTest, FilesNoLayoutOpensAreRefusedWithTheMessageAndAddNothing)
{
    f.AddSong("Mine", "Song");
    sqlite3* locker = nullptr;
    const QString locked = f.env.Root() + "/locked.mdb";
    WriteOldDatabase(locked, ELayout::Version28, {{"S", "/p", "m.mp3"}});
    ASSERT_EQ(sqlite3_open(locked.toUtf8(), &locker), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(locker, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const QString other = f.env.Root() + "/other.mdb";
    sqlite3* db = nullptr;
    sqlite3_open(other.toUtf8(), &db);
    sqlite3_exec(db, "CREATE TABLE Songs(CD, PATH, MELODI)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    for (const QString& file :
         {f.env.WriteFile("text.mdb", "Standard Jet DB\nnot SQLite at all"),
          f.env.Root() + "/missing.mdb", other, locked, f.env.DatabasePath()}) {
        SCOPED_TRACE(file.toStdString());
        f.prompts.messages.clear();
        const CUpgrade::SResult r = CUpgrade(f.doc, f.services).Upgrade(file);
        EXPECT_EQ(r.outcome, EOutcome::NotOpened);
        ASSERT_EQ(f.prompts.messages.size(), 1);
        EXPECT_EQ(f.prompts.messages[0].text, kFailed);
        EXPECT_EQ(f.prompts.messages[0].caption, "Error");
        EXPECT_EQ(f.prompts.messages[0].icon, EIcon::Error);
        EXPECT_EQ(set.CountAll(), 1);
    }
    sqlite3_close(locker);
}

} // namespace
