// The setup lease and the polkit gate over a fake process table and a fake
// polkit: who is asked, when, and who is kept out.
#include "tools/iscsid/policyauthority.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>

#include "platform/linux/iscsicontrolprotocol.h"

namespace sp::iscsid {
namespace {

using namespace iscsictl;

TEST(ProcessStartTimeTest, ReadsField22AfterTheLastParenthesis) {
  const std::string tail = " S 1 2 3 0 -1 4194304 100 0 0 0 0 0 0 0 20 0 1 0 2482221 3133440 418\n";
  EXPECT_EQ(ParseProcessStartTime("20805 (cat)" + tail), 2482221u);
  // A name may hold spaces, parentheses and what looks like fields.
  EXPECT_EQ(ParseProcessStartTime("7 (a) S 1 2 ) (x y)" + tail), 2482221u);
  EXPECT_TRUE(ProcessStartTime(getpid()).has_value());
  EXPECT_FALSE(ProcessStartTime(0));
  EXPECT_FALSE(ParseProcessStartTime("20805 (cat) S 1 2 3"));
  EXPECT_FALSE(ParseProcessStartTime("20805 cat S 1 2 3 0 -1 4194304 100 0 0 0 0 0 0 0 20 0 1 0 2482221"));
  EXPECT_FALSE(ParseProcessStartTime("1 (x) S 1 2 3 0 -1 4 100 0 0 0 0 0 0 0 20 0 1 0 -5 3\n"));
  EXPECT_FALSE(ParseProcessStartTime("1 (x) S 1 2 3 0 -1 4 100 0 0 0 0 0 0 0 20\n0 1 0 99 3\n"));
}

class PolicyAuthorityTest : public ::testing::Test {
 protected:
  PolicyAuthorityTest()
      : lease_([this](pid_t pid) -> std::optional<std::uint64_t> {
          const auto it = processes_.find(pid);
          return it == processes_.end() ? std::nullopt : std::optional(it->second);
        }),
        authority_(lease_, [this](const LeaseHolder& subject, bool interactive) {
          asked_.push_back({subject.pid, interactive});
          EXPECT_EQ(subject.startTime, processes_[subject.pid]);
          return answer_;
        }) {
    processes_ = {{100, 5000}, {101, 5001}, {200, 6000}};
  }

  std::map<pid_t, std::uint64_t> processes_;
  SetupLease lease_;
  PolicyAuthority authority_;
  PolkitAnswer answer_ = PolkitAnswer::kAuthorised;
  std::vector<std::pair<pid_t, bool>> asked_;
  const Caller alice_{100, 1000, 1000}, aliceAgain_{101, 1000, 1000}, bob_{200, 1001, 1001}, root_{300, 0, 0};
};

TEST_F(PolicyAuthorityTest, TheHolderIsAskedOnceAndOthersWait) {
  EXPECT_EQ(authority_.BeginSetup(alice_), kOk);
  EXPECT_EQ(authority_.Check(op::kAddPortal, alice_), kOk);
  EXPECT_EQ(authority_.Check(op::kLogin, alice_), kOk);
  EXPECT_EQ(asked_, (std::vector<std::pair<pid_t, bool>>{{100, true}}));

  EXPECT_EQ(authority_.BeginSetup(bob_), kSetupInProgress);
  EXPECT_EQ(authority_.Check(op::kAddPortal, bob_), kSetupInProgress);
  EXPECT_EQ(authority_.Check(op::kSessions, bob_), kOk);
  EXPECT_EQ(authority_.Check(op::kAddPortal, root_), kOk);
  // The same person's other program is asked, without a dialog.
  EXPECT_EQ(authority_.Check(op::kAddPortal, aliceAgain_), kOk);
  EXPECT_EQ(asked_.back(), (std::pair<pid_t, bool>{101, false}));
  EXPECT_EQ(asked_.size(), 2u);

  // Only the holder gives it up.
  EXPECT_EQ(authority_.EndSetup(bob_), kOk);
  EXPECT_EQ(authority_.BeginSetup(bob_), kSetupInProgress);
  EXPECT_EQ(authority_.EndSetup(alice_), kOk);
  EXPECT_EQ(authority_.BeginSetup(bob_), kOk);
}

TEST_F(PolicyAuthorityTest, AHolderThatHasGoneFreesTheLease) {
  ASSERT_EQ(authority_.BeginSetup(alice_), kOk);
  processes_[100] = 7777;  // the pid now belongs to another process
  EXPECT_EQ(authority_.Check(op::kAddPortal, bob_), kOk);
  EXPECT_FALSE(lease_.Holder());
  ASSERT_EQ(authority_.BeginSetup(bob_), kOk);
  processes_.erase(200);
  EXPECT_EQ(authority_.BeginSetup(aliceAgain_), kOk);
  EXPECT_EQ(lease_.Holder()->pid, 101);
}

TEST_F(PolicyAuthorityTest, RefusalAndNoPolkitLeaveNoLease) {
  answer_ = PolkitAnswer::kRefused;
  EXPECT_EQ(authority_.BeginSetup(alice_), kNotAuthorised);
  EXPECT_EQ(authority_.Check(op::kAddPortal, alice_), kNotAuthorised);
  answer_ = PolkitAnswer::kUnavailable;  // falls back on the service's own user only
  EXPECT_EQ(authority_.BeginSetup(alice_), kNotAuthorised);
  EXPECT_FALSE(lease_.Holder());
  EXPECT_EQ(authority_.BeginSetup(root_), kOk);
  EXPECT_EQ(authority_.Check(op::kNodeName, bob_), kOk);
}

TEST(PkcheckAnswerTest, ExitStatusesMapToAnswers) {
  auto run = [](bool started, int exit, bool timedOut = false) {
    return PkcheckAnswer(ToolResult{started, timedOut, exit, ""});
  };
  EXPECT_EQ(run(true, 0), PolkitAnswer::kAuthorised);
  for (int refused : {1, 2, 3}) EXPECT_EQ(run(true, refused), PolkitAnswer::kRefused);
  EXPECT_EQ(run(true, -1, true), PolkitAnswer::kRefused);
  EXPECT_EQ(run(true, 126), PolkitAnswer::kUnavailable);
  EXPECT_EQ(run(false, -1), PolkitAnswer::kUnavailable);
}

}  // namespace
}  // namespace sp::iscsid
