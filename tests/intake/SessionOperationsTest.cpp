#include "db/CCdlistSet.h"
#include "intake/CSessionOperations.h"
#include "intake/CSessionTexts.h"
#include "model/CDriveLocator.h"
#include "platform/CSettings.h"
#include "support/CDocFixture.h"
#include "support/CMp3Factory.h"

#include <QDir>
#include <QFile>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

using EOutcome = CSessionOperations::EOutcome;
using EType = SVolume::EType;

struct SessionOperationsTest : ::testing::Test
{
    CDocFixture f;
    CCdlistDoc& doc = f.doc;
    CCdlistSet& set = f.doc.Set();
    CScriptedPrompts& prompts = f.prompts;
    CSessionOperations ops{f.doc, f.services};
    QString drive;

    void SetUp() override
    {
        f.volumes.Mount("/", EType::Fixed, 0, false);
        drive = f.volumes.AddDrive(EType::CdRom, 0xBEEF0001);
    }
    // A folder on the fake CD drive with n plain files named like songs.
    QString Folder(const QString& name, int n)
    {
        const QString folder = drive + "/" + name;
        QDir().mkpath(folder);
        for (int i = 0; i < n; ++i) {
            QFile file(folder + QString("/%1 - Song %2.mp3").arg(name).arg(i));
            file.open(QIODevice::WriteOnly);
        }
        return folder;
    }
    QStringList Column(ESongColumn column, const QString& session)
    {
        QStringList values;
        set.Walk(CFilter::Exactly(ESongColumn::CD, session), [&](const SSong& song) {
            values << song.Text(column);
            return true;
        });
        values.sort();
        return values;
    }
    const QStringList& Sessions() { return doc.Sessions().Names(); }
    // The playlist and the song list show these songs.
    void FillLists(const QList<qint64>& ids = {1})
    {
        for (const qint64 id : ids) {
            doc.Playlist().Append("Song", id);
            doc.Songs().InsertRow(0, {id, {}});
        }
    }
    void ExpectListsCleared()
    {
        EXPECT_EQ(doc.Playlist().Count(), 0);
        EXPECT_EQ(doc.Songs().RowCount(), 0);
    }
    void ExpectSetReset() { EXPECT_FALSE(doc.IsBusy()); }
    // What another connection (the next run of the program) sees.
    static qint64 CommittedCount(const QString& path)
    {
        CDatabase other;
        other.Open(path);
        CCdlistSet otherSet;
        otherSet.Open(other);
        return otherSet.CountAll();
    }
};

TEST_F(SessionOperationsTest, AddSessionStoresEverySongAndRecordsTheDisc)
{
    const QString folder = Folder("Jazz", 2);
    ASSERT_TRUE(CMp3Factory::WriteTaggedSong(folder + "/deep/TAGGED.MP3", 3.0, 128,
                                             CMp3Factory::EKind::Cbr, "Blue", "Miles", "Kind"));
    const QString name = "Jazz 'n' \"Blues\" 100%";
    const auto result = ops.AddSession(name, folder + "/");
    EXPECT_EQ(result.outcome, EOutcome::Done);
    EXPECT_EQ(result.stored, 3);
    EXPECT_EQ(doc.SongCount(), 3);
    EXPECT_EQ(Sessions(), QStringList{name});
    EXPECT_EQ(f.player.calls, QStringList{QString("Command %1").arg(int(CWinampRemote::Stop))});

    ASSERT_EQ(f.Progresses().size(), 1u);
    const CRecordingProgress& progress = f.Progresses().back();
    EXPECT_EQ(progress.caption, "Getting song information");
    EXPECT_EQ(progress.lines, 3);
    EXPECT_EQ(progress.width, 250);
    EXPECT_EQ(progress.upper, 3);
    EXPECT_EQ(progress.message, "Cratewise is adding 3 found songs...\n\nPress Cancel to abort.");
    EXPECT_EQ(progress.hides, 1);

    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, name, "?"), folder);
    EXPECT_EQ(quint32(CSettings::GetInt(CSettings::kCdrecord, name, 0)), 0xBEEF0001u);
    EXPECT_EQ(CSettings::GetString(CSettings::kCDRoot, name, "?"), drive);
    EXPECT_EQ(Column(ESongColumn::PATH, name), (QStringList{folder, folder, folder + "/deep"}));
    // The tag names one song, the default file-name pattern the others.
    EXPECT_EQ(Column(ESongColumn::TITLE, name), (QStringList{"Blue", "Song 0", "Song 1"}));
    EXPECT_TRUE(CSettings::String(ESetting::ErrorFile).isEmpty());
    ExpectSetReset();
}

