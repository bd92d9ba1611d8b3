#include "platform/CSettings.h"
#include "playlist/gui/CCopyFilesDialog.h"
#include "playlist/gui/PlaylistControllerFixture.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class CopyFilesTest : public PlaylistControllerFixture
{
protected:
    // The test's files lie on a hard disk: copying takes them where they are.
    void SetUp() override { f.volumes.Mount(f.env.Root(), SVolume::EType::Fixed); }
    // Copy into the folder: Start in the dialog, which stays open with the counts.
    void Copy(const QString& target)
    {
        f.Reload();
        f.prompts.folders.enqueue(target);
        QTimer::singleShot(0, [this] {
            auto* dialog = qobject_cast<CCopyFilesDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "Copy Files");
            QTest::mouseClick(dialog->StartButton(), Qt::LeftButton);
            finishedOpen = dialog->isVisible();
            jobBar = dialog->JobBar()->value();
            shownTarget = dialog->TargetLabel()->text();
            summary = dialog->SummaryLabel()->text();
            const QLabel* label = dialog->SummaryLabel();
            summaryWhole = label->height() >= label->heightForWidth(label->width());
            done = dialog->StartButton()->text() == "Close";
            dialog->close();
        });
        Trigger(ID_COPY_FILES);
    }

    bool finishedOpen = false;
    bool summaryWhole = false; // the window is tall enough for every line of it
    bool done = false;
    int jobBar = -1;
    QString shownTarget, summary;
};

TEST_F(CopyFilesTest, CopiesThePlaylistAndStopsAtAMissingSource)
{
    const QString one = f.env.MakeDir("one"), two = f.env.MakeDir("two");
    f.env.WriteFile("one/same.mp3", "first");
    f.env.WriteFile("two/same.mp3", "second");
    f.env.WriteFile("one/Ünï 'q'.mp3", QByteArray(10000, 'x'));
    const qint64 a = AddSong("CD1", one, "same.mp3");
    const qint64 b = AddSong("CD2", two, "same.mp3");
    const qint64 c = AddSong("CD1", one, "Ünï 'q'.mp3");
    const qint64 gone = AddSong("CD1", one, "gone.mp3");
    set.Delete(gone);
    AddEntries({a, gone, b, c});
    const QString target = f.env.MakeDir("target");

    Copy(target);
    EXPECT_EQ(CSettings::String(ESetting::CopyPath), target);
    EXPECT_EQ(f.player.calls, QStringList({QString("Command %1").arg(CWinampRemote::Stop)}));
    // Same-named songs from two folders both arrive.
    EXPECT_EQ(ReadAll(target + "/same.mp3"), "first");
    EXPECT_EQ(ReadAll(target + "/same (2).mp3"), "second");
    EXPECT_EQ(ReadAll(target + "/Ünï 'q'.mp3"), QByteArray(10000, 'x'));
    EXPECT_TRUE(finishedOpen && done);
    EXPECT_EQ(shownTarget, target);
    EXPECT_EQ(summary, "3 copied, 0 skipped, 1 renamed.\n"
                       "Renamed (another file had the name): same (2).mp3");
    EXPECT_TRUE(summaryWhole);
    EXPECT_EQ(jobBar, 3);
    EXPECT_TRUE(f.prompts.messages.isEmpty());

    QFile::remove(one + "/same.mp3");
    const QString again = f.env.MakeDir("again");
    Copy(again);
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_TRUE(f.prompts.messages[0].text.contains(one + "/same.mp3"));
    EXPECT_EQ(f.prompts.messages[0].icon, CPrompts::EIcon::Error);
    EXPECT_TRUE(finishedOpen);
    EXPECT_FALSE(done);
    EXPECT_FALSE(QFile::exists(again + "/same.mp3"));
}

// Cancel, offered until Start, leaves without copying; the bars show their counts meanwhile.
TEST_F(CopyFilesTest, CancelBeforeStartCopiesNothing)
{
    const QString one = f.env.MakeDir("one");
    f.env.WriteFile("one/a.mp3", "a");
    AddEntries({AddSong("CD1", one, "a.mp3")});
    const QString target = f.env.MakeDir("target");
    f.Reload();
    f.prompts.folders.enqueue(target);
    QString counted;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CCopyFilesDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        counted = dialog->JobBar()->text();
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text() == "Cancel")
                QTest::mouseClick(button, Qt::LeftButton);
    });
    Trigger(ID_COPY_FILES);
    EXPECT_EQ(counted, "0 of 1 songs");
    EXPECT_FALSE(QFile::exists(target + "/a.mp3"));
}

// Many renamed files make a summary of several lines: the window shows all of them.
TEST_F(CopyFilesTest, ALongSummaryShowsWhole)
{
    QList<qint64> ids;
    for (int i = 0; i < 8; ++i) {
        const QString dir = f.env.MakeDir(QString("d%1").arg(i));
        f.env.WriteFile(QString("d%1/same.mp3").arg(i), "x");
        ids << AddSong("CD", dir, "same.mp3");
    }
    AddEntries(ids);
    Copy(f.env.MakeDir("target"));
    EXPECT_TRUE(summary.endsWith("same (8).mp3")) << summary.toStdString();
    EXPECT_TRUE(summaryWhole);
}

TEST_F(CopyFilesTest, RefusesAnEmptyPlaylistOrCatalogueAndSkipsDiscsNotInserted)
{
    Trigger(ID_COPY_FILES);
    const QString cd = f.volumes.AddDrive(SVolume::EType::CdRom);
    AddEntries({AddSong("CD1", cd, "a.mp3")});
    Trigger(ID_COPY_FILES); // the song count is not known yet
    ASSERT_EQ(f.prompts.messages.size(), 2);
    EXPECT_EQ(f.prompts.messages[0].text, "You have not selected any songs!");
    EXPECT_EQ(f.prompts.messages[0].caption, "No music!");
    EXPECT_EQ(f.prompts.messages[1].text, "The database is empty!");
    EXPECT_EQ(f.prompts.messages[1].caption, "Database empty");

    f.Reload();
    Trigger(ID_COPY_FILES); // folder picker cancelled
    EXPECT_TRUE(CSettings::String(ESetting::CopyPath).isEmpty());
    EXPECT_TRUE(f.player.calls.isEmpty());

    const QString target = f.env.MakeDir("target");
    Copy(target); // the disc is asked for and not inserted
    ASSERT_EQ(f.prompts.messages.size(), 3);
    EXPECT_EQ(f.prompts.messages[2].text, "Insert the disc \"CD1\" in any drive.");
    EXPECT_FALSE(QFile::exists(target + "/a.mp3"));
    EXPECT_TRUE(done);
    EXPECT_EQ(summary, "0 copied, 1 skipped, 0 renamed.");
}

} // namespace
