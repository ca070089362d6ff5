// Every fault the simulator can show, seen from the wizard's side.
#include "tests/net/devicelink/devicelinknettest.h"

namespace sp::nettest {
namespace {

class FaultsNetTest : public DeviceLinkNetTest {
 protected:
  void SetUp() override {
    DeviceLinkNetTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    sim_ = StartSimulator(net(), {});
    ASSERT_NE(sim_, nullptr);
  }
  const std::string mac_ = SimulatorMac(0);
};

// No reply: 0 after the three seconds of the single address, area untouched.
void ExpectNoReply(const Exchange& e) {
  EXPECT_EQ(e.length, 0);
  EXPECT_GE(e.seconds, 2.9);
  EXPECT_LT(e.seconds, 4.5);
  for (auto b : e.area) ASSERT_EQ(b, 0xee);
}

TEST_F(FaultsNetTest, DroppedRequestGivesNoReplyAndNoEffect) {
  ASSERT_TRUE(sim_->SetFault({.kind = "drop", .command = kCmdIdentify, .count = 1}));
  ExpectNoReply(Send(mac_, kCmdIdentify));
  EXPECT_EQ(sim_->Appliance(mac_)["identify_count"], 0);
  // The count is used up: the next one is answered.
  EXPECT_EQ(Send(mac_, kCmdIdentify).code(), kReplyAccepted);
  EXPECT_EQ(sim_->Appliance(mac_)["identify_count"], 1);
}

TEST_F(FaultsNetTest, DroppedReplyAfterTheApplianceActed) {
  ASSERT_TRUE(sim_->SetFault({.kind = "drop_reply", .command = kCmdIdentify}));
  ExpectNoReply(Send(mac_, kCmdIdentify));
  EXPECT_EQ(sim_->Appliance(mac_)["identify_count"], 1);
}

TEST_F(FaultsNetTest, RefusedCommandComesBackWithItsCode) {
  ASSERT_TRUE(sim_->SetFault({.kind = "refuse", .command = kCmdLoginCheck, .code = 5}));
  const Exchange e = Send(mac_, kCmdLoginCheck, LoginPayload(""));
  EXPECT_EQ(e.length, 27);
  EXPECT_EQ(e.code(), 5);
  EXPECT_LT(e.seconds, 1.0);
  EXPECT_EQ(sim_->Appliance(mac_)["logins"]["accepted"], 0);
}

TEST_F(FaultsNetTest, ReplyWithTheWrongMacIsIgnored) {
  ASSERT_TRUE(sim_->SetFault({.kind = "wrong_mac", .command = kCmdQueryIdentity}));
  // Discovery asks all appliances and gets answers headed with one's own MAC.
  EXPECT_EQ(Discover().RowCount(), 0);
  // Addressed by its own MAC the header matches again.
  EXPECT_EQ(Send(mac_, kCmdQueryIdentity).code(), kReplyAccepted);
  ExpectNoReply(Send(kBroadcastMac, kCmdQueryIdentity));
}

TEST_F(FaultsNetTest, DuplicateAnswerGivesOneRowAndOneReply) {
  ASSERT_TRUE(sim_->SetFault({.kind = "duplicate"}));
  EXPECT_EQ(Discover().RowCount(), 1);
  EXPECT_EQ(Send(mac_, kCmdIdentify).code(), kReplyAccepted);
  EXPECT_EQ(sim_->Appliance(mac_)["identify_count"], 1);
}

TEST_F(FaultsNetTest, MalformedRepliesAreIgnored) {
  ASSERT_TRUE(sim_->SetFault({.kind = "short", .command = kCmdQueryDisks}));
  ASSERT_TRUE(sim_->SetFault({.kind = "garbage", .command = kCmdQueryProgress}));
  ExpectNoReply(Send(mac_, kCmdQueryDisks));
  ExpectNoReply(Send(mac_, kCmdQueryProgress));
  EXPECT_EQ(sim_->Appliance(mac_)["counts"]["9"], 1);
}

TEST_F(FaultsNetTest, DelayedReplyStillArrivesWithinTheWait) {
  ASSERT_TRUE(sim_->SetFault({.kind = "delay", .command = kCmdQueryDisks, .delayMs = 700}));
  const Exchange e = Send(mac_, kCmdQueryDisks);
  EXPECT_EQ(e.code(), kReplyAccepted);
  EXPECT_GE(e.seconds, 0.7);
  EXPECT_LT(e.seconds, 2.0);
}

TEST_F(FaultsNetTest, SilentAfterCommit) {
  ASSERT_TRUE(sim_->SetFault({.kind = "silent_after_commit"}));
  EXPECT_EQ(Send(mac_, kCmdQueryIdentity).code(), kReplyAccepted);
  const std::string commit = "nvram_commit";
  EXPECT_EQ(SendItem(mac_, kItemCommit, Bytes(commit.begin(), commit.end())).code(), kReplyAccepted);
  ExpectNoReply(Send(mac_, kCmdQueryIdentity));
}

}  // namespace
}  // namespace sp::nettest
