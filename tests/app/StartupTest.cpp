#include "app/CCratewiseApp.h"
#include "app/CStartup.h"
#include "library/gui/CLibraryListCtrl.h"
#include "platform/CSettings.h"
#include "support/CFifo.h"
#include "support/CNoFileOverride.h"
#include "support/gui/CModalScript.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"
#include "ui/ControlIds.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QSlider>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using EIcon = CPrompts::EIcon;
using EButtons = CPrompts::EButtons;
using EAnswer = CPrompts::EAnswer;

const QString kShortcutText =
    QStringLiteral("Do you want to create a shortcut\nfor Cratewise on your desktop?");
const QString kUpdateText = QStringLiteral("Do you want to check for updates?");

QStringList Sessions(CCdlistView& view)
{
    QStringList names;
    const QAbstractItemModel* model = view.SessionList()->model();
    for (int i = 0; i < model->rowCount(); ++i)
        names << model->index(i, 0).data().toString();
    return names;
}

TEST(StartupTest, FirstStartOnAnEmptyDatabase)
{
    CViewFixture f;
    f.month = 3;
    f.Start();
    EXPECT_TRUE(Sessions(f.View()).isEmpty());
    EXPECT_EQ(f.View().Doc().SongCount(), 0);
    EXPECT_EQ(f.View().Field(IDC_TOTAL)->text(), QStringLiteral("0"));
    // Only the shortcut offer: the month is recorded without asking.
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].text, kShortcutText);
    EXPECT_EQ(f.prompts.messages[0].caption, QStringLiteral("Create Shortcut"));
    EXPECT_EQ(f.prompts.messages[0].icon, EIcon::Question);
    EXPECT_EQ(f.prompts.messages[0].buttons, EButtons::YesNo);
    EXPECT_EQ(CSettings::Int(ESetting::Firsttime), 1);
    EXPECT_EQ(CSettings::Int(ESetting::UpdateDate), 3);
    // Answered No: no shortcut.
    EXPECT_FALSE(QFile::exists(f.env.Root() + QStringLiteral("/Desktop/Cratewise.desktop")));
    // The fixed state of a started form.
    EXPECT_FALSE(f.View().Action(ID_UPDATE_WINAMP)->isEnabled());
    EXPECT_TRUE(f.View().Timer().isActive());
    EXPECT_EQ(f.View().Timer().interval(), 1000);
    EXPECT_EQ(f.View().VolumeSlider()->maximum(), 255);
    EXPECT_EQ(f.View().VolumeSlider()->value(), 0);
}

TEST(StartupTest, SecondStartInTheSameMonthAsksNothing)
{
    CViewFixture f;
    CSettings::SetInt(ESetting::Firsttime, 1);
    CSettings::SetInt(ESetting::UpdateDate, 6);
    f.month = 6;
    f.Start();
    EXPECT_TRUE(f.prompts.messages.isEmpty());
}

