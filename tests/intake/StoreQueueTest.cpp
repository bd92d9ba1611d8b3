#include "intake/CStoreQueue.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

constexpr qint64 kMiB = 1024 * 1024;

// Jobs run in their order; a failure reaches the poster once and drops the jobs behind it;
// the queue then works again.
TEST(StoreQueueTest, JobsRunInOrderAndAFailureIsReportedOnce)
{
    CStoreQueue queue;
    std::vector<int> ran;
    for (int i = 0; i < 100; ++i)
        queue.Post([&ran, i] { ran.push_back(i); }, 1);
    queue.Finish();
    ASSERT_EQ(ran.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(ran[size_t(i)], i);

    queue.Post([] { throw std::runtime_error("disk is full"); }, 1);
    EXPECT_THROW(queue.Finish(), std::runtime_error);
    queue.Finish(); // reported once
    queue.Post([&ran] { ran.push_back(-1); }, 1);
    queue.Finish();
    EXPECT_EQ(ran.back(), -1);
}

// What waiting jobs hold is bounded: a hostile file's 32 MiB of kept bytes waits for the
// jobs before it instead of piling up.
TEST(StoreQueueTest, APosterWaitsWhileTheWaitingJobsHoldTooMuch)
{
    CStoreQueue queue;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    queue.Post([released] { released.wait(); }, 10 * kMiB); // runs and blocks
    queue.Post([] {}, 10 * kMiB);                           // waits: the queue was empty
    std::atomic<bool> posted = false;
    auto third = std::async(std::launch::async, [&] {
        queue.Post([] {}, 10 * kMiB);
        posted = true;
    });
    EXPECT_EQ(third.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    EXPECT_FALSE(posted);
    release.set_value();
    third.get();
    EXPECT_TRUE(posted);
    queue.Finish();
}

} // namespace
