#include "platform/CScanLock.h"
#include "platform/CSettings.h"
#include "support/CNoFileOverride.h"
#include "support/CTestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A crash marker is reported once, and never while the scan that wrote it still runs in
// another process; two scans at once keep a marker each, so that neither blames the other's
// file nor loses its own.
TEST(ScanLockTest, EachScanKeepsItsMarkerAndOnlyADeadOnesIsACrash)
{
    CTestEnvironment env;
    const QString shared = env.SettingsFile() + QStringLiteral(".ErrorFile");
    CSettings::SetString(ESetting::ErrorFile, "/music/a.mp3");
    // The scan of another process holds the shared marker.
    const int other = ::open(QFile::encodeName(shared).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    {
        const CSettings::CMarkerHold hold;
        CSettings::SetString(ESetting::ErrorFile, "/music/b.mp3");
        EXPECT_TRUE(CScanLock::TakeCrashMarkers().isEmpty());
        EXPECT_EQ(CSettings::String(ESetting::ErrorFile), "/music/a.mp3");
        CSettings::SetString(ESetting::ErrorFile, QString());
    }
    CSettings::SetString(ESetting::ErrorFile, QString());
    EXPECT_EQ(CSettings::String(ESetting::ErrorFile), "/music/a.mp3");
    // A third scan died in a file of its own.
    QFile dead(shared + QStringLiteral("-3"));
    ASSERT_TRUE(dead.open(QIODevice::WriteOnly));
    dead.write(QByteArray("/music/c.mp3\0/music/longer tail", 32));
    dead.close();
    EXPECT_EQ(CScanLock::TakeCrashMarkers(), QStringList{"/music/c.mp3"});
    EXPECT_TRUE(CScanLock::TakeCrashMarkers().isEmpty());
    ::close(other); // that scan died without clearing its marker
    {
        // Before any start named it, a new scan takes the shared marker over.
        const CSettings::CMarkerHold hold;
        CSettings::SetString(ESetting::ErrorFile, "/music/d.mp3");
    }
    EXPECT_EQ(CScanLock::TakeCrashMarkers(), QStringList{"/music/a.mp3"});
    EXPECT_TRUE(CScanLock::TakeCrashMarkers().isEmpty());
    EXPECT_EQ(QFileInfo(shared).dir().entryList({QStringLiteral("*.ErrorFile-*")}, QDir::Files),
              QStringList());
}

// A start looks for the markers by their names, never by listing the folder that holds the
// settings file (a home folder, say): one that cannot be listed still gives them.
TEST(ScanLockTest, MarkersAreFoundWithoutListingTheFolder)
{
    CTestEnvironment env;
    CSettings::SetInt(ESetting::Random, 1); // the settings file exists
    QFile dead(env.SettingsFile() + QStringLiteral(".ErrorFile-8")); // the last name
    ASSERT_TRUE(dead.open(QIODevice::WriteOnly));
    dead.write(QByteArray("/music/e.mp3\0", 13));
    dead.close();
    const QByteArray folder = QFile::encodeName(env.Root());
    ASSERT_EQ(::chmod(folder.constData(), 0300), 0);
    QStringList markers;
    {
        const CNoFileOverride asAUser;
        markers = CScanLock::TakeCrashMarkers();
    }
    ::chmod(folder.constData(), 0700);
    EXPECT_EQ(markers, QStringList{"/music/e.mp3"});
}

// A second scan of a session at the same time is told so; one of another session is not.
TEST(ScanLockTest, OneScanOfASessionAtATime)
{
    CTestEnvironment env;
    std::optional<CSessionScanLock> first(std::in_place, "Jazz");
    EXPECT_TRUE(first->Held());
    EXPECT_FALSE(CSessionScanLock("Jazz").Held());
    EXPECT_TRUE(CSessionScanLock("Pop").Held());
    first.reset();
    EXPECT_TRUE(CSessionScanLock("Jazz").Held());
}

} // namespace
