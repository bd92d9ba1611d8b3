#include "db/CCdlistSet.h"
#include "db/CExceptSet.h"
#include "intake/CDriveLocator.h"
#include "intake/CSessionOperations.h"
#include "platform/CSettings.h"
#include "support/CFakeSessionHost.h"
#include "support/CFakeVolumes.h"
#include "support/CMp3Factory.h"
#include "support/CScriptedPrompts.h"
#include "support/CTestEnvironment.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using EOutcome = CSessionOperations::EOutcome;
using EType = SVolume::EType;

struct SessionCommandsTest : ::testing::Test
{
    CTestEnvironment env;
    CDatabase db;
    CCdlistSet set;
    CExceptSet except;
    CScriptedPrompts prompts;
    CRecordingWinamp player;
    CFakeVolumes volumes;
    CFakeSessionHost host;
    CSessionOperations commands{host, set, except, prompts, player, volumes};
    QString drive;

    void SetUp() override
    {
        db.Open(env.DatabasePath());
        set.Open(db);
        except.Open(db);
        volumes.Mount("/", EType::Fixed, 0, false);
        drive = volumes.AddDrive(EType::CdRom, 0xBEEF0001);
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
        set.SetFilter(CFilter::Exactly(ESongColumn::CD, session));
        for (set.Requery(); !set.IsEOF(); set.MoveNext())
            values << set.Text(column);
        set.SetFilter(CFilter());
        set.Requery();
        values.sort();
        return values;
    }
    void ExpectSetReset()
    {
        EXPECT_TRUE(set.Filter().IsEmpty());
        EXPECT_EQ(set.Sort(), ESongColumn::ID);
    }
};

TEST_F(SessionCommandsTest, AddSessionStoresEverySongAndRecordsTheDisc)
{
    const QString folder = Folder("Jazz", 2);
    ASSERT_TRUE(CMp3Factory::WriteTaggedSong(folder + "/deep/TAGGED.MP3", 3.0, 128,
                                             CMp3Factory::EKind::Cbr, "Blue", "Miles", "Kind"));
    const auto result = commands.AddSession("Jazz 'n' \"Blues\" 100%", folder + "/");
    EXPECT_EQ(result.outcome, EOutcome::Done);
    EXPECT_EQ(result.stored, 3);
    EXPECT_EQ(host.songCount, 3);
    EXPECT_EQ(host.entries, QStringList{"Jazz 'n' \"Blues\" 100%"});
    EXPECT_EQ(player.commands, QList{CWinampRemote::Stop});

    EXPECT_EQ(host.progress.caption, "Getting mp3 info");
    EXPECT_EQ(host.progress.lines, 3);
    EXPECT_EQ(host.progress.width, 250);
    EXPECT_EQ(host.progress.upper, 3);
    EXPECT_EQ(host.progress.message,
              "Cratewise is adding 3 found mp3 files...\n\nPress Cancel to abort.");
    EXPECT_EQ(host.progress.hides, 1);

    const QString name = "Jazz 'n' \"Blues\" 100%";
    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, name, "?"), folder);
    EXPECT_EQ(quint32(CSettings::GetInt(CSettings::kCdrecord, name, 0)), 0xBEEF0001u);
    EXPECT_EQ(CSettings::GetString(CSettings::kCDRoot, name, "?"), drive);
    EXPECT_EQ(Column(ESongColumn::PATH, name), (QStringList{folder, folder, folder + "/deep"}));
    EXPECT_EQ(Column(ESongColumn::TITLE, name).last(), "Blue");
    EXPECT_TRUE(CSettings::String("ErrorFile", "?").isEmpty());
    ExpectSetReset();
}

TEST_F(SessionCommandsTest, MissingFolderAndFolderWithoutSongsAreRefused)
{
    EXPECT_EQ(commands.AddSession("X", drive + "/nowhere").outcome, EOutcome::InvalidPath);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, "Invalid path!");
    EXPECT_EQ(prompts.messages[0].caption, "Error");
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Error);
    EXPECT_TRUE(player.commands.isEmpty());

    const QString empty = Folder("Empty", 0);
    EXPECT_EQ(commands.AddSession("X", empty).outcome, EOutcome::NoFiles);
    EXPECT_EQ(prompts.messages.last().text, "No files where found in the specified location");
    EXPECT_EQ(prompts.messages.last().caption, "No files found");
    EXPECT_EQ(prompts.messages.last().icon, CPrompts::EIcon::Information);
    EXPECT_TRUE(host.entries.isEmpty());
    EXPECT_FALSE(CSettings::Contains(CSettings::kCDPath, "X"));
}

