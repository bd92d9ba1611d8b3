#include "app/options/COptionsDialog.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "playback/CMpdRemote.h"
#include "playback/CPlaybackTexts.h"
#include "playback/gui/CWinampController.h"
#include "support/CFakeVolumes.h"
#include "support/CMp3Factory.h"
#include "support/CTestMpd.h"
#include "support/gui/CModalScript.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The main window's player controls against a real MPD.
class WinampWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        f.SkipStartQuestions();
        CSettings::SetString(ESetting::Winamp, QStringLiteral("/usr/bin/mpd"));
        for (const char* title : {"Alpha", "Beta"}) {
            const QString file = QString::fromLatin1(title) + QStringLiteral(".mp3");
            ASSERT_TRUE(CMp3Factory::WriteSong(f.env.Root() + "/m/" + file, {.seconds = 3.0}));
            ids << f.AddSong("CD1", title, f.env.Root() + "/m", file);
        }
        f.remote = &remote;
        volumes.Mount(QStringLiteral("/"), SVolume::EType::Fixed);
        f.mounts = &volumes;
    }
    void Start()
    {
        f.Start();
        for (qint64 id : ids)
            f.View().Doc().Playlist().Append(QString::number(id), id);
        f.View().Doc().Playlist().SetChanged(true);
    }
    void Trigger(int id) { f.View().Action(id)->trigger(); }
    // Waits for Playback Info to show the title. (Qt Test's QTRY macros would report a
    // failure to a Qt Test run only, never to this one.)
    ::testing::AssertionResult ShowsTitle(const QString& title)
    {
        QLineEdit* field = f.View().Field(IDC_PLAYING_TITLE);
        if (QTest::qWaitFor([&] { return field->text() == title; }, 3000))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "shows \"" << field->text().toStdString() << '"';
    }

    CViewFixture f;
    CMpdRemote remote{f.env.DataDir()};
    CFakeVolumes volumes;
    QList<qint64> ids;
};

TEST_F(WinampWindowTest, ButtonsSliderAndPollDriveThePlayer)
{
    CTestMpd mpd;
    ASSERT_TRUE(mpd.Start()) << qPrintable(mpd.Error());
    CSettings::SetString(ESetting::PlayerSocket, mpd.Socket());
    Start();
    Trigger(ID_UPDATE_WINAMP);
    EXPECT_EQ(mpd.Queue().size(), 2);
    EXPECT_FALSE(f.View().Action(ID_UPDATE_WINAMP)->isEnabled());
    // The greyed button says why.
    EXPECT_TRUE(
        f.View().Button(ID_UPDATE_WINAMP)->toolTip().contains("Greyed: MPD has the playlist"));

    QListView* box = f.View().PlaylistBox();
    box->setCurrentIndex(box->model()->index(1, 0));
    Trigger(ID_PLAY);
    QTest::qWait(200);
    EXPECT_EQ(mpd.StatusValue("song"), "1");
    f.View().Timer().setInterval(100);
    EXPECT_TRUE(ShowsTitle("Beta"));
    EXPECT_EQ(f.View().PlaybackProgress()->maximum(), 3);
    Trigger(ID_PREVIOUS);
    EXPECT_TRUE(ShowsTitle("Alpha"));
    // The time as text, and a click on the bar goes there (0.6 of 3 s: the second 2).
    EXPECT_TRUE(f.View().Controls().Get<QLabel>(IDC_PLAYBACK_TIME)->text().endsWith(" / 0:03"));
    QProgressBar* bar = f.View().PlaybackProgress();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() * 6 / 10, bar->height() / 2));
    EXPECT_GE(mpd.StatusValue("elapsed").toDouble(), 1.9);

    // Top is loudest; the bottom is silence.
    f.View().VolumeSlider()->setValue(255);
    EXPECT_EQ(mpd.StatusValue("volume"), "0");
    f.View().VolumeSlider()->setValue(0);
    EXPECT_EQ(mpd.StatusValue("volume"), "100");
    // The slider follows a volume set elsewhere.
    mpd.Ask("setvol 40");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return f.View().VolumeSlider()->value() == 255 - CMpdRemote::LevelOfPercent(40); },
        2000));

    // Playback Info shows the song the player reports, also when its list was changed
    // behind Cratewise's back (the first sent slot still names Alpha).
    mpd.Ask("delete 0");
    mpd.Ask("play 0");
    EXPECT_TRUE(ShowsTitle("Beta"));
    EXPECT_TRUE(f.prompts.messages.isEmpty());

    // A list changed behind Cratewise's back lights Update Winamp again.
    mpd.Ask("clear");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return f.View().Action(ID_UPDATE_WINAMP)->isEnabled(); }, 2000));
}