// A catalogue a newer Cratewise wrote is shown with one message naming it and both layouts,
// and the start writes nothing to it.
TEST(StartupTest, ANewerCatalogueIsShownAndNotWritten)
{
    CViewFixture f;
    f.SkipStartQuestions();
    f.AddSong(QStringLiteral("Rock"), QStringLiteral("Song"));
    f.doc.Database().Close();
    const QByteArray path = QFile::encodeName(f.env.DatabasePath());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.constData(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA user_version=99", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile file(f.env.DatabasePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    f.doc.OpenDatabase(f.env.DatabasePath());
    f.Start();
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_TRUE(f.prompts.messages[0].text.contains(QStringLiteral("newer Cratewise (layout 99")))
        << f.prompts.messages[0].text.toStdString();
    EXPECT_EQ(Sessions(f.View()), QStringList{QStringLiteral("Rock")});
    EXPECT_TRUE(file.seek(0) && file.readAll() == before);
}

TEST(StartupTest, SessionsDifferingOnlyInCaseAreBothListed)
{
    CViewFixture f;
    CSettings::SetInt(ESetting::Firsttime, 1);
    f.AddSong(QStringLiteral("rock"), QStringLiteral("a"));
    f.AddSong(QStringLiteral("Rock"), QStringLiteral("b"));
    f.AddSong(QStringLiteral("rock"), QStringLiteral("c"));
    f.AddSong(QStringLiteral("Blues"), QStringLiteral("d"));
    f.AddSong(QStringLiteral("abba"), QStringLiteral("e"));
    f.Start();
    const QStringList names = Sessions(f.View());
    EXPECT_EQ(names, (QStringList{QStringLiteral("abba"), QStringLiteral("Blues"),
                                  QStringLiteral("Rock"), QStringLiteral("rock")}));
    EXPECT_EQ(f.View().Doc().SongCount(), 5);
    EXPECT_EQ(f.View().Field(IDC_TOTAL)->text(), QStringLiteral("5"));
}

TEST(StartupTest, MonthlyUpdateOfferAtTheTurnOfTheYear)
{
    CViewFixture f;
    CSettings::SetInt(ESetting::Firsttime, 1);
    CSettings::SetInt(ESetting::UpdateDate, 12);
    f.month = 1;
    bool requested = false;
    f.beforeStart = [&](CCdlistView& v) {
        QObject::connect(&v, &CCdlistView::UpdateCheckRequested, [&] { requested = true; });
    };
    f.prompts.answers.enqueue(EAnswer::Yes);
    f.Start();
    EXPECT_TRUE(requested);
    // Once the window has started, the Yes opens Check for Updates.
    QString opened;
    CModalScript script({[&](QWidget* w) {
        opened = w->windowTitle();
        static_cast<QDialog*>(w)->reject();
    }});
    EXPECT_TRUE(QTest::qWaitFor([&] { return script.Finished(); }, 5000));
    EXPECT_EQ(opened, QStringLiteral("Check for Updates"));
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].text, kUpdateText);
    EXPECT_EQ(f.prompts.messages[0].caption, QStringLiteral("There may be an update available"));
    EXPECT_EQ(CSettings::Int(ESetting::UpdateDate), 1);
}

TEST(StartupTest, OnlyOneUpgradeOfferAndNeverAgain)
{
    for (const bool accept : {false, true}) {
        CViewFixture f;
        f.SkipStartQuestions();
        f.env.WriteFile(QStringLiteral("data/songs2.mdb"), "old");
        f.env.WriteFile(QStringLiteral("data/songs.mdb"), "older");
        QStringList upgraded;
        f.beforeStart = [&](CCdlistView& v) {
            QObject::connect(&v, &CCdlistView::UpgradeRequested,
                             [&](const QString& p) { upgraded << p; });
        };
        f.prompts.answers.enqueue(accept ? EAnswer::Yes : EAnswer::No);
        f.Start();
        EXPECT_EQ(upgraded, accept ? QStringList{f.env.DataDir() + QStringLiteral("/songs2.mdb")}
                                   : QStringList());
        // The accepted file is no database: carrying it over fails with the message.
        ASSERT_EQ(f.prompts.messages.size(), accept ? 2 : 1);
        EXPECT_TRUE(f.prompts.messages[0].text.startsWith(
            QStringLiteral("An old version of Cratewise has been found.")));
        EXPECT_EQ(f.prompts.messages[0].caption, QStringLiteral("Update Database"));
        if (accept) {
            EXPECT_TRUE(
                f.prompts.messages[1].text.endsWith(QStringLiteral("The catalogue is unchanged.")));
        }
        EXPECT_EQ(CSettings::Int(ESetting::Upgrade), 29);
    }
}

TEST(StartupTest, OlderDatabaseOfferedWhenItIsTheOnlyOne)
{
    CViewFixture f;
    f.SkipStartQuestions();
    f.env.WriteFile(QStringLiteral("data/songs.mdb"), "older");
    // A pipe is no database: offering it would hang the window.
    const CFifo fifo(f.env.DataDir() + QStringLiteral("/songs2.mdb"));
    QStringList upgraded;
    f.beforeStart = [&](CCdlistView& v) {
        QObject::connect(&v, &CCdlistView::UpgradeRequested,
                         [&](const QString& p) { upgraded << p; });
    };
    f.prompts.answers.enqueue(EAnswer::Yes);
    f.Start();
    ASSERT_GE(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].caption, QStringLiteral("Update Database"));
    EXPECT_EQ(upgraded, QStringList{f.env.DataDir() + QStringLiteral("/songs.mdb")});

    CViewFixture again;
    again.SkipStartQuestions();
    CSettings::SetInt(ESetting::Upgrade, 29);
    again.env.WriteFile(QStringLiteral("data/songs.mdb"), "older");
    again.Start();
    EXPECT_TRUE(again.prompts.messages.isEmpty());
}

