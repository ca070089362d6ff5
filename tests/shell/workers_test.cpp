// The shell's worker mechanics and the sequences its workers run: the
// connection check and the install guide's animation, driven with scripted
// sleeps so every step can be observed and stopped.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "shell/connectioncheck.h"
#include "shell/installframes.h"
#include "shell/stoppableworker.h"
#include "uikit/layerlist.h"

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

// Records what the check tells its page.
struct RecordingSink : ICheckSink {
  void Layers(const std::string& list) override { log.push_back("L:" + list); }
  void Progress(int p) override { progress.push_back(p); }
  void Finished(CheckOutcome o) override { outcomes.push_back(o); }
  std::vector<std::string> log;
  std::vector<int> progress;
  std::vector<CheckOutcome> outcomes;
};

struct ScriptedCheck {
  std::vector<bool> answers;
  int stopAtSleep = -1;  // the sleep call (0-based) that reports a stop
  int adapterCalls = 0;
  int sleeps = 0;
  std::vector<int> sleepLengths;

  ConnectionCheckSteps Steps() {
    ConnectionCheckSteps s;
    s.adapterUsable = [this] { return answers.at(adapterCalls++); };
    s.sleep = [this](int ms) {
      sleepLengths.push_back(ms);
      return sleeps++ != stopAtSleep;
    };
    return s;
  }
};

std::vector<int> Range(int from, int to) {
  std::vector<int> v;
  for (int i = from; i <= to; ++i) v.push_back(i);
  return v;
}

TEST(ConnectionCheck, PassingRunsBothAnimationsAndTestsTwice) {
  ScriptedCheck script{{true, true}};
  RecordingSink sink;
  CheckOutcome outcome{};
  ASSERT_TRUE(RunConnectionCheck(script.Steps(), sink, &outcome));
  EXPECT_EQ(outcome, CheckOutcome::Passed);
  EXPECT_EQ(sink.progress, Range(0, 100));
  EXPECT_EQ(script.sleeps, 101);  // 51 steps before the first test, 50 before the second
  EXPECT_EQ(script.sleepLengths.front(), kCheckStepMs);
  EXPECT_EQ(script.adapterCalls, 2);
  EXPECT_EQ(sink.log, (std::vector<std::string>{std::string("L:") + kCheckRow1List, std::string("L:") + kCheckRow2List,
                                                std::string("L:") + kCheckPassedList}));
  EXPECT_EQ(sink.outcomes, std::vector<CheckOutcome>{CheckOutcome::Passed});
}

TEST(ConnectionCheck, FailuresStopAtTheRowUnderTest) {
  ScriptedCheck first{{false}};
  RecordingSink sink1;
  ASSERT_TRUE(RunConnectionCheck(first.Steps(), sink1));
  EXPECT_EQ(sink1.progress, Range(0, 50));
  EXPECT_EQ(sink1.log.back(), std::string("L:") + kCheckRow1FailedList);
  EXPECT_EQ(sink1.outcomes, std::vector<CheckOutcome>{CheckOutcome::FailedRow1});
  EXPECT_EQ(first.adapterCalls, 1);

  ScriptedCheck second{{true, false}};
  RecordingSink sink2;
  ASSERT_TRUE(RunConnectionCheck(second.Steps(), sink2));
  EXPECT_EQ(sink2.progress, Range(0, 100));
  EXPECT_EQ(sink2.log.back(), std::string("L:") + kCheckRow2FailedList);
  EXPECT_EQ(sink2.outcomes, std::vector<CheckOutcome>{CheckOutcome::FailedRow2});
}

TEST(ConnectionCheck, AStoppedCheckTellsNothingMore) {
  ScriptedCheck early{{true, true}, 10};
  RecordingSink sink1;
  EXPECT_FALSE(RunConnectionCheck(early.Steps(), sink1));
  EXPECT_EQ(sink1.progress, Range(0, 10));
  EXPECT_EQ(sink1.log.size(), 1u);
  EXPECT_TRUE(sink1.outcomes.empty());
  EXPECT_EQ(early.adapterCalls, 0);

  ScriptedCheck late{{true, true}, 60};
  RecordingSink sink2;
  EXPECT_FALSE(RunConnectionCheck(late.Steps(), sink2));
  EXPECT_EQ(late.adapterCalls, 1);
  EXPECT_TRUE(sink2.outcomes.empty());
  EXPECT_EQ(sink2.progress.back(), 60);
}

