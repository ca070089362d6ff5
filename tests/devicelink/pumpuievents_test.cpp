#include "devicelink/pumpuievents.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace sp {
namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

TEST(PumpUiEventsTest, RunsAtLeastOnceAndSleepsBeforeDispatching) {
  int dispatched = 0;
  const auto start = Clock::now();
  Clock::time_point firstDispatch{};
  PumpUiEvents(0, [&] {
    if (dispatched++ == 0) firstDispatch = Clock::now();
  });
  EXPECT_EQ(dispatched, 1);
  EXPECT_GE(std::chrono::duration_cast<std::chrono::microseconds>(firstDispatch - start).count(), 1000);
}

TEST(PumpUiEventsTest, DispatchesOneEventPerMillisecondStepUntilTheTimeIsUp) {
  int dispatched = 0;
  const auto start = Clock::now();
  PumpUiEvents(30, [&] { ++dispatched; });
  EXPECT_GE(ElapsedMs(start), 30);
  // Each step sleeps at least 1 ms before its one dispatch.
  EXPECT_GE(dispatched, 1);
  EXPECT_LE(dispatched, 31);
}

TEST(PumpUiEventsTest, ASlowEventEndsTheWaitWhenItOutlastsIt) {
  int dispatched = 0;
  PumpUiEvents(10, [&] {
    ++dispatched;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  });
  EXPECT_EQ(dispatched, 1);
}

TEST(PumpUiEventsTest, WithoutADispatcherItOnlyWaits) {
  const auto start = Clock::now();
  PumpUiEvents(20, {});
  EXPECT_GE(ElapsedMs(start), 20);
}

}  // namespace
}  // namespace sp