TEST_F(SessionCommandsTest, CancelRightAfterTheStartStillListsAndRecordsTheSession)
{
    host.progress.cancelAfterSteps = 0;
    const auto result = commands.AddSession("Pop", Folder("Pop", 4));
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.stored, 0);
    EXPECT_EQ(host.songCount, 0);
    EXPECT_EQ(set.CountAll(), 0);
    EXPECT_EQ(host.entries, QStringList{"Pop"});
    EXPECT_TRUE(CSettings::Contains(CSettings::kCDPath, "Pop"));
    EXPECT_TRUE(CSettings::Contains(CSettings::kCdrecord, "Pop"));
}

TEST_F(SessionCommandsTest, CancelDuringTheScanKeepsWhatWasStored)
{
    host.progress.cancelAfterSteps = 2;
    const auto result = commands.AddSession("Pop", Folder("Pop", 5));
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.stored, 2);
    EXPECT_EQ(host.songCount, set.CountAll());
    // Committed: another connection (the next run of the program) sees them.
    CDatabase other;
    other.Open(env.DatabasePath());
    CCdlistSet otherSet;
    otherSet.Open(other);
    EXPECT_EQ(otherSet.CountAll(), 2);
}

TEST_F(SessionCommandsTest, AFailedCommitIsReportedAndLaterScansAreStoredForGood)
{
    // A check the database makes only when the transaction is committed.
    db.Exec("PRAGMA foreign_keys=ON; CREATE TABLE Owner(id INTEGER PRIMARY KEY);"
            "CREATE TABLE Claim(owner INTEGER REFERENCES Owner(id) DEFERRABLE INITIALLY DEFERRED);"
            "CREATE TRIGGER claim AFTER INSERT ON Songs BEGIN INSERT INTO Claim VALUES(1); END;");
    EXPECT_EQ(commands.AddSession("Bad", Folder("bad", 2)).outcome, EOutcome::Failed);
    EXPECT_EQ(prompts.messages.last().caption, "Error");
    EXPECT_EQ(host.songCount, set.CountAll());

    db.Exec("DROP TRIGGER claim;");
    EXPECT_EQ(commands.AddSession("Good", Folder("good", 2)).stored, 2);
    EXPECT_EQ(host.songCount, set.CountAll());
    CDatabase other;
    other.Open(env.DatabasePath());
    CCdlistSet otherSet;
    otherSet.Open(other);
    EXPECT_EQ(otherSet.CountAll(), set.CountAll());
    ExpectSetReset();
}

TEST_F(SessionCommandsTest, DeleteChecksAsksAndRemovesOnlyTheExactSession)
{
    commands.DeleteSession();
    EXPECT_EQ(prompts.messages.last().text, "The database is already empty!");
    EXPECT_EQ(prompts.messages.last().caption, "Database empty");

    commands.AddSession("Rock", Folder("a", 2));
    commands.AddSession("rock", Folder("b", 3));
    commands.DeleteSession();
    EXPECT_EQ(prompts.messages.last().text, "No session selected!");
    EXPECT_EQ(prompts.messages.last().caption, "Error");

    host.Select("rock");
    EXPECT_EQ(commands.DeleteSession().outcome, EOutcome::Abandoned); // Cancel
    EXPECT_EQ(prompts.messages.last().text,
              "This will remove the selected session\nand clear playlist.");
    EXPECT_EQ(prompts.messages.last().caption, "Confirm delete...");
    EXPECT_EQ(prompts.messages.last().icon, CPrompts::EIcon::Exclamation);
    EXPECT_EQ(set.CountAll(), 5);

    prompts.answers << CPrompts::EAnswer::Ok;
    const auto result = commands.DeleteSession();
    EXPECT_EQ(result.deleted, 3);
    EXPECT_EQ(host.songCount, 2);
    EXPECT_EQ(host.entries, QStringList{"Rock"});
    EXPECT_EQ(Column(ESongColumn::CD, "Rock").size(), 2);
    EXPECT_EQ(host.playlistClears, 1);
    EXPECT_EQ(host.songListClears, 1);
    // The recorded folder and disc stay behind.
    EXPECT_TRUE(CSettings::Contains(CSettings::kCDPath, "rock"));
    ExpectSetReset();
}