TEST_F(WinampWindowTest, AFrozenOrFloodingPlayerLeavesTheWindowResponsive)
{
    Start();
    f.View().Timer().setInterval(100);
    for (const auto mode : {CSilentSocket::EMode::Greeting, CSilentSocket::EMode::Flooding}) {
        CSilentSocket broken(mode);
        CSettings::SetString(ESetting::PlayerSocket, broken.Path());
        // The longest time the window went without handling its events, over three seconds
        // of polls and button presses.
        qint64 longest = 0;
        QElapsedTimer total, gap;
        total.start();
        gap.start();
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [&] { longest = qMax(longest, gap.restart()); });
        beat.start(20);
        while (total.elapsed() < 3000) {
            Trigger(ID_STOP);
            Trigger(ID_NEXT);
            QTest::qWait(50);
        }
        EXPECT_LT(longest, 1500) << int(mode);
    }
    EXPECT_TRUE(f.View().Action(ID_UPDATE_WINAMP)->isEnabled());
    // Each press was told why nothing happened.
    EXPECT_FALSE(f.prompts.messages.isEmpty());
    for (const QString& text : f.prompts.Texts())
        EXPECT_EQ(text, CPlaybackTexts::NotRunningHint());
}

// A button that cannot act says why; an MPD whose sound output fails is said once, and
// the clock stands still.
TEST_F(WinampWindowTest, ButtonsThatCannotActSayWhyAndAFailingOutputIsSaidOnce)
{
    CSettings::SetString(ESetting::PlayerSocket, f.env.Root() + "/nobody.socket");
    Start();
    Trigger(ID_PLAY);
    Trigger(ID_PAUSE);
    EXPECT_EQ(f.prompts.Texts(), QStringList(2, CPlaybackTexts::NotRunningHint()));

    CTestMpd mpd(CTestMpd::EOutput::Broken);
    ASSERT_TRUE(mpd.Start()) << qPrintable(mpd.Error());
    CSettings::SetString(ESetting::PlayerSocket, mpd.Socket());
    Trigger(ID_PLAY); // its list is still empty
    EXPECT_EQ(f.prompts.Texts().mid(2), QStringList({CPlaybackTexts::NothingToPlay()}));
    Trigger(ID_UPDATE_WINAMP);
    f.prompts.messages.clear();
    Trigger(ID_PLAY);
    f.View().Timer().setInterval(100);
    QTest::qWait(1500);
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_TRUE(f.prompts.messages[0].text.startsWith(
        "MPD cannot play:\nFailed to open \"card 99\" (alsa)"))
        << f.prompts.messages[0].text.toStdString();
    EXPECT_TRUE(f.View().Controls().Get<QLabel>(IDC_PLAYBACK_TIME)->text().startsWith("0:00"));
}

TEST_F(WinampWindowTest, WaitingForThePlayerToStartKeepsTheWindowAlive)
{
    CSettings::SetString(ESetting::PlayerSocket, f.env.Root() + "/nobody.socket");
    CSettings::SetString(ESetting::Winamp, QStringLiteral("/bin/true"));
    Start();
    f.View().findChild<CWinampController*>()->SetQuestionInterval(600);
    int beats = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&beats] { ++beats; });
    beat.start(50);
    Trigger(ID_UPDATE_WINAMP); // the question gets the scripted No
    EXPECT_GE(beats, 6);
    EXPECT_EQ(f.prompts.messages.size(), 1);
}

TEST_F(WinampWindowTest, AnUnsetPlayerPathOpensTheOptions)
{
    CSettings::Remove(CSettings::kSettings, CSettingsTable::Key(ESetting::Winamp));
    const QByteArray path = qgetenv("PATH");
    const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
    qputenv("PATH", f.env.MakeDir("bin").toUtf8()); // no MPD to fall back on
    Start();
    bool opened = false;
    CModalScript script({[&opened](QWidget* modal) {
        auto* options = qobject_cast<COptionsDialog*>(modal);
        ASSERT_NE(options, nullptr);
        opened = true;
        QTest::mouseClick(options->CloseButton(), Qt::LeftButton);
    }});
    Trigger(ID_UPDATE_WINAMP);
    EXPECT_TRUE(QTest::qWaitFor([&] { return opened; }, 5000));
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].icon, CPrompts::EIcon::Error);
}

} // namespace
