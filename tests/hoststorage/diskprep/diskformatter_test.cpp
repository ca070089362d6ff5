#include "hoststorage/diskprep/diskformatter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace sp {
namespace {

using namespace std::chrono_literals;

// A formatter whose run the test releases: it reports `percent`, then waits
// until released (or stopped) and ends with the outcome it was given.
class GatedFormatter : public INtfsFormatter {
 public:
  bool Format(const std::string& device, const NtfsFormatOptions& options, const std::function<void(int)>& progress,
              std::stop_token stop) override {
    {
      std::lock_guard lock(m_);
      device_ = device;
      options_ = options;
      ++runs_;
    }
    progress(42);
    std::unique_lock lock(m_);
    cv_.wait(lock, stop, [&] { return released_; });
    if (stop.stop_requested() && !released_) stopped_ = true;
    return released_ && outcome_;
  }
  void Release(bool outcome) {
    std::lock_guard lock(m_);
    released_ = true;
    outcome_ = outcome;
    cv_.notify_all();
  }
  std::mutex m_;
  std::condition_variable_any cv_;
  bool released_ = false, outcome_ = false, stopped_ = false;
  int runs_ = 0;
  std::string device_;
  NtfsFormatOptions options_;
};

FormatWaitTiming Fast() {
  FormatWaitTiming t;
  t.checkInterval = 5ms;
  t.settle = 1ms;
  t.lateInterval = 2ms;
  t.limit = 10s;
  return t;
}

TEST(DiskFormatter, StatusValuesAndBarMappingWhileWaitingForSuccess) {
  GatedFormatter gate;
  DiskFormatter f(gate, Fast());
  EXPECT_EQ(f.status(), kFormatIdle);
  NtfsFormatOptions options;
  options.hiddenSectors = 2048;
  ASSERT_TRUE(f.Start("/dev/loop9", options));
  EXPECT_EQ(f.status(), kFormatRunning);
  // One format at a time.
  EXPECT_FALSE(f.Start("/dev/loop10", options));

  std::vector<int> bar;
  const bool ok = f.Wait([&](int p) {
    bar.push_back(p);
    if (bar.size() == 7) gate.Release(true);
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(f.status(), kFormatSucceeded);
  EXPECT_EQ(f.percent(), 42);
  EXPECT_EQ(gate.device_, "/dev/loop9");
  EXPECT_EQ(gate.options_.hiddenSectors, 2048u);
  // check / 3 + 65, from 65 on.
  ASSERT_GE(bar.size(), 7u);
  EXPECT_EQ((std::vector<int>(bar.begin(), bar.begin() + 7)), (std::vector<int>{65, 65, 65, 66, 66, 66, 67}));

  // The formatter serves the next format after this one.
  GatedFormatter gate2;
  DiskFormatter g(gate2, Fast());
  gate2.Release(true);
  ASSERT_TRUE(g.Start("/dev/loop1", {}));
  EXPECT_TRUE(g.Wait({}));
  ASSERT_TRUE(g.Start("/dev/loop2", {}));
  EXPECT_TRUE(g.Wait({}));
  EXPECT_EQ(gate2.runs_, 2);
}

TEST(DiskFormatter, TheBarStopsAt98AndAFailureEndsTheWaitAtOnce) {
  GatedFormatter gate;
  FormatWaitTiming t = Fast();
  t.checkInterval = 1ms;
  DiskFormatter f(gate, t);
  ASSERT_TRUE(f.Start("/dev/loop9", {}));
  std::vector<int> bar;
  const bool ok = f.Wait([&](int p) {
    bar.push_back(p);
    if (bar.size() == 100) gate.Release(false);  // the format fails after the last bar check
  });
  EXPECT_FALSE(ok);
  EXPECT_EQ(bar.size(), 100u);
  EXPECT_EQ(bar.back(), 98);
  EXPECT_EQ(f.status(), kFormatIdle);
  EXPECT_FALSE(gate.stopped_);
}

TEST(DiskFormatter, AFormatThatNeverSucceedsIsStoppedAtTheLimit) {
  GatedFormatter gate;
  FormatWaitTiming t = Fast();
  t.limit = 60ms;
  DiskFormatter f(gate, t);
  ASSERT_TRUE(f.Start("/dev/loop9", {}));
  EXPECT_FALSE(f.Wait({}));
  EXPECT_TRUE(gate.stopped_);
  EXPECT_NE(f.status(), kFormatSucceeded);
  // Nothing is left running: a new format can start.
  gate.Release(true);
  EXPECT_TRUE(f.Start("/dev/loop9", {}));
  EXPECT_TRUE(f.Wait({}));
}

TEST(DiskFormatter, StoppingTheWaitStopsTheFormat) {
  GatedFormatter gate;
  DiskFormatter f(gate, Fast());
  ASSERT_TRUE(f.Start("/dev/loop9", {}));
  std::stop_source stop;
  int checks = 0;
  EXPECT_FALSE(f.Wait(
      [&](int) {
        if (++checks == 3) stop.request_stop();
      },
      stop.get_token()));
  EXPECT_TRUE(gate.stopped_);
  // Waiting without a started format does not wait at all.
  DiskFormatter idle(gate, Fast());
  EXPECT_FALSE(idle.Wait({}));
}

}  // namespace
}  // namespace sp
