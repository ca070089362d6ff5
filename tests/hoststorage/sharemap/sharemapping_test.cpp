// Clearing a drive letter and mapping the NAS share, against the fakes of the
// connection facilities and the agent: the order of the steps, what the agent
// receives, and how its answer sets the NAS mapped flag.
#include "hoststorage/sharemap/sharemapping.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "platform/fake/fakenetwork.h"

namespace sp {
namespace {

class ShareMappingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state_.Clear();
    CopyBounded(state_.nasDriveLetter, "Z:");
    CopyBounded(state_.deviceHostName, u"storage1");
  }

  NetJournal journal_;
  FakeNetConnections connections_{&journal_};
  FakeNetUse netUse_{&journal_, &connections_};
  FakeNetDockAgent agent_{&journal_};
  ShareMapping mapping_{connections_, netUse_, agent_};
  WizardState state_;
};

TEST_F(ShareMappingTest, ClearsInTheFixedOrderThenMapsAtOnce) {
  // An earlier mapping of the letter, with files open on it.
  connections_.entries['Z'] = {"\\\\old\\Volume1", true, true, true};
  connections_.entries['Y'] = {"\\\\other\\Volume1", true, true, false};
  mapping_.MapNasShare(state_);
  const NetJournal expected = {"cancel Z: profile force", "net use Z: delete",
                               "agent unmap Z:", "agent map Z: \\\\storage1\\Volume1"};
  EXPECT_EQ(journal_, expected);
  // Forgotten despite the open files; the other letter untouched.
  EXPECT_EQ(connections_.entries.count('Z'), 0u);
  EXPECT_EQ(connections_.entries.count('Y'), 1u);
  EXPECT_EQ(state_.nasMapped, 1);
}

TEST_F(ShareMappingTest, AgentReceivesTheTwoRequestFormsWithTheirLengths) {
  mapping_.MapNasShare(state_);
  ASSERT_EQ(agent_.received.size(), 2u);
  EXPECT_EQ(agent_.received[0].dwData, kNetDockUnmapRequest);
  EXPECT_EQ(agent_.received[0].text, u"Z:");
  EXPECT_EQ(agent_.received[0].cbData, 6u);
  EXPECT_EQ(agent_.received[1].dwData, kNetDockMapRequest);
  EXPECT_EQ(agent_.received[1].text, u"Z: \\\\storage1\\Volume1");
  EXPECT_EQ(agent_.received[1].cbData, 44u);
}

TEST_F(ShareMappingTest, HostNameIsTakenWholeFromTheWideField) {
  // A full 31-unit name with a character outside ASCII.
  const std::u16string host = u"Vaultline-\u00c5-0123456789ABCDEFGHI";
  ASSERT_EQ(host.size(), 31u);
  CopyBounded(state_.deviceHostName, host);
  CopyBounded(state_.nasDriveLetter, "e:");
  mapping_.MapNasShare(state_);
  ASSERT_EQ(agent_.received.size(), 2u);
  EXPECT_EQ(agent_.received[1].text, u"e: \\\\" + host + u"\\Volume1");
  // One narrow byte more than wide units for the "Å": cbData follows the
  // narrow length.
  EXPECT_EQ(agent_.received[1].cbData, 2u * (agent_.received[1].text.size() + 2));
}

TEST_F(ShareMappingTest, FlagFollowsTheAgentsAnswer) {
  struct Case {
    bool present;
    std::int64_t answer;
    std::int32_t flag;
  };
  for (const Case c :
       {Case{false, 1, 0}, Case{true, 0, 0}, Case{true, 1, 1}, Case{true, -1, 1}, Case{true, 0x100000000LL, 1}}) {
    agent_.present = c.present;
    agent_.mapAnswer = c.answer;
    state_.nasMapped = 7;  // whatever was there before is replaced
    mapping_.MapNasShare(state_);
    EXPECT_EQ(state_.nasMapped, c.flag) << c.present << " " << c.answer;
  }
}

TEST_F(ShareMappingTest, WithoutAgentEveryStepStillRuns) {
  agent_.present = false;
  mapping_.MapNasShare(state_);
  const NetJournal expected = {"cancel Z: profile force", "net use Z: delete", "agent unmap Z: (no agent)",
                               "agent map Z: \\\\storage1\\Volume1 (no agent)"};
  EXPECT_EQ(journal_, expected);
  EXPECT_EQ(state_.nasMapped, 0);
}

TEST_F(ShareMappingTest, LetterWithoutConnectionPassesTheClearingAndIsMapped) {
  netUse_.commandAvailable = false;  // and the delete command cannot even start
  connections_.entries['Y'] = {"\\\\other\\Volume1", true, false, false};
  mapping_.MapNasShare(state_);
  const NetJournal expected = {"cancel Z: profile force", "net not started",
                               "agent unmap Z:", "agent map Z: \\\\storage1\\Volume1"};
  EXPECT_EQ(journal_, expected);
  EXPECT_EQ(connections_.entries.size(), 1u);
  EXPECT_EQ(state_.nasMapped, 1);
}

TEST_F(ShareMappingTest, ClearingAloneSendsNoMapRequest) {
  connections_.entries['F'] = {"\\\\nas\\Volume1", true, false, false};
  mapping_.ClearDriveLetter("F:");
  const NetJournal expected = {"cancel F: profile force", "net use F: delete", "agent unmap F:"};
  EXPECT_EQ(journal_, expected);
  std::string remote;
  EXPECT_EQ(connections_.GetConnection("F:", &remote), kNetErrorNotConnected);
}

TEST_F(ShareMappingTest, CloseAgentOnlyWhenThere) {
  EXPECT_TRUE(mapping_.CloseAgent());
  EXPECT_EQ(agent_.closes, 1);
  EXPECT_FALSE(mapping_.CloseAgent());  // it is gone now
  EXPECT_EQ(agent_.closes, 1);
}

}  // namespace
}  // namespace sp