TEST(StartupTest, CrashMarkerIsReportedOnceAndCleared)
{
    CViewFixture f;
    f.SkipStartQuestions();
    CSettings::SetString(ESetting::ErrorFile, QStringLiteral("/music/bad 'one'.mp3"));
    f.Start();
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(
        f.prompts.messages[0].text,
        QStringLiteral("Cratewise encountered a critical error when trying to add the file:\n"
                       "/music/bad 'one'.mp3\nRemove it or move it to another location before "
                       "trying to add files again."));
    EXPECT_EQ(f.prompts.messages[0].caption, QStringLiteral("Error adding song"));
    EXPECT_EQ(f.prompts.messages[0].icon, EIcon::Error);
    EXPECT_EQ(CSettings::String(ESetting::ErrorFile), QString());
}

TEST(StartupTest, PromptsComeInTheirFixedOrder)
{
    CViewFixture f;
    CSettings::SetInt(ESetting::UpdateDate, 12);
    CSettings::SetString(ESetting::ErrorFile, QStringLiteral("/x.mp3"));
    f.env.WriteFile(QStringLiteral("data/songs2.mdb"), "old");
    f.month = 1;
    f.Start();
    QStringList captions;
    for (const auto& m : f.prompts.messages)
        captions << m.caption;
    EXPECT_EQ(captions,
              (QStringList{QStringLiteral("Update Database"), QStringLiteral("Create Shortcut"),
                           QStringLiteral("There may be an update available"),
                           QStringLiteral("Error adding song")}));
}

TEST(StartupTest, PlayerStartedWhenAskedAndNotRunning)
{
    CViewFixture f;
    CSettings::SetInt(ESetting::Firsttime, 1);
    CSettings::SetInt(ESetting::LoadOnStart, 1);
    CSettings::SetInt(ESetting::Minimize, 1);
    CSettings::SetString(ESetting::Winamp, QStringLiteral("/usr/bin/mpd"));
    f.Start();
    EXPECT_EQ(f.player.calls, QStringList{QStringLiteral("Start /usr/bin/mpd 1")});

    CViewFixture running;
    CSettings::SetInt(ESetting::LoadOnStart, 1);
    running.player.running = true;
    running.Start();
    EXPECT_TRUE(running.player.calls.isEmpty());
}

TEST(StartupTest, ShortcutStartsTheProgramInTheDataDirectory)
{
    CViewFixture f;
    f.prompts.answers.enqueue(EAnswer::Yes);
    f.Start();
    QFile entry(f.env.Root() + QStringLiteral("/Desktop/Cratewise.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Name=Cratewise\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("Exec=\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("Path=") + f.env.DataDir() + u'\n'));
    EXPECT_TRUE(QFileInfo(entry).isExecutable());
}

