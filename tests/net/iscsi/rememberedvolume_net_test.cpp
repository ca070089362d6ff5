// The iSCSI drive the day after: a volume prepared as the disk layer
// prepares it and remembered with the service comes back at its letter when
// the service starts again, with nothing but the state file kept; when the
// appliance is not up yet, it comes back once it is. A service stopped with
// a file still open for writing on the drive takes the volume down first,
// so what fsync acknowledged is on the target.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/storagetools.h"
#include "tests/net/harness/namespacethread.h"
#include "tests/net/iscsi/iscsinettest.h"

namespace sp::nettest {
namespace {

constexpr std::uint64_t kPartitionOffset = 32256;  // sector 63
const std::string kKept(300000, 'k');
const std::string kOpen = "open-for-writing:" + std::string(70000, 'o');

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RememberedVolumeNetTest : public IscsiNetTest {
 protected:
  void TearDown() override {
    if (fd_ >= 0) close(fd_);
    IscsiNetTest::TearDown();
    for (const auto& loop : loops_) RunStorageTool({"losetup", "-d", loop}, 30000);
  }

  std::string X() const { return drives_ + "/x"; }
  bool XMounted() { return !LinuxDriveLetters(drives_).DeviceAtLetter('x').empty(); }

  // What the final setup leaves: a persistent login, an NTFS partition
  // mounted at X: through a loop device, remembered with the service.
  void PrepareX() {
    ASSERT_TRUE(StartService());
    ASSERT_EQ(Call(iscsictl::op::kAddPortal, {{"address", kVbxAddress}, {"socket", "3260"}}), 0);
    ASSERT_EQ(Call(iscsictl::op::kLogin, {{"target", kIscsiTarget}}), 0);
    const std::string lun = WaitForLunFile();
    ASSERT_FALSE(lun.empty());
    LinuxStorageStack stack(socket_, mount_, drives_);
    const std::string loop = stack.control.AttachLoop(lun, kPartitionOffset, kLunBytes - kPartitionOffset);
    ASSERT_FALSE(loop.empty());
    loops_.push_back(loop);
    std::string output;
    ASSERT_EQ(Run({"mkntfs", "-Q", "-c", "8192", "-p", "63", "-H", "255", "-S", "63", loop}, &output), 0) << output;
    ASSERT_TRUE(stack.control.MountNtfs(loop, 'X'));

    const auto remember = [&](const char* letter, const char* target = kIscsiTarget) {
      return Call(iscsictl::op::kRememberVolume, {{"target", target}, {"letter", letter}});
    };
    // Only a target that comes back by itself, only a letter holding one
    // of its LUNs, only a letter.
    EXPECT_EQ(remember("x"), iscsictl::kPersistentNotFound);
    ASSERT_EQ(Call(iscsictl::op::kLogin, {{"target", kIscsiTarget}, {"persistent", "1"}}), 0);
    EXPECT_EQ(remember("y"), iscsictl::kDeviceNotFound);
    EXPECT_EQ(remember("xx"), iscsictl::kInvalidParameter);
    EXPECT_EQ(remember("x", "iqn.2008-01.com.korva:other"), iscsictl::kPersistentNotFound);
    // For a person other than the service: their files once it mounts X:.
    ASSERT_EQ(Call(iscsictl::op::kRememberVolume,
                   {{"target", kIscsiTarget}, {"letter", "X"}, {"owner_uid", "4321"}, {"owner_gid", "4321"}}),
              0);
    ControlMessage volumes;
    ASSERT_EQ(Call(iscsictl::op::kVolumes, {}, &volumes), 0);
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[1].Get("letter"), "x");
    EXPECT_EQ(volumes[1].GetU64Or("offset", 0), kPartitionOffset);

    std::ofstream(X() + "/kept.txt", std::ios::binary) << kKept;
  }

  // Everything but the state file goes, as at power-off.
  void Reboot() {
    KillService();
    CleanUpLoopsAndMounts();
    for (const auto& loop : loops_) RunStorageTool({"losetup", "-d", loop}, 30000);
    ASSERT_FALSE(XMounted());
  }

  bool WaitForX(std::chrono::seconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
      if (XMounted()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
  }

  std::vector<std::string> loops_;
  int fd_ = -1;
};

TEST_F(RememberedVolumeNetTest, StopTakesTheVolumeDownAndStartBringsItBack) {
  PrepareX();
  fd_ = open((X() + "/open.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd_, 0);
  ASSERT_EQ(write(fd_, kOpen.data(), kOpen.size()), static_cast<ssize_t>(kOpen.size()));
  ASSERT_EQ(fsync(fd_), 0);

  // Stopped as at shutdown, the file still open: the volume goes first.
  ASSERT_TRUE(service_);
  EXPECT_EQ(service_->Stop(60000), 0);
  service_ = nullptr;
  EXPECT_FALSE(XMounted());
  EXPECT_NE(Slurp(tgt_->backingFile()).find(kOpen), std::string::npos) << "the fsynced bytes are on the target";
  close(fd_);
  fd_ = -1;

  Reboot();
  ASSERT_TRUE(StartService());
  ASSERT_TRUE(WaitForX(std::chrono::seconds(60)));
  EXPECT_EQ(Slurp(X() + "/kept.txt"), kKept);
  EXPECT_EQ(Slurp(X() + "/open.bin"), kOpen);
  struct stat st {};
  ASSERT_EQ(stat((X() + "/kept.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 4321u);

  // Logging the target out for good forgets the volume.
  EXPECT_EQ(Call(iscsictl::op::kRemovePersistent, {{"target", kIscsiTarget}}), 0);
  ControlMessage volumes;
  ASSERT_EQ(Call(iscsictl::op::kVolumes, {}, &volumes), 0);
  EXPECT_EQ(volumes.size(), 1u);
}

TEST_F(RememberedVolumeNetTest, AnApplianceThatComesUpLaterBringsTheDrive) {
  PrepareX();
  ASSERT_EQ(StopService(), 0);
  Reboot();
  tgt_->Kill();

  // The service answers at once; the drive waits for the appliance.
  ASSERT_TRUE(StartService());
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_FALSE(XMounted());
  std::string error;
  ASSERT_TRUE(RunInNamespace(net().vbx(), [&] { return tgt_->Revive(&error); })) << error;
  ASSERT_TRUE(WaitForX(std::chrono::seconds(90)));
  EXPECT_EQ(Slurp(X() + "/kept.txt"), kKept);
}

}  // namespace
}  // namespace sp::nettest
