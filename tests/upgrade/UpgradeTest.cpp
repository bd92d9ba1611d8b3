#include "db/CCdlistSet.h"
#include "library/CSearch.h"
#include "platform/CSettings.h"
#include "support/CDocFixture.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"
#include "support/COldDatabase.h"
#include "upgrade/CUpgrade.h"
#include "upgrade/CUpgradeTexts.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using ELayout = COldSongsSet::ELayout;

// Per song in ID order: CD|PATH|MELODI|LIST|TITLE|ARTIST|ALBUM|GENRE|YEAR|LYRICS|BITRATE|
// COMMENT|DURATION.
QStringList Rows(CCdlistSet& set)
{
    QStringList rows;
    set.Walk(CFilter(), [&rows](const SSong& s) {
        rows << QStringList{s.m_CD,      s.m_PATH,    s.m_MELODI,  s.m_LIST, s.m_TITLE,
                            s.m_ARTIST,  s.m_ALBUM,   s.m_GENRE,   s.m_YEAR, s.m_LYRICS,
                            s.m_BITRATE, s.m_COMMENT, s.m_DURATION}
                    .join('|');
        return true;
    });
    return rows;
}

struct UpgradeTest : ::testing::Test
{
    CDocFixture f;
    CCdlistSet& set = f.doc.Set();
    QString old = f.env.Root() + "/songs2.mdb";

    CUpgrade::SResult Upgrade(std::optional<bool> retrieve = std::nullopt)
    {
        return CUpgrade(f.doc, f.services).Upgrade(old, retrieve);
    }
    QStringList Found(const SSearchCriteria& criteria, bool fast)
    {
        QStringList titles;
        CSearch::Run(set, criteria, {.fast = fast}, [&](const SSong& s) { titles << s.m_TITLE; });
        return titles;
    }
};

TEST_F(UpgradeTest, Version28RowsAreCopiedAsTheyAreAndFoundByEverySearchAtOnce)
{
    // An empty table still opens the progress, and closes it having added nothing.
    WriteOldDatabase(old, ELayout::Version28, {});
    EXPECT_EQ(Upgrade().outcome, CUpgrade::EOutcome::Done);
    const CRecordingProgress& none = f.Progresses().back();
    EXPECT_EQ(QList<int>({none.upper, none.steps, none.hides}), QList<int>({0, 0, 1}));
    EXPECT_EQ(set.CountAll(), 0);

    WriteOldDatabase(old, ELayout::Version28,
                     {{"Rock", "/cd", "01_river.mp3", "River Deep", "Ike", "Al", "(17)", "1966",
                       "Words", "01 river", "128", "Note", "215"},
                      {"Blues", "/cd", "x.mp3", "", "", "", "", "", "", "x list"}});
    const CUpgrade::SResult r = Upgrade();
    EXPECT_EQ(r.stored, 2);
    EXPECT_TRUE(f.prompts.messages.isEmpty()) << "no question for the newest layout";
    const CRecordingProgress& p = f.Progresses().back();
    EXPECT_EQ(QVariantList({p.caption, p.lines, p.width, p.upper, p.steps}),
              QVariantList({"Updating song information", 3, 350, 2, 2}));
    EXPECT_EQ(p.message, "Cratewise is updating 2 songs found in the old database...\n\n"
                         "Press Cancel to abort.");
    // In the old table's ID order; LIST becomes the title while "ID3" is 0.
    EXPECT_EQ(Rows(set), QStringList({"Rock|/cd|01_river.mp3|River Deep|River Deep|Ike|Al|(17)|"
                                      "1966|Words|128|Note|215",
                                      "Blues|/cd|x.mp3|x list|||||||||"}));
    EXPECT_EQ(f.doc.SongCount(), 2);
    EXPECT_EQ(f.doc.Sessions().Names(), QStringList({"Blues", "Rock"}));
    EXPECT_EQ(Found({.title = "iver dee"}, false), QStringList{"River Deep"});
    EXPECT_EQ(Found({.artist = "IKE"}, true), QStringList{"River Deep"});
}

// Layout 2.8 wrote the same placeholders where its tag reader found nothing.
TEST_F(UpgradeTest, Version28PlaceholdersAreLeftOut)
{
    WriteOldDatabase(old, ELayout::Version28,
                     {{"D", "/cd", "a.mp3", "None available", "Error reading ID3 info!",
                       "None available", "XXXX", "XXXX", "", "a list", "128", "", "60"}});
    Upgrade();
    EXPECT_EQ(Rows(set), QStringList{"D|/cd|a.mp3|a list|||||||128||60"});
}

