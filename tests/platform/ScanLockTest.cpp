#include "platform/CScanLock.h"
#include "platform/CSettings.h"
#include "support/CTestEnvironment.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

// A crash marker is reported once, and never while the scan that wrote it still runs in
// another process (two scans at once must not blame each other's files).
TEST(ScanLockTest, AMarkerOfALivingScanIsNoCrash)
{
    CTestEnvironment env;
    EXPECT_FALSE(CScanLock::ScanRunning());
    CSettings::SetString(ESetting::ErrorFile, "/music/a.mp3");
    std::optional<CScanLock> scanning(std::in_place);
    EXPECT_TRUE(CScanLock::ScanRunning());
    EXPECT_TRUE(CScanLock::TakeCrashMarker().isEmpty());
    EXPECT_EQ(CSettings::String(ESetting::ErrorFile), "/music/a.mp3");
    scanning.reset(); // the scan died without clearing its marker
    EXPECT_EQ(CScanLock::TakeCrashMarker(), "/music/a.mp3");
    EXPECT_TRUE(CScanLock::TakeCrashMarker().isEmpty());
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
