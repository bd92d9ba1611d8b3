#include "platform/CScanLock.h"
#include "platform/CSettings.h"
#include "support/CTestEnvironment.h"

#include <atomic>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

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

// A second scan of a session waits until the first is done; one of another session does not.
TEST(ScanLockTest, ScansOfOneSessionTakeTurns)
{
    CTestEnvironment env;
    std::optional<CSessionScanLock> first(std::in_place, "Jazz");
    const CSessionScanLock other("Pop");
    std::atomic<bool> second = false;
    std::thread waiting([&] {
        const CSessionScanLock again("Jazz");
        second = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(second);
    first.reset();
    waiting.join();
    EXPECT_TRUE(second);
}

} // namespace
