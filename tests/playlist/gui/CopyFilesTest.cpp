#include "PlaylistFixture.h"
#include "platform/CSettings.h"
#include "playlist/CFileCopier.h"
#include "playlist/gui/CCopyFilesDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QByteArray Bytes(int size)
{
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char(i * 7 + i / 251);
    return data;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(FileCopierTest, CopiesExactlyInBlocksOfTenThousandBytes)
{
    CTestEnvironment env;
    for (int size : {0, 1, 9999, 10000, 10001, 25000}) {
        const QByteArray data = Bytes(size);
        const QString source = env.WriteFile(QString("in/%1.mp3").arg(size), data);
        const QString target = env.MakeDir("out") + QString("/%1.mp3").arg(size);
        QList<qint64> steps;
        QString error;
        ASSERT_TRUE(CFileCopier::Copy(
            source, target, [&](qint64 done, qint64) { steps << done; }, error))
            << error.toStdString();
        EXPECT_EQ(ReadAll(target), data) << size;
        const qint64 blocks = (size + CFileCopier::kBlockSize - 1) / CFileCopier::kBlockSize;
        EXPECT_EQ(steps.size(), blocks) << size;
        if (!steps.isEmpty())
            EXPECT_EQ(steps.last(), size);
    }
}

TEST(FileCopierTest, FailuresNameTheFileAndNeverHarmWhatIsThere)
{
    CTestEnvironment env;
    const QString source = env.WriteFile("in/a.mp3", Bytes(5));
    QString error;
    EXPECT_FALSE(CFileCopier::Copy(env.Root() + "/in/none.mp3", env.Root() + "/x.mp3", {}, error));
    EXPECT_TRUE(error.contains("none.mp3"));
    EXPECT_FALSE(CFileCopier::Copy(source, env.Root() + "/no/dir/a.mp3", {}, error));
    EXPECT_TRUE(error.contains("/no/dir/a.mp3"));

    // Onto itself: the file stays whole.
    EXPECT_TRUE(CFileCopier::Copy(source, env.Root() + "/in/../in/a.mp3", {}, error));
    EXPECT_EQ(ReadAll(source), Bytes(5));
}

class CopyFilesTest : public PlaylistFixture
{
protected:
    void StartWhenShown()
    {
        QTimer::singleShot(0, [this] {
            auto* dialog = qobject_cast<CCopyFilesDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "Copy Files");
            QTest::mouseClick(dialog->StartButton(), Qt::LeftButton);
            finishedOpen = dialog->isVisible();
            lastFile = dialog->FileLabel()->text();
            jobBar = dialog->JobBar()->value();
            dialog->close();
        });
    }

    bool finishedOpen = false;
    QString lastFile;
    int jobBar = -1;
};

TEST_F(CopyFilesTest, CopiesThePlaylistIntoTheChosenFolder)
{
    const QString one = env.MakeDir("one"), two = env.MakeDir("two");
    env.WriteFile("one/same.mp3", "first");
    env.WriteFile("two/same.mp3", "second");
    env.WriteFile("one/Ünï 'q'.mp3", Bytes(10000));
    const qint32 a = AddSong("CD1", one, "same.mp3");
    const qint32 b = AddSong("CD2", two, "same.mp3");
    const qint32 c = AddSong("CD1", one, "Ünï 'q'.mp3");
    const qint32 gone = AddSong("CD1", one, "gone.mp3");
    set.FindSongById(gone);
    set.Delete();
    for (qint32 id : {a, gone, b, c})
        AddEntry(id);
    const QString target = env.MakeDir("target");
    prompts.folders.enqueue(target);

    StartWhenShown();
    host->actions[ID_COPY_FILES]->trigger();

    EXPECT_EQ(CSettings::String("CopyPath"), target);
    EXPECT_EQ(host->winamp.commands, QList<int>({CWinampRemote::Stop}));
    EXPECT_EQ(ReadAll(target + "/same.mp3"), "second"); // the later one replaces
    EXPECT_EQ(ReadAll(target + "/Ünï 'q'.mp3"), Bytes(10000));
    EXPECT_FALSE(finishedOpen);
    EXPECT_EQ(jobBar, 3);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(CopyFilesTest, AMissingSourceStopsWithItsNameAndKeepsTheDialogOpen)
{
    const QString folder = env.MakeDir("src");
    AddEntry(AddSong("CD1", folder, "missing.mp3"));
    env.WriteFile("src/later.mp3", "x");
    AddEntry(AddSong("CD1", folder, "later.mp3"));
    const QString target = env.MakeDir("target");
    prompts.folders.enqueue(target);

    StartWhenShown();
    host->actions[ID_COPY_FILES]->trigger();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.contains(folder + "/missing.mp3"));
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Error);
    EXPECT_TRUE(finishedOpen);
    EXPECT_FALSE(QFile::exists(target + "/later.mp3"));
}

TEST_F(CopyFilesTest, RefusesEmptyPlaylistAndSkipsDiscsNotInserted)
{
    host->actions[ID_COPY_FILES]->trigger();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, "You have not selected any songs!");
    EXPECT_EQ(prompts.messages[0].caption, "No music!");

    env.WriteFile("cd/a.mp3", "a");
    AddEntry(AddSong("CD1", env.Root() + "/cd", "a.mp3"));
    host->actions[ID_COPY_FILES]->trigger(); // folder picker cancelled
    EXPECT_TRUE(CSettings::String("CopyPath").isEmpty());
    EXPECT_TRUE(host->winamp.commands.isEmpty());

    host->locatable = false;
    const QString target = env.MakeDir("target");
    prompts.folders.enqueue(target);
    StartWhenShown();
    host->actions[ID_COPY_FILES]->trigger();
    EXPECT_FALSE(QFile::exists(target + "/a.mp3"));
    EXPECT_FALSE(finishedOpen);
    EXPECT_EQ(prompts.messages.size(), 1);
}

} // namespace