TEST_F(SessionOperationsTest, MissingFolderAndFolderWithoutSongsAreRefused)
{
    EXPECT_EQ(ops.AddSession("X", drive + "/nowhere").outcome, EOutcome::InvalidPath);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, "Invalid path!");
    EXPECT_EQ(prompts.messages[0].caption, "Error");
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Error);
    EXPECT_TRUE(f.player.calls.isEmpty());

    EXPECT_EQ(ops.AddSession("X", "").outcome, EOutcome::NoFolder);
    EXPECT_EQ(prompts.messages.size(), 1);

    EXPECT_EQ(ops.AddSession("X", Folder("Empty", 0)).outcome, EOutcome::NoFiles);
    EXPECT_EQ(prompts.messages.last().text, "No files were found in the specified location.");
    EXPECT_EQ(prompts.messages.last().caption, "No files found");
    EXPECT_EQ(prompts.messages.last().icon, CPrompts::EIcon::Information);
    EXPECT_TRUE(Sessions().isEmpty());
    EXPECT_FALSE(CSettings::Contains(CSettings::kCDPath, "X"));
    EXPECT_FALSE(doc.IsBusy());
}

TEST_F(SessionOperationsTest, CancelRightAfterTheStartStillListsAndRecordsTheSession)
{
    f.cancelAfterSteps = 0;
    const auto result = ops.AddSession("Pop", Folder("Pop", 4));
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.stored, 0);
    EXPECT_EQ(doc.SongCount(), 0);
    EXPECT_EQ(set.CountAll(), 0);
    EXPECT_EQ(Sessions(), QStringList{"Pop"});
    EXPECT_TRUE(CSettings::Contains(CSettings::kCDPath, "Pop"));
    EXPECT_TRUE(CSettings::Contains(CSettings::kCdrecord, "Pop"));
}

TEST_F(SessionOperationsTest, CancelDuringTheScanKeepsWhatWasStored)
{
    f.cancelAfterSteps = 2;
    const auto result = ops.AddSession("Pop", Folder("Pop", 5));
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.stored, 2);
    EXPECT_EQ(result.cancelNote, "The scan was cancelled: 2 songs were stored in \"Pop\". Update "
                                 "Session scans the folder again and finishes the job.");
    EXPECT_EQ(doc.SongCount(), set.CountAll());
    EXPECT_EQ(CommittedCount(f.env.DatabasePath()), 2);
}

TEST_F(SessionOperationsTest, AFailedCommitIsReportedAndLaterScansAreStoredForGood)
{
    const QString live = Folder("live", 2);
    ops.AddSession("Live", live);
    // A check the database makes only when the transaction is committed.
    doc.Database().Exec(
        "PRAGMA foreign_keys=ON; CREATE TABLE Owner(id INTEGER PRIMARY KEY);"
        "CREATE TABLE Claim(owner INTEGER REFERENCES Owner(id) DEFERRABLE INITIALLY DEFERRED);"
        "CREATE TRIGGER claim AFTER INSERT ON Songs BEGIN INSERT INTO Claim VALUES(1); END;");
    const QString bad = Folder("bad", 2);
    EXPECT_EQ(ops.AddSession("Bad", bad).outcome, EOutcome::Failed);
    EXPECT_EQ(prompts.messages.last().caption, "Error");
    EXPECT_TRUE(prompts.messages.last().text.startsWith("Cannot write the song database " +
                                                        f.env.DatabasePath() + ": "));
    EXPECT_TRUE(prompts.messages.last().text.endsWith("\n" + bad));
    EXPECT_EQ(doc.SongCount(), set.CountAll());
    QFile(live + "/more.mp3").open(QIODevice::WriteOnly); // a new song for the update
    EXPECT_EQ(ops.UpdateSessionNamed("Live").outcome, EOutcome::Failed);
    EXPECT_TRUE(prompts.messages.last().text.startsWith("Cannot write the song database "));
    EXPECT_TRUE(prompts.messages.last().text.endsWith("\n" + live));

    doc.Database().Exec("DROP TRIGGER claim;");
    EXPECT_EQ(ops.AddSession("Good", Folder("good", 2)).stored, 2);
    EXPECT_EQ(doc.SongCount(), set.CountAll());
    EXPECT_EQ(CommittedCount(f.env.DatabasePath()), set.CountAll());
    ExpectSetReset();
}

