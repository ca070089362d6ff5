// What fsync on the iSCSI volume promises, checked where it counts: the
// volume is NTFS on a loop device over the service's LUN file, as the disk
// layer mounts it; after fsync returns the service is killed outright, and
// the bytes must be in the target's own backing file. Writes after that
// fail at fsync instead of vanishing, and a restarted service reads back
// what was acknowledged.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <random>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/storagetools.h"
#include "tests/net/iscsi/iscsinettest.h"

namespace sp::nettest {
namespace {

constexpr std::size_t kBlock = 4096;
constexpr std::size_t kBlocks = 1024;  // 4 MiB
constexpr char kMagic[] = "setuppilot-durable";

// Block `i` of the file: a recognisable head, its number, then noise.
std::string BlockBytes(std::size_t i, std::uint32_t seed) {
  std::string block(kBlock, '\0');
  std::mt19937 random(seed + static_cast<std::uint32_t>(i));
  for (char& c : block) c = static_cast<char>(random());
  const std::string head = std::string(kMagic) + ":" + std::to_string(i) + ":";
  std::memcpy(block.data(), head.data(), head.size());
  return block;
}

// Which blocks of the file `image` holds, looked for at every sector (the
// partition starts at sector 63, so clusters are sector- but not
// block-aligned in the image).
std::vector<bool> BlocksIn(const std::string& image, std::uint32_t seed) {
  std::ifstream in(image, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<bool> found(kBlocks, false);
  for (std::size_t at = 0; at + kBlock <= data.size(); at += 512) {
    if (data.compare(at, sizeof kMagic - 1, kMagic) != 0) continue;
    const std::size_t i = std::strtoul(data.c_str() + at + sizeof kMagic, nullptr, 10);
    if (i < kBlocks && data.compare(at, kBlock, BlockBytes(i, seed)) == 0) found[i] = true;
  }
  return found;
}

// Writes the blocks and fsyncs; the fsync's result (0 or errno), bounded
// so that a hang fails the test instead of stopping it.
int WriteAndSync(const std::string& path, std::uint32_t seed) {
  auto done = std::async(std::launch::async, [&] {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    int result = 0;
    for (std::size_t i = 0; i < kBlocks && result == 0; ++i) {
      if (write(fd, BlockBytes(i, seed).data(), kBlock) != static_cast<ssize_t>(kBlock)) result = errno;
    }
    if (result == 0 && fsync(fd) != 0) result = errno;
    close(fd);
    return result;
  });
  if (done.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
    ADD_FAILURE() << "writing " << path << " hung";
    done.wait();
  }
  return done.get();
}

class DurabilityNetTest : public IscsiNetTest {
 protected:
  void TearDown() override {
    IscsiNetTest::TearDown();  // unmounts X: with everything else under the scratch folder
    // The loop device's file went with the killed service's mount, so the
    // general clean-up, which finds loop devices by their file, misses it.
    // Still held by a closing ntfs-3g, it is let go once that closes.
    if (!loop_.empty()) RunStorageTool({"losetup", "-d", loop_}, 30000);
  }
  std::string loop_;
};

TEST_F(DurabilityNetTest, FsyncedBytesAreOnTheTargetWhenTheServiceIsKilled) {
  ASSERT_TRUE(StartService());
  ASSERT_EQ(Call(iscsictl::op::kAddPortal, {{"address", kVbxAddress}, {"socket", "3260"}}), 0);
  // Persistent: the restarted service logs in again by itself.
  ASSERT_EQ(Call(iscsictl::op::kLogin, {{"target", kIscsiTarget}, {"persistent", "1"}}), 0);
  ASSERT_EQ(Call(iscsictl::op::kLogin, {{"target", kIscsiTarget}}), 0);
  const std::string lun = WaitForLunFile();
  ASSERT_FALSE(lun.empty());
  LinuxStorageStack stack(socket_, mount_, net().scratchDir() + "/drives");
  std::filesystem::create_directories(net().scratchDir() + "/drives");
  const std::string loop = loop_ = stack.control.AttachLoop(lun, 32256, kLunBytes - 32256);
  ASSERT_FALSE(loop.empty());
  std::string output;
  ASSERT_EQ(Run({"mkntfs", "-Q", "-c", "8192", "-p", "63", "-H", "255", "-S", "63", loop}, &output), 0) << output;
  ASSERT_TRUE(stack.control.MountNtfs(loop, 'X'));
  const std::string x = stack.letters.MountPoint('X');

  ASSERT_EQ(WriteAndSync(x + "/kept.bin", 1), 0);
  KillService();
  const std::vector<bool> onTarget = BlocksIn(tgt_->backingFile(), 1);
  EXPECT_EQ(std::count(onTarget.begin(), onTarget.end(), true), static_cast<long>(kBlocks))
      << "every block fsync acknowledged is in the target's backing file";

  // With no service behind the volume, a write may be taken in, but its
  // fsync says it did not get anywhere.
  EXPECT_NE(WriteAndSync(x + "/lost.bin", 2), 0);

  // A new service over the same target shows the acknowledged bytes.
  ASSERT_TRUE(StartService());
  const std::string again = WaitForLunFile();
  ASSERT_FALSE(again.empty());
  const std::vector<bool> afterRestart = BlocksIn(again, 1);
  EXPECT_EQ(std::count(afterRestart.begin(), afterRestart.end(), true), static_cast<long>(kBlocks));
}

}  // namespace
}  // namespace sp::nettest
