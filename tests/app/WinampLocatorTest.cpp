#include "app/options/CWinampLocator.h"
#include "platform/CSettings.h"
#include "platform/CVolumes.h"
#include "support/CScriptedPrompts.h"
#include "support/CTestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

using EAnswer = CPrompts::EAnswer;

class CFakeMounts : public CVolumes
{
public:
    QList<SVolume> mounts;
    QList<SVolume> Mounts() override { return mounts; }
    bool SerialNumber(const QString&, quint32&) override { return false; }
};

const QString kAsk = QStringLiteral("Do you want Cratewise to try to locate\nMPD automatically?");
const QString kFound = QStringLiteral("Is this the correct location of MPD?\n");

class WinampLocatorTest : public ::testing::Test
{
protected:
    WinampLocatorTest() : m_oldPath(qgetenv("PATH"))
    {
        qputenv("PATH", env.MakeDir("emptybin").toLocal8Bit());
    }
    ~WinampLocatorTest() override { qputenv("PATH", m_oldPath); }

    QString Program(const QString& relative, bool executable = true)
    {
        const QString path = env.WriteFile(relative, "#!/bin/sh\n");
        if (executable)
            QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        return path;
    }
    void AddMount(const QString& relative, SVolume::EType type)
    {
        SVolume volume;
        volume.mountPoint = env.MakeDir(relative);
        volume.type = type;
        mounts.mounts << volume;
    }
    QStringList Questions() const
    {
        QStringList found;
        for (const QString& text : prompts.Texts()) {
            if (text.startsWith(kFound))
                found << text.mid(kFound.size());
        }
        return found;
    }
    void Run() { CWinampLocator(prompts, mounts).Run(); }

    CTestEnvironment env;
    CScriptedPrompts prompts;
    CFakeMounts mounts;

private:
    QByteArray m_oldPath;
};

TEST_F(WinampLocatorTest, AsksAboutEachProgramOnPathThenOnFixedDisksDepthFirst)
{
    const QString onPath = Program("bin/mpd");
    qputenv("PATH", (env.Root() + "/nothing:" + env.Root() + "/bin").toLocal8Bit());
    AddMount("disk", SVolume::EType::Fixed);
    Program("disk/a/readme/mpd", false); // not a program
    const QString deep = Program("disk/a/b/c/mpd");
    const QString later = Program("disk/z/MPD");
    prompts.answers << EAnswer::Yes << EAnswer::No << EAnswer::No << EAnswer::Yes;

    Run();

    EXPECT_EQ(prompts.messages.at(0).text, kAsk);
    EXPECT_EQ(prompts.messages.at(0).caption, "Question");
    EXPECT_EQ(prompts.messages.at(1).icon, CPrompts::EIcon::Question);
    EXPECT_EQ(Questions(), QStringList({onPath, deep, later}));
    EXPECT_EQ(CSettings::String(ESetting::Winamp), later);
    EXPECT_TRUE(prompts.fileDialogs.isEmpty());
}

TEST_F(WinampLocatorTest, NeitherLoopsThroughLinksNorEntersOtherFileSystems)
{
    AddMount("disk", SVolume::EType::Fixed);
    AddMount("disk/ram", SVolume::EType::Ram);
    AddMount("disk/net", SVolume::EType::Network);
    Program("disk/ram/mpd");
    Program("disk/net/mpd");
    env.MakeDir("disk/x");
    ASSERT_TRUE(QFile::link(env.Root() + "/disk", env.Root() + "/disk/x/loop"));
    const QString only = Program("disk/x/y/mpd");
    // The same disk mounted a second time is not searched again.
    mounts.mounts << mounts.mounts.first();
    prompts.answers << EAnswer::Yes << EAnswer::No;

    Run();

    EXPECT_EQ(Questions(), QStringList({only}));
    EXPECT_EQ(prompts.fileDialogs.size(), 1);
}

TEST_F(WinampLocatorTest, FileDialogWhenNotSearchingOrNothingAccepted)
{
    CSettings::SetString(ESetting::Winamp, "/old/mpd");
    AddMount("disk", SVolume::EType::Fixed);
    Program("disk/mpd");
    prompts.answers << EAnswer::No;
    Run();
    ASSERT_EQ(prompts.fileDialogs.size(), 1);
    EXPECT_EQ(prompts.fileDialogs[0].title, "Locate the MPD Player");
    EXPECT_EQ(prompts.fileDialogs[0].filter, "MPD (mpd)|mpd|All Files (*.*)|*.*||");
    EXPECT_TRUE(Questions().isEmpty());
    EXPECT_EQ(CSettings::String(ESetting::Winamp), "/old/mpd"); // dialog cancelled

    prompts.answers << EAnswer::Yes << EAnswer::No;
    prompts.files << "/usr/local/bin/mpd";
    Run();
    EXPECT_EQ(prompts.fileDialogs.size(), 2);
    EXPECT_EQ(CSettings::String(ESetting::Winamp), "/usr/local/bin/mpd");
}

TEST_F(WinampLocatorTest, EscapeStopsTheSearch)
{
    AddMount("disk", SVolume::EType::Fixed);
    Program("disk/mpd");
    QWidget target;
    QCoreApplication::postEvent(&target,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    prompts.answers << EAnswer::Yes;
    Run();
    EXPECT_TRUE(Questions().isEmpty());
    EXPECT_EQ(prompts.fileDialogs.size(), 1);
}

} // namespace