// The window pumps events during a scan; a refresh of the browsing set then must not
// drop the record being stored. Commands are held off meanwhile by the busy state.
TEST_F(SessionOperationsTest, AScanKeepsTheDocumentBusyAndIsImmuneToTheBrowsingSet)
{
    f.AddSong("Old", "Kept");
    QList<bool> busy;        // as the document announces it
    QList<bool> busyAtPumps; // as the window finds it while events are pumped
    struct CBrowsingProgress : CRecordingProgress
    {
        CCdlistDoc* doc = nullptr;
        QList<bool>* busy = nullptr;
        bool Pump(bool escape) override
        {
            *busy << doc->IsBusy();
            doc->Set().Walk(CFilter::Exactly(ESongColumn::CD, "Old"),
                            [](const SSong&) { return true; });
            return CRecordingProgress::Pump(escape);
        }
    };
    f.services.createProgress = [&](const QString&, int, int) {
        auto progress = std::make_unique<CBrowsingProgress>();
        progress->doc = &doc;
        progress->busy = &busyAtPumps;
        return std::unique_ptr<CProgress>(std::move(progress));
    };
    QObject::connect(&doc, &CCdlistDoc::BusyChanged, [&](bool b) { busy << b; });
    EXPECT_EQ(ops.AddSession("New", Folder("new", 3)).stored, 3);
    EXPECT_EQ(busy, (QList<bool>{true, false}));
    EXPECT_EQ(busyAtPumps, QList<bool>(3, true));
    EXPECT_EQ(Column(ESongColumn::CD, "New").size(), 3);
    EXPECT_EQ(Column(ESongColumn::TITLE, "Old"), QStringList{"Kept"});
}

TEST_F(SessionOperationsTest, DeleteChecksAsksAndRemovesOnlyTheExactSession)
{
    ops.DeleteSession("Rock");
    EXPECT_EQ(prompts.messages.last().text, "The database is already empty!");
    EXPECT_EQ(prompts.messages.last().caption, "Database empty");

    ops.AddSession("Rock", Folder("a", 2));
    ops.AddSession("rock", Folder("b", 3));
    ops.DeleteSession(std::nullopt);
    EXPECT_EQ(prompts.messages.last().text, "No session selected!");
    EXPECT_EQ(prompts.messages.last().caption, "Error");

    FillLists({1, 3});                                                 // one song of each
    EXPECT_EQ(ops.DeleteSession("rock").outcome, EOutcome::Abandoned); // Cancel
    EXPECT_EQ(prompts.messages.last().text, CSessionTexts::ConfirmDelete("rock", 3, 1));
    EXPECT_EQ(prompts.messages.last().caption, "Confirm delete...");
    EXPECT_EQ(prompts.messages.last().icon, CPrompts::EIcon::Exclamation);
    EXPECT_EQ(set.CountAll(), 5);
    EXPECT_EQ(doc.Playlist().Count(), 2);

    prompts.answers << CPrompts::EAnswer::Ok;
    const auto result = ops.DeleteSession("rock");
    EXPECT_EQ(result.deleted, 3);
    EXPECT_EQ(doc.SongCount(), 2);
    EXPECT_EQ(Sessions(), QStringList{"Rock"});
    EXPECT_EQ(Column(ESongColumn::CD, "Rock").size(), 2);
    // Only the deleted session's songs leave the lists.
    EXPECT_EQ(doc.Playlist().Ids(), QList<qint64>{1});
    ASSERT_EQ(doc.Songs().RowCount(), 1);
    EXPECT_EQ(doc.Songs().Id(0), 1);
    // The recorded folder and disc stay behind.
    EXPECT_TRUE(CSettings::Contains(CSettings::kCDPath, "rock"));
    ExpectSetReset();
}

