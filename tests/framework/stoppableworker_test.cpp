// The stoppable worker: a stop ends a long sleep at once and waits for the
// body, so a stopped body never acts again.
#include "framework/core/stoppableworker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace sp {
namespace {

using Clock = std::chrono::steady_clock;

TEST(StoppableWorker, StopEndsALongSleepAtOnceAndWaitsForTheBody) {
  StoppableWorker worker;
  std::atomic<bool> sleptFully{true};
  std::atomic<bool> ended{false};
  ASSERT_TRUE(worker.Start([&](StoppableWorker& w) {
    sleptFully = w.Sleep(60000);
    ended = true;
  }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto start = Clock::now();
  worker.Stop();
  EXPECT_TRUE(ended.load());  // synchronous: the body has ended
  EXPECT_FALSE(sleptFully.load());
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  EXPECT_FALSE(worker.Started());
}

TEST(StoppableWorker, StartingAgainStopsThePreviousBodyFirst) {
  StoppableWorker worker;
  std::atomic<int> running{0};
  std::atomic<int> maxRunning{0};
  const auto body = [&](StoppableWorker& w) {
    maxRunning = std::max(maxRunning.load(), ++running);
    while (w.Sleep(1)) {
    }
    --running;
  };
  ASSERT_TRUE(worker.Start(body));
  ASSERT_TRUE(worker.Start(body));
  EXPECT_TRUE(worker.Sleep(0)) << "a new start clears the stop request";
  worker.Stop();
  EXPECT_EQ(maxRunning.load(), 1);
  EXPECT_EQ(running.load(), 0);
  worker.Stop();  // nothing runs: harmless
}

TEST(StoppableWorker, BodyMayStopItself) {
  StoppableWorker worker;
  std::atomic<bool> sawStop{false};
  ASSERT_TRUE(worker.Start([&](StoppableWorker& w) {
    w.Stop();
    sawStop = w.StopRequested() && !w.Sleep(1000);
  }));
  worker.Stop();
  EXPECT_TRUE(sawStop.load());
}

}  // namespace
}  // namespace sp