TEST_F(SessionCommandsTest, RenameOntoAnExistingNameMergesAndCopiesTheRecords)
{
    commands.AddSession("A/B=C", Folder("a", 2));
    commands.AddSession("Best", Folder("b", 1));
    host.Select("A/B=C");
    EXPECT_EQ(commands.RenameSessionTo("A/B=C", "Best").outcome, EOutcome::Done);
    EXPECT_EQ(Column(ESongColumn::CD, "Best").size(), 3);
    EXPECT_EQ(host.entries, QStringList{"Best"});
    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, "Best", ""), drive + "/a");
    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, "A/B=C", ""), drive + "/a");
    EXPECT_EQ(quint32(CSettings::GetInt(CSettings::kCdrecord, "Best", 0)), 0xBEEF0001u);

    host.Select("Best");
    commands.RenameSessionTo("Best", "New");
    EXPECT_EQ(host.entries, QStringList{"New"});
    EXPECT_EQ(Column(ESongColumn::CD, "New").size(), 3);
    ExpectSetReset();
}

TEST_F(SessionCommandsTest, RenameLeavesNoRecordedRootTheOldSessionLacked)
{
    // A session from before roots were recorded, renamed to the name of one deleted
    // long ago whose records stayed behind.
    commands.AddSession("Old", Folder("old", 1));
    CSettings::Remove(CSettings::kCDRoot, "Old");
    CSettings::WriteString(CSettings::kCDRoot, "Gone", "/");
    host.Select("Old");
    commands.RenameSessionTo("Old", "Gone");
    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, "Gone", ""), drive + "/old");
    EXPECT_FALSE(CSettings::Contains(CSettings::kCDRoot, "Gone"));

    // The disc now sits in another drive: its songs are found there.
    volumes.serials[drive] = 1;
    const QString other = volumes.AddDrive(EType::CdRom, 0xBEEF0001);
    CDriveLocator locator(volumes, prompts);
    EXPECT_EQ(locator.LocateCdDrive(drive + "/old/a.mp3", "Gone", CDriveLocator::EVariant::General),
              other + "/old/a.mp3");
}

TEST_F(SessionCommandsTest, OverlongNamesAreCutAlikeInListSongsAndRecords)
{
    const QString name = QString(254, u'n') + QStringLiteral("\U0001F600 tail");
    const QString cut(254, u'n'); // a character is never split
    commands.AddSession(name, Folder("long", 2));
    EXPECT_EQ(host.entries, QStringList{cut});
    EXPECT_EQ(Column(ESongColumn::CD, cut).size(), 2);
    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, cut, ""), drive + "/long");
    host.Select(cut);
    prompts.answers << CPrompts::EAnswer::Ok;
    EXPECT_EQ(commands.DeleteSession().deleted, 2);
    EXPECT_EQ(set.CountAll(), 0);
    EXPECT_EQ(host.songCount, 0);

    commands.AddSession("Short", Folder("short", 1));
    host.Select("Short");
    commands.RenameSessionTo("Short", name);
    EXPECT_EQ(host.entries, QStringList{cut});
    EXPECT_EQ(Column(ESongColumn::CD, cut).size(), 1);
    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, cut, ""), drive + "/short");
    ExpectSetReset();
}