// Renaming onto an existing name is a merge, asked first; the merged session keeps every
// folder, an update rescans each and never removes the songs of a folder it did not scan.
TEST_F(SessionOperationsTest, AMergeIsAskedForAndKeepsEveryFolderThroughUpdates)
{
    const QString a = Folder("a", 2), b = Folder("b", 1);
    ops.AddSession("A/B=C", a);
    ops.AddSession("Best", b);
    ASSERT_EQ(ops.RenameSession("A/B=C", "Best").outcome, EOutcome::Abandoned); // Cancel
    EXPECT_EQ(prompts.messages.last().caption, "Rename Session");
    EXPECT_EQ(Sessions().size(), 2);
    prompts.answers << CPrompts::EAnswer::Ok;
    EXPECT_EQ(ops.RenameSession("A/B=C", "Best").outcome, EOutcome::Done);
    EXPECT_EQ(Column(ESongColumn::CD, "Best").size(), 3);
    EXPECT_EQ(Sessions(), QStringList{"Best"});
    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, "Best", ""), b);
    EXPECT_EQ(quint32(CSettings::GetInt(CSettings::kCdrecord, "Best", 0)), 0xBEEF0001u);
    EXPECT_FALSE(CSettings::Contains(CSettings::kCDPath, "A/B=C"));

    const int asked = int(prompts.messages.size());
    ops.RenameSession("Best", "New"); // nothing to merge with: no question
    EXPECT_EQ(prompts.messages.size(), asked);
    QFile(a + "/new.mp3").open(QIODevice::WriteOnly);
    AddTestSong(set, {.cd = "New", .path = drive + "/elsewhere"}); // of no folder of it
    auto result = ops.UpdateSession("New");
    EXPECT_EQ(result.deleted, 0) << "every file is there still: its song is kept";
    EXPECT_EQ(result.stored, 4);
    EXPECT_EQ(Column(ESongColumn::CD, "New").size(), 5);

    QDir(b).removeRecursively(); // its disc is out: its songs stay
    result = ops.UpdateSessionNamed("New");
    EXPECT_EQ(result.deleted, 0);
    EXPECT_EQ(result.stored, 3);
    EXPECT_EQ(Column(ESongColumn::PATH, "New"), (QStringList{a, a, a, b, drive + "/elsewhere"}));
    ExpectSetReset();
}

TEST_F(SessionOperationsTest, RenameLeavesNoRecordedRootTheOldSessionLacked)
{
    // A session from before roots were recorded, renamed to the name of one deleted
    // long ago whose records stayed behind.
    ops.AddSession("Old", Folder("old", 1));
    CSettings::Remove(CSettings::kCDRoot, "Old");
    CSettings::WriteString(CSettings::kCDRoot, "Gone", "/");
    ops.RenameSession("Old", "Gone");
    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, "Gone", ""), drive + "/old");
    EXPECT_FALSE(CSettings::Contains(CSettings::kCDRoot, "Gone"));

    // The disc now sits in another drive: its songs are found there.
    f.volumes.serials[drive] = 1;
    const QString other = f.volumes.AddDrive(EType::CdRom, 0xBEEF0001);
    CDriveLocator locator(f.volumes, prompts);
    EXPECT_EQ(locator.LocateCdDrive(drive + "/old/a.mp3", "Gone", CDriveLocator::EVariant::General),
              other + "/old/a.mp3");
}

TEST_F(SessionOperationsTest, OverlongNamesAreCutAlikeInListSongsAndRecords)
{
    const QString name = QString(254, u'n') + QStringLiteral("\U0001F600 tail");
    const QString cut(254, u'n'); // a character is never split
    ops.AddSession(name, Folder("long", 2));
    EXPECT_EQ(Sessions(), QStringList{cut});
    EXPECT_EQ(Column(ESongColumn::CD, cut).size(), 2);
    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, cut, ""), drive + "/long");
    prompts.answers << CPrompts::EAnswer::Ok;
    EXPECT_EQ(ops.DeleteSession(cut).deleted, 2);
    EXPECT_EQ(set.CountAll(), 0);
    EXPECT_EQ(doc.SongCount(), 0);

    ops.AddSession("Short", Folder("short", 1));
    ops.RenameSession("Short", name);
    EXPECT_EQ(Sessions(), QStringList{cut});
    EXPECT_EQ(Column(ESongColumn::CD, cut).size(), 1);
    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, cut, ""), drive + "/short");
    ExpectSetReset();
}