TEST(StartupTest, UnreadableSettingsEndTheStartWithOneMessage)
{
    CTestEnvironment env;
    CScriptedPrompts prompts;
    CSettings::SetInt(ESetting::Case, 1);
    ASSERT_TRUE(QFile::setPermissions(env.SettingsFile(), {}));
    bool readable = true;
    {
        const CNoFileOverride asAUser;
        CSettings::SetFilePath(env.SettingsFile());
        readable = CStartup::SettingsReadable(prompts);
    }
    ASSERT_TRUE(QFile::setPermissions(env.SettingsFile(), QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_FALSE(readable);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(
        QStringLiteral("The settings file \"%1\" cannot be read: %2.\n")
            .arg(env.SettingsFile(), QString::fromLocal8Bit(std::strerror(EACCES)))));
    EXPECT_EQ(prompts.messages[0].icon, EIcon::Error);
}

TEST(StartupTest, FirstSettingsWriteThatFailsIsShownOnce)
{
    CViewFixture f;
    CSettings::SetInt(ESetting::Firsttime, 1);
    CSettings::SetInt(ESetting::UpdateDate, 6);
    f.Start();
    {
        const CNoFileOverride asAUser;
        ASSERT_TRUE(QFile::setPermissions(f.env.Root(), QFile::ReadOwner | QFile::ExeOwner));
        CSettings::SetInt(ESetting::Case, 1);
        CSettings::SetString(ESetting::ErrorFile, QStringLiteral("/music/a.mp3"));
        CSettings::SetInt(ESetting::Case, 0);
    }
    ASSERT_TRUE(QFile::setPermissions(f.env.Root(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_TRUE(f.prompts.messages[0].text.startsWith(
        QStringLiteral("The settings could not be saved to \"%1\"").arg(f.env.SettingsFile())));
    EXPECT_EQ(f.prompts.messages[0].caption, QStringLiteral("Settings not saved"));
    EXPECT_EQ(f.prompts.messages[0].icon, EIcon::Exclamation);
}

// A hand-edited value out of range reads as its default and is named once, over the window.
TEST(StartupTest, HandEditedValueOutOfRangeIsShownOnce)
{
    CViewFixture f;
    f.env.WriteFile("settings.ini", QByteArray("[Settings]\nFirsttime=1\nLibBitrate=7\n") +
                                        "UpdateDate=" + QByteArray::number(f.month) + '\n');
    f.Start();
    EXPECT_EQ(f.View().SongList()->ColumnCount(), 4); // Title, Artist, Album, Session
    f.View().Doc().Songs().RebuildColumns();
    QCoreApplication::processEvents();
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_TRUE(f.prompts.messages[0].text.startsWith("The setting \"LibBitrate\""));
    EXPECT_EQ(f.prompts.messages[0].caption, QStringLiteral("Settings"));
}

} // namespace

namespace {

// The playlist and the window's place are kept from one run to the next; a song deleted
// meanwhile drops out of the playlist.
TEST(StartupTest, ThePlaylistAndTheWindowComeBackFromTheLastRun)
{
    CViewFixture f;
    f.SkipStartQuestions();
    const qint64 a = f.AddSong(QStringLiteral("S"), QStringLiteral("a"));
    const qint64 b = f.AddSong(QStringLiteral("S"), QStringLiteral("b"));
    f.env.WriteFile(QStringLiteral("data/songs3.mdb-playlist"),
                    QStringLiteral("%1 999 %2 %1\r\n").arg(b).arg(a).toLatin1());
    f.Start();
    EXPECT_EQ(f.View().Doc().Playlist().Ids(), (QList<qint64>{b, a, b}));
    EXPECT_FALSE(f.View().Action(ID_UPDATE_WINAMP)->isEnabled());

    f.View().Doc().Playlist().Remove(0);
    f.Frame().show();
    // Where the player's box is on the form (inside it, the volume slider takes a width of
    // its own once the player is set up).
    const auto placed = [](CCdlistView* view) {
        const QWidget* player = view->Control(ID_PREVIEW)->parentWidget();
        return QRect(player->mapTo(view, QPoint()), player->size());
    };
    const QRect designed = placed(&f.View());
    f.Frame().resize(f.Frame().width() + 40, f.Frame().height() + 30);
    QTest::qWait(20);
    const QSize size = f.Frame().size();
    const QRect preview = placed(&f.View());
    ASSERT_NE(preview, designed);
    f.Frame().close();
    QFile saved(f.env.DataDir() + QStringLiteral("/songs3.mdb-playlist"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QStringLiteral("%1 %2\r\n").arg(a).arg(b).toLatin1());
    CMainFrame again(new CCdlistView(f.doc, f.View().Services()));
    again.FitToForm();
    EXPECT_EQ(again.size(), size);
    // Laid out for that size when it first shows, as the window was when it closed.
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    EXPECT_EQ(placed(again.View()), preview);
}

// F1 opens the readme in the data folder: the program puts the one it ships there.
TEST(StartupTest, TheShippedReadmeReachesTheDataFolder)
{
    CTestEnvironment env;
    CCratewiseApp::PrepareDataDir(env.DataDir());
    QFile copied(env.DataDir() + QStringLiteral("/readme.txt"));
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_TRUE(copied.readLine().startsWith("Cratewise"));
    EXPECT_GT(copied.size(), 500);
}

} // namespace
