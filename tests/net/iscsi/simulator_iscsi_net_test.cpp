// The appliance simulator's real iSCSI target: told to format with a profile
// that has an iSCSI part, the appliance offers its target at its address,
// named from its MAC text as the wizard names it, sized to that part, with
// vendor "KORVA"; a profile without iSCSI takes it away again.
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "devtools/vbx207-sim/tgtvolume.h"
#include "hoststorage/iscsi/iscsitarget.h"
#include "platform/linux/iscsicontrolclient.h"
#include "platform/linux/iscsicontrolprotocol.h"
#include "tests/net/devicelink/devicelinknettest.h"
#include "tests/net/iscsi/iscsinettest.h"

namespace sp::nettest {
namespace {

namespace op = iscsictl::op;

class SimulatorIscsiNetTest : public DeviceLinkNetTest {
 protected:
  void SetUp() override {
    DeviceLinkNetTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // Small LUNs: the default disks would give a sparse LUN of hundreds of GB.
    setenv("VBX207_SIM_ISCSI_MAX_MB", "48", 1);
    sim_ = StartSimulator(net(), {});
    ASSERT_NE(sim_, nullptr);
    const std::string dir = net().scratchDir() + "/iscsi";
    mount_ = dir + "/disks";
    client_ = std::make_unique<IscsiControlClient>(dir + "/control.sock");
    service_ =
        net().Spawn(net().pc(),
                    {IscsidPath(), "--foreground", "--socket", dir + "/control.sock", "--mount", mount_, "--state",
                     dir + "/state", "--pidfile", dir + "/pid", "--io-timeout", "3", "--login-timeout", "3"},
                    "iscsid");
    for (int i = 0; i < 100 && Call(op::kPing) != 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(Call(op::kPing), 0);
  }
  void TearDown() override {
    unsetenv("VBX207_SIM_ISCSI_MAX_MB");
    DeviceLinkNetTest::TearDown();
  }

  long Call(const char* operation, std::vector<std::pair<std::string, std::string>> fields = {},
            ControlMessage* reply = nullptr) {
    ControlRecord request = IscsiControlClient::Request(operation);
    for (const auto& [key, value] : fields) request.Set(key, value);
    const auto answer = client_->Call({request}, 30000);
    if (!answer) return -1;
    if (reply) *reply = *answer;
    return static_cast<long>((*answer)[0].GetU64Or("status", 999));
  }

  std::unique_ptr<sim::SimClient> sim_;
  std::unique_ptr<IscsiControlClient> client_;
  SpawnedProcess* service_ = nullptr;
  std::string mount_;
};

TEST_F(SimulatorIscsiNetTest, FormatWithIscsiOffersTheAppliancesTarget) {
  const std::string mac = SimulatorMac(0);
  const std::string target = ComposeTargetName(mac);
  EXPECT_EQ(Send(mac, kCmdStartDiskSetup, {50, 2}).code(), kReplyAccepted);
  ASSERT_EQ(Call(op::kAddPortal, {{"address", kVbxAddress}, {"socket", "3260"}}), 0);
  ControlMessage targets;
  ASSERT_EQ(Call(op::kTargets, {}, &targets), 0);
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets[1].Get("name"), target);

  ASSERT_EQ(Call(op::kLogin, {{"target", target}}), 0);
  const std::string lun = mount_ + "/" + target + "-lun1";
  struct stat st {};
  ASSERT_EQ(stat(lun.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 48ll << 20) << "the iSCSI part, capped for the test";
  char inquiry[96];
  ASSERT_GE(getxattr(lun.c_str(), "user.scsi.inquiry", inquiry, sizeof inquiry), 36);
  EXPECT_EQ(std::string(inquiry + 8, 8), "KORVA   ");

  // NAS only: the appliance has no iSCSI volume any more.
  EXPECT_EQ(Send(mac, kCmdStartDiskSetup, {100, 2}).code(), kReplyAccepted);
  EXPECT_NE(Call(op::kRefreshPortal, {{"address", kVbxAddress}, {"socket", "3260"}}), 0) << "nothing answers there";
  EXPECT_NE(Call(op::kLogin, {{"target", target}}), 0) << "the target is gone";
}

TEST(TgtVolumeSizes, IscsiPartOfAProfile) {
  EXPECT_EQ(sim::IscsiVolumeBytes({1000, 2000}, 50, 2), 1500ull << 20) << "both disks together";
  EXPECT_EQ(sim::IscsiVolumeBytes({1000, 2000}, 50, 4), 500ull << 20) << "RAID 1: the smaller disk";
  EXPECT_EQ(sim::IscsiVolumeBytes({1000}, 0, 2), 1000ull << 20);
  EXPECT_EQ(sim::IscsiVolumeBytes({1000}, 100, 2), 0u) << "NAS only";
  EXPECT_EQ(sim::IscsiVolumeBytes({}, 0, 2), 0u);
  EXPECT_EQ(sim::IscsiVolumeBytes({1000}, 0, 2, 64 << 20), 64ull << 20);
  EXPECT_EQ(sim::IscsiVolumeBytes({3}, 67, 2) % 512, 0u) << "whole blocks";
}

}  // namespace
}  // namespace sp::nettest