TEST_F(SessionOperationsTest, UpdateRescansAndKeepsTheSongsWhenTheDiscIsMissing)
{
    const QString folder = Folder("Live", 2);
    ops.AddSession("Live", folder);
    EXPECT_EQ(ops.UpdateSession(std::nullopt).outcome, EOutcome::Abandoned);
    EXPECT_TRUE(prompts.messages.isEmpty()); // nothing selected: nothing asked

    // A file found again keeps its song's ID (and so its playlist entry and play count); a
    // file gone takes its song out of the lists.
    QFile(folder + "/new.mp3").open(QIODevice::WriteOnly);
    const SSong gone = *set.FindSongById(1);
    const qint64 kept = 2;
    QFile::remove(gone.FilePath());
    CSettings::WriteInt(CSettings::kCdrecord, "Live", 77);
    FillLists({kept, gone.m_ID});
    set.IncrementUse(kept);
    const auto result = ops.UpdateSession("Live");
    EXPECT_TRUE(prompts.messages.isEmpty()) << "nothing asked";
    EXPECT_EQ(result.deleted, 1);
    EXPECT_EQ(result.stored, 2);
    EXPECT_EQ(doc.SongCount(), 2);
    EXPECT_EQ(f.Progresses().back().caption, "Updating Session");
    EXPECT_EQ(doc.Playlist().Ids(), QList<qint64>{kept});
    ASSERT_EQ(doc.Songs().RowCount(), 1);
    EXPECT_EQ(doc.Songs().Id(0), kept);
    EXPECT_EQ(set.FindSongById(kept)->m_USE, 1) << "its play count stays";
    EXPECT_EQ(CSettings::GetInt(CSettings::kCdrecord, "Live", 0), 77); // not renewed

    // The disc is taken out: its folder holds nothing now.
    QDir(folder).removeRecursively();
    const int messages = int(prompts.messages.size());
    EXPECT_EQ(ops.UpdateSessionNamed("Live").outcome, EOutcome::NoFiles);
    EXPECT_EQ(set.CountAll(), 2);
    EXPECT_EQ(doc.SongCount(), 2);
    EXPECT_EQ(prompts.messages.size(), messages);
    EXPECT_EQ(Sessions(), QStringList{"Live"});
    ExpectSetReset();
}

TEST_F(SessionOperationsTest, UpdateWithoutRecordedFolderAsksForOneAndCancelDeletesNothing)
{
    ops.AddSession("S", Folder("s", 2));
    CSettings::Remove(CSettings::kCDPath, "S");
    EXPECT_EQ(ops.UpdateSessionNamed("S").outcome, EOutcome::NoRecordedFolder);
    EXPECT_EQ(set.CountAll(), 2);

    f.prompts.folders << Folder("other", 1);
    EXPECT_EQ(ops.UpdateSessionNamed("S").stored, 1);
    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, "S", ""), drive + "/other");
    EXPECT_EQ(set.CountAll(), 3) << "the songs of the folder not scanned stay";

    // A folder on another drive than before: the songs' paths now lie under that one.
    const QString home = f.env.MakeDir("home");
    QFile(home + "/a.mp3").open(QIODevice::WriteOnly);
    CSettings::Remove(CSettings::kCDPath, "S");
    f.prompts.folders << home;
    EXPECT_EQ(ops.UpdateSessionNamed("S").stored, 1);
    EXPECT_EQ(CSettings::GetString(CSettings::kCDRoot, "S", ""), "/");
}

} // namespace