TEST_F(UpgradeTest, OlderLayoutsLeavePlaceholdersOutAndNameSongsAfterTheirFiles)
{
    const QString question = "The new database has additional features such as bitrate and "
                             "%1\nDo you want to retrieve this information?\n(You will be "
                             "prompted to insert the appropriate %2)";
    for (const ELayout layout : {ELayout::Version25, ELayout::Version2}) {
        CDocFixture g;
        WriteOldDatabase(old, layout,
                         {{"D", "/cd", "a_b.mp3", "None available", "Error reading ID3 info!",
                           "None available", "XXXX", "XXXX", "Words", "old list"},
                          {"D", "/cd", "c.mp3", "Real", "Artist", "Album", "(1)", "1999"}});
        CUpgrade(g.doc, g.services).Upgrade(old);
        ASSERT_EQ(g.prompts.messages.size(), 1);
        EXPECT_EQ(g.prompts.messages[0].text, layout == ELayout::Version25
                                                  ? question.arg("songlength", "CDs")
                                                  : question.arg("song length", "CD"));
        EXPECT_EQ(g.prompts.messages[0].caption, "Additional Features");
        const QString words = layout == ELayout::Version25 ? "Words" : "";
        CSettings::SetInt(ESetting::ID3, 1);
        CUpgrade(g.doc, g.services).Upgrade(old, false);
        CSettings::SetInt(ESetting::ID3, 0);
        EXPECT_EQ(g.prompts.messages.size(), 1) << "the answer was given";
        EXPECT_EQ(Rows(g.doc.Set()), QStringList({"D|/cd|a_b.mp3|a_b||||||" + words + "|||",
                                                  "D|/cd|c.mp3|Real|Real|Artist|Album|(1)|1999||||",
                                                  "D|/cd|a_b.mp3|a_b||||||" + words + "|||",
                                                  "D|/cd|c.mp3|c|Real|Artist|Album|(1)|1999||||"}));
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
    EXPECT_EQ(QList<qint64>({r.stored, set.CountAll(), f.doc.SongCount()}),
              QList<qint64>({3, 3, 3}));
    EXPECT_EQ(Found({.title = "t2"}, false), QStringList{"T2"});
}

// One session's disc sits in another drive now; the other's is in none.
TEST_F(UpgradeTest, RetrievalReadsTheFilesWhereTheirDiscIsNowAndSkipsAMissingDisc)
{
    using EType = SVolume::EType;
    const QString was = f.volumes.AddDrive(EType::CdRom, 0x1111, false);
    const QString now = f.volumes.AddDrive(EType::CdRom, 0xCAFE);
    for (const auto& [session, serial] : {std::pair{"Jazz", 0xCAFE}, {"Lost", 0xBAD}}) {
        CSettings::WriteInt(CSettings::kCdrecord, session, int(serial));
        CSettings::WriteString(CSettings::kCDRoot, session, was);
    }
    const QByteArray tag = CId3Writer(3, CId3Writer::EEncoding::Latin1)
                               .Lyrics("Tag words")
                               .Comment(QString(1100, u'c'))
                               .Build();
    for (const char* name : {"/jazz/a.mp3", "/jazz/b.mp3"})
        ASSERT_TRUE(CMp3Factory::WriteSong(now + name, {.bitrate = 160, .seconds = 7}, tag));
    WriteOldDatabase(old, ELayout::Version25,
                     {{"Jazz", was + "/jazz", "a.mp3", "", "", "", "", "", "Old words"},
                      {"Jazz", was + "/jazz", "b.mp3"},
                      {"Lost", was + "/lost", "c.mp3"}});
    Upgrade(true);
    const QString c250(250, u'c'); // as a scan keeps it
    EXPECT_EQ(Rows(set),
              QStringList({"Jazz|" + was + "/jazz|a.mp3|a||||||Old words|160|" + c250 + "|7",
                           "Jazz|" + was + "/jazz|b.mp3|b||||||Tag words|160|" + c250 + "|7",
                           "Lost|" + was + "/lost|c.mp3|c|||||||||"}));
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].text, "Insert the disc \"Lost\" in any drive.");
    EXPECT_EQ(f.Progresses().back().shows, 1) << "hidden while asking, shown again after";
}

TEST_F(UpgradeTest, FilesNoLayoutOpensAreRefusedWithTheMessageAndAddNothing)
{
    const QString locked = f.env.Root() + "/locked.mdb";
    WriteOldDatabase(locked, ELayout::Version28, {{"S", "/p", "m.mp3"}});
    sqlite3* locker = nullptr;
    sqlite3_open(locked.toUtf8(), &locker);
    ASSERT_EQ(sqlite3_exec(locker, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const QString other = f.env.Root() + "/other.mdb";
    sqlite3* db = nullptr;
    sqlite3_open(other.toUtf8(), &db);
    sqlite3_exec(db, "CREATE TABLE Songs(CD, PATH, MELODI)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    f.AddSong("Mine", "Song");
    for (const QString& file :
         {f.env.WriteFile("text.mdb", "Standard Jet DB"), f.env.Root() + "/missing.mdb", other,
          locked, f.env.DatabasePath()}) {
        SCOPED_TRACE(file.toStdString());
        f.prompts.messages.clear();
        EXPECT_EQ(CUpgrade(f.doc, f.services).Upgrade(file).outcome, CUpgrade::EOutcome::NotOpened);
        ASSERT_EQ(f.prompts.messages.size(), 1);
        EXPECT_EQ(f.prompts.messages[0].text, CUpgradeTexts::NotOpened(file));
        EXPECT_EQ(f.prompts.messages[0].caption, "Error");
        EXPECT_EQ(f.prompts.messages[0].icon, CPrompts::EIcon::Error);
        EXPECT_EQ(set.CountAll(), 1);
    }
    sqlite3_close(locker);
}

} // namespace
