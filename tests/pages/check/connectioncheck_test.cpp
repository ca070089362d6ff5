// The connection check the check page's worker runs, driven with scripted
// sleeps so every step can be observed and stopped.
#include "pages/check/core/connectioncheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sp {
namespace {

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

}  // namespace
}  // namespace sp