TEST(InstallFrames, StepsFillTheirFramesExactly) {
  InstallFrames f;
  BuildInstallFrames(0, f);
  EXPECT_EQ(CountUsedFrames(f), 15);
  EXPECT_EQ(f[0], "cbackground.jpg|0|0|255|0,step1.png|0|70|255|0,");
  EXPECT_EQ(f[3], "cbackground.jpg|0|0|255|0,step3.png|0|70|255|0,");
  EXPECT_EQ(f[9], "cbackground.jpg|0|0|255|0,step9.png|0|70|255|0,");
  EXPECT_EQ(f[13], f[0]);
  EXPECT_EQ(f[14], "cbackground.jpg|0|0|255|0,");
  for (int i = 15; i < 20; ++i) EXPECT_TRUE(f[i].empty());

  BuildInstallFrames(1, f);
  EXPECT_EQ(CountUsedFrames(f), 18);
  const std::string scene =
      "cbackground.jpg|0|0|255|0,computer.png|363|99|255|0,router_s.png|183|101|255|0,VBX-207.png|9|105|255|0,";
  EXPECT_EQ(f[0], scene);
  EXPECT_EQ(f[2], scene + "1-power.png|267|8|255|500,");
  EXPECT_EQ(f[7], scene + "1-power.png|267|8|255|1000,2-line.png|13|100|255|1500,");
  EXPECT_EQ(f[8], f[7] + "3-line.png|10|100|255|0,");
  EXPECT_EQ(f[12], f[10] + "1-power.png|8|69|255|500,");
  for (int i = 13; i <= 17; ++i) EXPECT_EQ(f[i], f[10] + "1-power.png|8|69|255|1000,");
  EXPECT_TRUE(f[18].empty() && f[19].empty());

  BuildInstallFrames(2, f);
  EXPECT_EQ(CountUsedFrames(f), 9);
  EXPECT_EQ(f[1], "cbackground.jpg|0|0|255|0,step7.png|0|70|255|0,");
  EXPECT_EQ(f[5], "cbackground.jpg|0|0|255|0,step8.png|0|70|255|0,");
  EXPECT_EQ(f[8], "cbackground.jpg|0|0|255|0,");

  BuildInstallFrames(3, f);  // no such step: nothing left over from step 2
  EXPECT_EQ(CountUsedFrames(f), 0);
}

TEST(InstallFrames, EveryFrameIsAWellFormedList) {
  InstallFrames f;
  for (int step = 0; step < kInstallStepCount; ++step) {
    BuildInstallFrames(step, f);
    for (const std::string& frame : f) {
      if (frame.empty()) continue;
      EXPECT_LE(frame.size(), 2047u);
      EXPECT_EQ(frame.back(), ',');
      const auto entries = ParseLayerList(frame, LayerVariant::FourNumbers);
      EXPECT_EQ(entries.front().file, "cbackground.jpg");
      for (const LayerEntry& e : entries) EXPECT_EQ(e.alpha, 255);
    }
  }
}

TEST(InstallAnimation, ShowsUsedFramesInOrderAndWrapsAround) {
  InstallFrames f;
  BuildInstallFrames(2, f);
  std::vector<std::string> shown;
  std::vector<int> waits;
  RunInstallAnimation(
      f, 700, [&](const std::string& frame) { shown.push_back(frame); },
      [&](int ms) {
        waits.push_back(ms);
        return waits.size() < 11;  // stop after the 11th wait
      });
  ASSERT_EQ(shown.size(), 11u);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(shown[i], f[i]);
  EXPECT_EQ(shown[9], f[0]);  // empty frames 9..19 passed over without waiting
  EXPECT_EQ(shown[10], f[1]);
  EXPECT_EQ(waits, std::vector<int>(11, 700));
}

TEST(InstallAnimation, WithoutFramesItEndsAtOnce) {
  InstallFrames f;
  BuildInstallFrames(7, f);
  int shows = 0;
  RunInstallAnimation(
      f, 700, [&](const std::string&) { ++shows; }, [](int) { return true; });
  EXPECT_EQ(shows, 0);
}

}  // namespace
}  // namespace sp
