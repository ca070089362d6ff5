// Whether an appliance already serves "Volume1", asked of a real smbd in the
// appliance's namespace with smbclient from the PC's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "devtools/vbx207-sim/smbvolume.h"
#include "framework/core/awaitoffthread.h"
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

// The question before erasing waits on a worker: while smbclient hangs on
// an address where no host answers, the waiting thread keeps turning.
TEST_F(ShareListNetTest, WaitingForAnAddressWithNoHostKeepsTheCallerTurning) {
  int turns = 0;
  const auto start = std::chrono::steady_clock::now();
  const bool holds = RunInNamespace(net().pc(), [&] {
    return AwaitOffThread<bool>([] { return ListDiskShares("10.77.0.9", 10000).has_value(); },
                                [&](int ms) {
                                  ++turns;
                                  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                                });
  });
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_FALSE(holds);
  ASSERT_GT(seconds, 1.0) << "the address was not black-holed: nothing to show";
  EXPECT_GT(turns, static_cast<int>(seconds * 1000 / kAwaitPumpMs / 2)) << seconds << " s";
}

}  // namespace
}  // namespace sp::nettest
