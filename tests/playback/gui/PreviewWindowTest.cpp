#include "library/gui/CLibraryListCtrl.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "playback/CInternalPlayer.h"
#include "playback/gui/CPreviewController.h"
#include "support/CToneMp3.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"

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
    EXPECT_EQ(button->text(), "&Preview"); // the caption follows with the poll
    poll();
    EXPECT_EQ(button->text(), "Stop");
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.PositionMs() > 200; }, 5000));
    // Playback Info follows the preview, and a click on its bar goes there (the second 4).
    poll();
    EXPECT_EQ(f.View().Field(IDC_PLAYING_TITLE)->text(), "Tone");
    QProgressBar* bar = f.View().PlaybackProgress();
    EXPECT_EQ(bar->maximum(), 5);
    EXPECT_TRUE(f.View().Controls().Get<QLabel>(IDC_PLAYBACK_TIME)->text().endsWith(" / 0:05"));
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() * 8 / 10, bar->height() / 2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.PositionMs() >= 3900; }, 1000));

    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.IsStopped(); }, 2000));
    poll();
    EXPECT_EQ(button->text(), "&Preview");

    f.View().SongList()->selectRow(1);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.prompts.messages.isEmpty(); }, 5000));
    EXPECT_EQ(f.prompts.messages[0].text,
              music + "/bad.mp3\ncannot be played: no audio was found in it.");
    EXPECT_EQ(f.prompts.messages[0].caption, "Preview");
    EXPECT_EQ(f.prompts.messages[0].icon, CPrompts::EIcon::Error);
    EXPECT_EQ(button->text(), "&Preview");
}

} // namespace