namespace {

// Until a rescan is complete the old songs stay: a store failure or a Cancel half-way
// leaves the session exactly as it was, and the failure is reported, never a success.
TEST_F(SessionOperationsTest, AnUpdateThatFailsOrIsCancelledLeavesTheSessionAsItWas)
{
    const QString folder = Folder("Live", 6);
    ops.AddSession("Live", folder);
    const QStringList ids = Column(ESongColumn::ID, "Live");
    // The rescan stores its songs over the old ones: the fourth store fails.
    doc.Database().Exec("CREATE TRIGGER refuse BEFORE UPDATE OF TITLE ON Songs WHEN "
                        "OLD.ID - (SELECT min(ID) FROM Songs WHERE CD = 'Live') >= 3 "
                        "BEGIN SELECT RAISE(ABORT, 'disk is full'); END;");
    const auto failed = ops.UpdateSessionNamed("Live");
    EXPECT_EQ(failed.outcome, EOutcome::Failed);
    EXPECT_TRUE(prompts.messages.last().text.contains("disk is full"));
    EXPECT_TRUE(prompts.messages.last().text.contains(folder));
    EXPECT_EQ(Column(ESongColumn::ID, "Live"), ids);
    EXPECT_EQ(CommittedCount(f.env.DatabasePath()), 6);
    EXPECT_EQ(doc.SongCount(), 6);

    doc.Database().Exec("DROP TRIGGER refuse;");
    f.cancelAfterSteps = 3;
    EXPECT_EQ(ops.UpdateSessionNamed("Live").cancelNote,
              "The update was cancelled: \"Live\" was left as it was.");
    EXPECT_EQ(Column(ESongColumn::ID, "Live"), ids);
    EXPECT_EQ(doc.SongCount(), 6);
    ExpectSetReset();
}

// A scan whose every insert fails is a failure: no session is listed or recorded.
TEST_F(SessionOperationsTest, AScanThatStoresNothingCreatesNoSession)
{
    doc.Database().Exec("CREATE TRIGGER refuse BEFORE INSERT ON Songs "
                        "BEGIN SELECT RAISE(ABORT, 'attempt to write a readonly database'); END;");
    const auto result = ops.AddSession("Pop", Folder("pop", 3));
    EXPECT_EQ(result.outcome, EOutcome::Failed);
    EXPECT_TRUE(prompts.messages.last().text.contains("readonly"));
    EXPECT_TRUE(Sessions().isEmpty());
    EXPECT_FALSE(CSettings::Contains(CSettings::kCDPath, "Pop"));
    EXPECT_EQ(doc.SongCount(), 0);
}

} // namespace

namespace {

// A scan cut short (a crash, a Cancel) has recorded its folder, and running it again into
// the same session adds only what is missing.
TEST_F(SessionOperationsTest, AScanRunAgainAddsOnlyWhatIsMissing)
{
    const QString folder = Folder("Live", 8);
    f.cancelAfterSteps = 3;
    const auto cut = ops.AddSession("Live", folder);
    ASSERT_TRUE(cut.cancelled);
    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, "Live", ""), folder);
    f.cancelAfterSteps = -1;
    EXPECT_EQ(ops.AddSession("Live", folder).outcome, EOutcome::Abandoned) << "asked first";
    EXPECT_EQ(prompts.messages.last().text, CSessionTexts::ConfirmAddTo("Live"));
    prompts.answers << CPrompts::EAnswer::Ok;
    const auto again = ops.AddSession("Live", folder);
    EXPECT_EQ(again.stored + cut.stored, 8);
    EXPECT_EQ(again.present, cut.stored);
    QStringList files = Column(ESongColumn::MELODI, "Live");
    files.removeDuplicates();
    EXPECT_EQ(files.size(), 8);
    EXPECT_EQ(set.CountAll(), 8);
    EXPECT_EQ(doc.SongCount(), 8);
}

} // namespace

namespace {

// Another process writing when the scan begins makes the scan wait its turn, not fail:
// the browsing set holds no read cursor that would keep it from the write lock.
TEST_F(SessionOperationsTest, AScanWaitsForAnotherWriter)
{
    const QString folder = Folder("Mine", 50);
    std::atomic<bool> holding = false;
    std::thread other([&] {
        CDatabase db;
        db.Open(f.env.DatabasePath());
        CCdlistSet theirs;
        theirs.Open(db);
        CDatabase::CTransaction transaction(db);
        AddTestSong(theirs, {.cd = "Theirs", .title = "t", .file = "t.mp3", .path = "/t"});
        holding = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        transaction.Commit();
    });
    while (!holding)
        std::this_thread::yield();
    set.Walk(CFilter(), [](const SSong&) { return true; }); // the window has browsed
    const auto result = ops.AddSession("Mine", folder);
    other.join();
    EXPECT_EQ(result.outcome, EOutcome::Done);
    EXPECT_EQ(result.stored, 50);
    EXPECT_EQ(set.CountAll(), 51);
}

} // namespace
