// The UI thread keeps turning while a slow question is pending elsewhere.
#include "framework/core/awaitoffthread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <thread>

namespace sp {
namespace {

TEST(AwaitOffThread, PumpsUntilTheWorkerAnswersAndHandsBackItsResult) {
  // The work blocks until the "event loop" has turned 20 times: it can only
  // finish when the waiting thread really pumps meanwhile.
  std::mutex mutex;
  std::condition_variable turned;
  int turns = 0;
  const std::thread::id caller = std::this_thread::get_id();
  std::thread::id ranOn;
  const int answer = AwaitOffThread<int>(
      [&] {
        ranOn = std::this_thread::get_id();
        std::unique_lock lock(mutex);
        return turned.wait_for(lock, std::chrono::seconds(10), [&] { return turns >= 20; }) ? 42 : -1;
      },
      [&](int ms) {
        EXPECT_EQ(ms, kAwaitPumpMs);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::lock_guard lock(mutex);
        ++turns;
        turned.notify_all();
      });
  EXPECT_EQ(answer, 42);
  EXPECT_NE(ranOn, caller);
  EXPECT_GE(turns, 20);
}

}  // namespace
}  // namespace sp
