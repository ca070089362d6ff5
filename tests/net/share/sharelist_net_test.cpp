// Whether an appliance already serves "Volume1", asked of a real smbd in the
// appliance's namespace with smbclient from the PC's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "devtools/vbx207-sim/smbvolume.h"
#include "platform/linux/smbsharelist.h"
#include "tests/net/harness/networktest.h"

namespace sp::nettest {
namespace {

class ShareListNetTest : public NetworkTest {
 protected:
  void SetUp() override {
    NetworkTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    for (const char* tool : {"/usr/sbin/smbd", "/usr/sbin/nmbd", "/usr/bin/smbclient"})
      if (access(tool, X_OK) != 0) GTEST_SKIP() << tool << " is not installed";
  }
  void TearDown() override {
    if (volume_) volume_->Stop();
    NetworkTest::TearDown();
  }

  std::optional<std::vector<std::string>> List(const std::string& address) {
    return RunInNamespace(net().pc(), [&] { return ListDiskShares(address, 10000); });
  }

  std::unique_ptr<sim::SmbVolume> volume_;
};

TEST_F(ShareListNetTest, TheVolumeIsNamedWhereSmbdServesItAndNothingWhereNoServerIs) {
  EXPECT_FALSE(List(kVbxAddress)) << "no server yet";
  volume_ = std::make_unique<sim::SmbVolume>(net().scratchDir() + "/smb");
  std::string why;
  ASSERT_TRUE(RunInNamespace(net().vbx(), [&] { return volume_->Start(sim::Identity{}, &why); })) << why;
  // smbd takes a moment before it serves.
  std::optional<std::vector<std::string>> shares;
  for (int i = 0; i < 50 && !shares; ++i) {
    shares = List(kVbxAddress);
    if (!shares) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  ASSERT_TRUE(shares) << "smbd never listed its shares";
  EXPECT_TRUE(HasShare(*shares, "Volume1"));
}

}  // namespace
}  // namespace sp::nettest