TEST_F(SessionCommandsTest, UpdateRescansAndKeepsTheSongsWhenTheDiscIsMissing)
{
    const QString folder = Folder("Live", 2);
    commands.AddSession("Live", folder);
    host.Select("Live");
    EXPECT_EQ(commands.UpdateSession().outcome, EOutcome::Abandoned); // Cancel
    EXPECT_EQ(prompts.messages.last().text,
              "This will update the selected session\nand clear playlist.");
    EXPECT_EQ(prompts.messages.last().caption, "Update Session");

    QFile(folder + "/new.mp3").open(QIODevice::WriteOnly);
    CSettings::WriteInt(CSettings::kCdrecord, "Live", 77);
    prompts.answers << CPrompts::EAnswer::Ok;
    const auto result = commands.UpdateSession();
    EXPECT_EQ(result.deleted, 2);
    EXPECT_EQ(result.stored, 3);
    EXPECT_EQ(host.songCount, 3);
    EXPECT_EQ(host.progress.caption, "Updating Session");
    EXPECT_EQ(host.playlistClears, 1);
    EXPECT_EQ(CSettings::GetInt(CSettings::kCdrecord, "Live", 0), 77); // not renewed

    // The disc is taken out: its folder holds nothing now.
    QDir(folder).removeRecursively();
    const int messages = int(prompts.messages.size());
    EXPECT_EQ(commands.UpdateSessionNamed("Live").outcome, EOutcome::NoFiles);
    EXPECT_EQ(set.CountAll(), 3);
    EXPECT_EQ(host.songCount, 3);
    EXPECT_EQ(prompts.messages.size(), messages);
    EXPECT_EQ(host.entries, QStringList{"Live"});
    ExpectSetReset();
}

TEST_F(SessionCommandsTest, UpdateWithoutRecordedFolderAsksForOneAndCancelDeletesNothing)
{
    commands.AddSession("S", Folder("s", 2));
    CSettings::Remove(CSettings::kCDPath, "S");
    EXPECT_EQ(commands.UpdateSessionNamed("S").outcome, EOutcome::Abandoned);
    EXPECT_EQ(set.CountAll(), 2);

    prompts.folders << Folder("other", 1);
    EXPECT_EQ(commands.UpdateSessionNamed("S").stored, 1);
    EXPECT_EQ(CSettings::GetString(CSettings::kCDPath, "S", ""), drive + "/other");
    EXPECT_EQ(set.CountAll(), 1);

    // A folder on another drive than before: the songs' paths now lie under that one.
    const QString home = env.MakeDir("home");
    QFile(home + "/a.mp3").open(QIODevice::WriteOnly);
    CSettings::Remove(CSettings::kCDPath, "S");
    prompts.folders << home;
    EXPECT_EQ(commands.UpdateSessionNamed("S").stored, 1);
    EXPECT_EQ(CSettings::GetString(CSettings::kCDRoot, "S", ""), "/");
}

} // namespace

namespace {

// Fills the modal dialog the command opens, then presses OK or Cancel.
void WhenDialogOpens(const QString& name, bool ok)
{
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>("sessionName")->setText(name);
        if (auto* browse = dialog->findChild<QPushButton*>("browse"))
            browse->click();
        if (ok)
            dialog->accept();
        else
            dialog->reject();
    });
}

TEST_F(SessionCommandsTest, NewSessionScansWhatTheDialogNamesAndCancelAbandonsIt)
{
    const QString folder = Folder("Disc", 2);
    prompts.folders << folder << folder;
    WhenDialogOpens("Disc", false);
    EXPECT_EQ(commands.NewSession().outcome, EOutcome::Abandoned);
    EXPECT_EQ(set.CountAll(), 0);
    EXPECT_TRUE(host.entries.isEmpty());

    WhenDialogOpens("Disc", true);
    EXPECT_EQ(commands.NewSession().stored, 2);
    EXPECT_EQ(host.entries, QStringList{"Disc"});
}

TEST_F(SessionCommandsTest, RenameTakesTheNameFromItsDialog)
{
    commands.AddSession("Old", Folder("o", 1));
    EXPECT_EQ(commands.RenameSession().outcome, EOutcome::Abandoned); // nothing selected
    host.Select("Old");
    WhenDialogOpens("Nouveau", true);
    EXPECT_EQ(commands.RenameSession().outcome, EOutcome::Done);
    EXPECT_EQ(host.entries, QStringList{"Nouveau"});
    EXPECT_EQ(Column(ESongColumn::CD, "Nouveau").size(), 1);
}

} // namespace
