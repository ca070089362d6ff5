// What the appliance received, read back from the simulator, after commands
// sent through the real exchange with payloads built from the byte tables.
#include <thread>

#include "tests/net/devicelink/devicelinknettest.h"

namespace sp::nettest {
namespace {

class SimStateNetTest : public DeviceLinkNetTest {
 protected:
  void SetUp() override {
    DeviceLinkNetTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    sim_ = StartSimulator(net(), {"--count", "2"});
    ASSERT_NE(sim_, nullptr);
  }
  nlohmann::json State() { return sim_->Appliance(mac_); }
  const std::string mac_ = SimulatorMac(0);
};

TEST_F(SimStateNetTest, LoginPasswordAndLoginAgain) {
  // Factory password: empty. The login sends MD5("admin"), MD5("").
  EXPECT_EQ(Send(mac_, kCmdLoginCheck, LoginPayload("")).code(), kReplyAccepted);
  EXPECT_NE(Send(mac_, kCmdLoginCheck, LoginPayload("guess")).code(), kReplyAccepted);
  EXPECT_EQ(State()["last_payload"]["7"], Hex(LoginPayload("guess")));

  // Item 15: "admin" and the new password, each in 16 NUL-padded bytes.
  Bytes data(32, 0);
  Put(data, 0, "admin");
  Put(data, 16, "ab12cd34");
  const Exchange set = SendItem(mac_, kItemAdminPassword, data);
  EXPECT_EQ(set.length, 27);
  EXPECT_EQ(set.code(), kReplyAccepted);

  const auto state = State();
  EXPECT_EQ(state["password"], "ab12cd34");
  EXPECT_EQ(state["last_item_data"]["15"], Hex(data));
  EXPECT_EQ(state["logins"]["accepted"], 1);
  EXPECT_EQ(state["logins"]["rejected"], 1);
  EXPECT_EQ(Send(mac_, kCmdLoginCheck, LoginPayload("ab12cd34")).code(), kReplyAccepted);
  EXPECT_NE(Send(mac_, kCmdLoginCheck, LoginPayload("")).code(), kReplyAccepted);
  // The other appliance was not addressed and keeps its factory password.
  EXPECT_EQ(sim_->Appliance(SimulatorMac(1))["password"], "");
  EXPECT_TRUE(sim_->Appliance(SimulatorMac(1))["counts"].empty());
}

TEST_F(SimStateNetTest, TimeSettingsAreStoredAsSent) {
  Bytes t(136, 0);
  t[0] = 4;         // time zone index
  Put32(t, 4, 1);   // daylight saving on
  Put32(t, 8, 7);   // "EU"
  Put32(t, 12, 3);  // start: March, last week, Sunday, 2 o'clock
  Put32(t, 16, 5);
  Put32(t, 20, 0);
  Put32(t, 24, 2);
  Put32(t, 28, 10);  // end: October
  Put32(t, 32, 5);
  Put32(t, 36, 0);
  Put32(t, 40, 3);
  Put32(t, 44, 0);  // no time server: the clock fields count
  Put32(t, 112, 6);
  Put32(t, 116, 15);
  Put32(t, 120, 17);  // 2025
  Put32(t, 124, 10);
  Put32(t, 128, 30);
  Put32(t, 132, 59);
  EXPECT_EQ(SendItem(mac_, kItemTimeSettings, t).code(), kReplyAccepted);
  const auto time = State()["time"];
  EXPECT_EQ(time["hex"], Hex(t));
  EXPECT_EQ(time["zone"], 4);
  EXPECT_EQ(time["dst_region"], 7);
  EXPECT_EQ(time["clock"], nlohmann::json({6, 15, 17, 10, 30, 59}));

  // A wrongly sized item is not a request the appliance takes: no answer.
  const Exchange cut = SendItem(mac_, kItemTimeSettings, Bytes(t.begin(), t.end() - 1));
  EXPECT_EQ(cut.length, 0);
  EXPECT_EQ(State()["item_counts"]["14"], 1);
}

TEST_F(SimStateNetTest, IdentityIsPendingUntilTheCommit) {
  Bytes record(177, 0);
  Put(record, 0, "Office-NAS");
  Put(record, 20, "10.77.0.60");
  Put(record, 36, mac_);
  Put(record, 56, "255.255.0.0");
  Put(record, 72, "10.77.0.1");
  Put(record, 137, "HOME");
  Put(record, 157, "shelf two");
  EXPECT_EQ(SendItem(mac_, kItemIdentity, record).code(), kReplyAccepted);
  auto state = State();
  EXPECT_EQ(state["pending_identity"]["name"], "Office-NAS");
  EXPECT_EQ(state["identity"]["ip"], "10.77.0.2");
  EXPECT_EQ(state["commit_count"], 0);
  EXPECT_EQ(Send(mac_, kCmdQueryIdentity).Text(5), "VBX-207");

  const std::string word = "nvram_commit";
  EXPECT_EQ(SendItem(mac_, kItemCommit, Bytes(word.begin(), word.end())).code(), kReplyAccepted);
  state = State();
  EXPECT_EQ(state["commit_count"], 1);
  EXPECT_TRUE(state["pending_identity"].is_null());
  EXPECT_EQ(state["committed"]["identity"]["name"], "Office-NAS");
  const nlohmann::json expected = {{"name", "Office-NAS"},      {"ip", "10.77.0.60"},     {"mac", mac_},
                                   {"netmask", "255.255.0.0"},  {"gateway", "10.77.0.1"}, {"workgroup", "HOME"},
                                   {"description", "shelf two"}};
  EXPECT_EQ(state["identity"], expected);

  // Command 0 now reports the record at reply-area offsets 5, 25, 41, 61,
  // 77, 142, 162.
  const Exchange e = Send(mac_, kCmdQueryIdentity);
  EXPECT_EQ(e.Text(5), "Office-NAS");
  EXPECT_EQ(e.Text(25), "10.77.0.60");
  EXPECT_EQ(e.Text(41), mac_);
  EXPECT_EQ(e.Text(61), "255.255.0.0");
  EXPECT_EQ(e.Text(77), "10.77.0.1");
  EXPECT_EQ(e.Text(142), "HOME");
  EXPECT_EQ(e.Text(162), "shelf two");

  // Anything but the exact word is refused and commits nothing.
  const std::string other = "nvram_commiT";
  EXPECT_NE(SendItem(mac_, kItemCommit, Bytes(other.begin(), other.end())).code(), kReplyAccepted);
  EXPECT_EQ(State()["commit_count"], 1);
}

TEST_F(SimStateNetTest, DisksFormatAndProgress) {
  // Two default disks in slots at reply-area offsets 5 and 69.
  Exchange disks = Send(mac_, kCmdQueryDisks);
  ASSERT_EQ(disks.length, 27 + 128);
  EXPECT_EQ(disks.Text(5).substr(0, 3), "WDC");
  EXPECT_EQ(disks.area[5 + 48], '0');
  EXPECT_EQ(disks.area[69 + 48], '1');
  const std::uint32_t mb = disks.area[5 + 52] | disks.area[5 + 53] << 8 | disks.area[5 + 54] << 16 |
                           static_cast<std::uint32_t>(disks.area[5 + 55]) << 24;
  EXPECT_EQ(mb, 476940u);

  ASSERT_TRUE(sim_->SetDisks(mac_, {{"ACME", "Spin 1T", "SN-1", '1', 953869}}));
  disks = Send(mac_, kCmdQueryDisks);
  EXPECT_EQ(disks.Text(5), "ACME");
  EXPECT_EQ(disks.Text(5 + 16), "Spin 1T");
  EXPECT_EQ(disks.Text(5 + 32), "SN-1");
  for (int i = 69; i < 69 + 64; ++i) ASSERT_EQ(disks.area[i], 0) << i;

  EXPECT_EQ(Send(mac_, kCmdQueryProgress).Text(5), "0");
  EXPECT_EQ(Send(mac_, kCmdStartDiskSetup, {30, 4}).code(), kReplyAccepted);
  auto format = State()["format"];
  EXPECT_EQ(format["nas_percent"], 30);
  EXPECT_EQ(format["level"], 4);
  EXPECT_EQ(format["disk_sizes_mb"], nlohmann::json({953869}));

  ASSERT_TRUE(sim_->SetProgressSpeed(mac_, 0));
  const int stalled = std::stoi(Send(mac_, kCmdQueryProgress).Text(5));
  EXPECT_LT(stalled, 100);
  EXPECT_EQ(std::stoi(Send(mac_, kCmdQueryProgress).Text(5)), stalled);
  ASSERT_TRUE(sim_->SetProgressSpeed(mac_, 1000));  // done in 0.1 s
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(Send(mac_, kCmdQueryProgress).Text(5), "100");

  // An unknown level code is refused.
  EXPECT_NE(Send(mac_, kCmdStartDiskSetup, {50, 9}).code(), kReplyAccepted);
  EXPECT_EQ(State()["format"]["count"], 1);
}

TEST_F(SimStateNetTest, IdentifyIsCountedForTheAddressedApplianceOnly) {
  EXPECT_EQ(Send(SimulatorMac(1), kCmdIdentify).code(), kReplyAccepted);
  EXPECT_EQ(Send(SimulatorMac(1), kCmdIdentify).code(), kReplyAccepted);
  EXPECT_EQ(sim_->Appliance(SimulatorMac(1))["identify_count"], 2);
  EXPECT_EQ(sim_->Appliance(SimulatorMac(1))["identify_lit"], true);
  EXPECT_EQ(State()["identify_count"], 0);
  EXPECT_EQ(State()["identify_lit"], false);
}

}  // namespace
}  // namespace sp::nettest
