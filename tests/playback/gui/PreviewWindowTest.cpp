#include "library/gui/CLibraryListCtrl.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "playback/CInternalPlayer.h"
#include "playback/CPlaybackTexts.h"
#include "playback/gui/CPreviewController.h"
#include "support/CNoSoundDevice.h"
#include "support/CToneMp3.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Preview on the main form, through the "wav" output chosen by the environment.
TEST(PreviewWindowTest, PreviewPlaysTheSelectedSongAndTheButtonStopsIt)
{
    CViewFixture f;
    qputenv("CRATEWISE_AUDIO_OUTPUT", ("wav:" + f.env.Root() + "/out.wav").toUtf8());
    const auto restore = qScopeGuard([] { qunsetenv("CRATEWISE_AUDIO_OUTPUT"); });
    f.SkipStartQuestions();
    const QString music = f.env.MakeDir("music");
    ASSERT_TRUE(CToneMp3::Write(music + "/tone.mp3", {440}, 5.0));
    const qint64 tone = f.AddSong("CD1", "Tone", music, "tone.mp3");
    f.env.WriteFile("music/bad.mp3", QByteArray(9000, 'x'));
    const qint64 bad = f.AddSong("CD1", "Bad", music, "bad.mp3");
    f.volumes.Mount(f.env.Root(), SVolume::EType::Fixed);
    f.Start();
    CCdlistDoc& doc = f.View().Doc();
    for (qint64 id : {tone, bad}) {
        const std::optional<SSong> song = doc.Set().FindSongById(id);
        ASSERT_TRUE(song);
        doc.Songs().InsertSongRow(doc.Songs().RowCount(), *song);
    }
    auto* controller = f.View().findChild<CPreviewController*>();
    ASSERT_NE(controller, nullptr);
    CInternalPlayer& player = controller->Player();
    QPushButton* button = f.View().Button(ID_PREVIEW);
    const auto poll = [&f] { Q_EMIT f.View().TimerTick(); };

    f.View().SongList()->selectRow(0);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.IsPlaying(); }, 5000));
    EXPECT_EQ(button->text(), "Previe&w"); // the caption follows with the poll
    poll();
    EXPECT_EQ(button->text(), "Stop");
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.PositionMs() > 200; }, 5000));
    // Pause and Play act on the preview, not on the external player.
    f.View().Action(ID_PAUSE)->trigger();
    QTest::qWait(200);
    const qint64 paused = player.PositionMs();
    QTest::qWait(300);
    EXPECT_NEAR(player.PositionMs(), paused, 50);
    f.View().Action(ID_PLAY)->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.PositionMs() > paused + 100; }, 2000));
    EXPECT_TRUE(f.player.calls.isEmpty()) << f.player.calls.join(u' ').toStdString();
    // Playback Info follows the preview, and a click on its bar goes there (the second 4).
    poll();
    EXPECT_EQ(f.View().Field(IDC_PLAYING_TITLE)->text(), "Tone");
    QProgressBar* bar = f.View().PlaybackProgress();
    EXPECT_EQ(bar->maximum(), 5);
    EXPECT_TRUE(f.View().Controls().Get<QLabel>(IDC_PLAYBACK_TIME)->text().endsWith(" / 0:05"));
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() * 8 / 10, bar->height() / 2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.PositionMs() >= 3900; }, 1000));

    f.View().Action(ID_STOP)->trigger(); // as the Stop caption of the button does
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.IsStopped(); }, 2000));
    poll();
    EXPECT_EQ(button->text(), "Previe&w");
    EXPECT_TRUE(f.player.calls.isEmpty()) << f.player.calls.join(u' ').toStdString();

    f.View().SongList()->selectRow(1);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.prompts.messages.isEmpty(); }, 5000));
    EXPECT_EQ(f.prompts.messages[0].text,
              music + "/bad.mp3\ncannot be played: no audio was found in it.");
    EXPECT_EQ(f.prompts.messages[0].caption, "Preview");
    EXPECT_EQ(f.prompts.messages[0].icon, CPrompts::EIcon::Error);
    EXPECT_EQ(button->text(), "Previe&w");
}

// Without a sound device the default output is said to be missing, once a song, and
// neither the clock nor the button pretend that anything plays; with nothing chosen the
// button says what it needs.
TEST(PreviewWindowTest, NoSoundDeviceOrNoSongIsSaidAndNothingPretendsToPlay)
{
    CViewFixture f;
    const CNoSoundDevice deaf(f.env.Root());
    f.SkipStartQuestions();
    const QString music = f.env.MakeDir("music");
    ASSERT_TRUE(CToneMp3::Write(music + "/tone.mp3", {440}, 5.0));
    const qint64 tone = f.AddSong("CD1", "Tone", music, "tone.mp3");
    f.volumes.Mount(f.env.Root(), SVolume::EType::Fixed);
    f.Start();
    CCdlistDoc& doc = f.View().Doc();
    QPushButton* button = f.View().Button(ID_PREVIEW);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(f.prompts.Texts(), QStringList({CPlaybackTexts::ChooseSongToPreview()}));

    doc.Songs().InsertSongRow(0, *doc.Set().FindSongById(tone));
    f.View().SongList()->selectRow(0);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.prompts.messages.size() == 2; }, 5000));
    for (int i = 0; i < 3; ++i) {
        Q_EMIT f.View().TimerTick();
        QTest::qWait(100);
    }
    ASSERT_EQ(f.prompts.messages.size(), 2);
    EXPECT_TRUE(f.prompts.messages[1].text.startsWith("No sound output could be opened (auto: "))
        << f.prompts.messages[1].text.toStdString();
    EXPECT_EQ(button->text(), "Previe&w");
    EXPECT_EQ(f.View().Controls().Get<QLabel>(IDC_PLAYBACK_TIME)->text(), "");
    EXPECT_EQ(f.View().PlaybackProgress()->value(), 0);
    EXPECT_EQ(f.View().Controls().Get<QLineEdit>(IDC_PLAYING_TITLE)->text(), "");

    // A song gone from its folder is said as such, not asked for as a disc.
    ASSERT_TRUE(QFile::remove(music + "/tone.mp3"));
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(f.prompts.messages.size(), 3);
    EXPECT_EQ(f.prompts.messages[2].text, music + "/tone.mp3: No such file or directory");
}

} // namespace
