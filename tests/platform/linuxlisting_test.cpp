// The Linux backends' listings from injected system folders and mount
// tables, and the tool runner's allow-list: no root needed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/linuxblockdevices.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/storagetools.h"

namespace sp {
namespace {

namespace fs = std::filesystem;

class ScratchDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("sp-listing-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& rel, const std::string& text = {}) {
    fs::create_directories((dir_ / rel).parent_path());
    std::ofstream(dir_ / rel) << text;
    return (dir_ / rel).string();
  }
  fs::path dir_;
};

TEST_F(ScratchDir, PhysicalDrivesAreDeviceBackedDisksThenLunFiles) {
  for (const char* disk : {"vda", "sdb", "nvme10n1", "nvme2n1", "sr0", "cciss!c0d0"})
    Write(std::string("sys/block/") + disk + "/device/x");
  for (const char* virt : {"loop0", "zram0", "dm-1", "md0"}) fs::create_directories(dir_ / "sys/block" / virt);
  Write("luns/lun-b");
  Write("luns/lun-a");
  fs::create_directories(dir_ / "luns/not-a-file");
  LinuxBlockDevices disks((dir_ / "luns").string(), (dir_ / "sys").string(), "/dev");
  const std::string luns = (dir_ / "luns").string();
  EXPECT_EQ(disks.PhysicalDrives(),
            (std::vector<std::string>{"/dev/cciss/c0d0", "/dev/nvme2n1", "/dev/nvme10n1", "/dev/sdb", "/dev/vda",
                                      luns + "/lun-a", luns + "/lun-b"}));

  // Without any system disk, number 0 stays empty: a LUN is never drive 0.
  LinuxBlockDevices bare(luns, (dir_ / "nosys").string(), "/dev");
  EXPECT_EQ(bare.PhysicalDrives(), (std::vector<std::string>{"", luns + "/lun-a", luns + "/lun-b"}));
  // Neither folder there: nothing but the empty number 0.
  LinuxBlockDevices none((dir_ / "absent").string(), (dir_ / "nosys").string(), "/dev");
  EXPECT_EQ(none.PhysicalDrives(), std::vector<std::string>{""});
  // Only disks and regular files open.
  EXPECT_FALSE(disks.Open(luns + "/not-a-file"));
  EXPECT_TRUE(disks.Open(luns + "/lun-a"));
}

TEST_F(ScratchDir, LettersAreMountsDirectlyUnderTheRoot) {
  const std::string root = (dir_ / "mnt").string();
  fs::create_directories(root);
  const std::string table = Write("mountinfo",
                                  "20 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                  "30 20 7:3 / " +
                                      root +
                                      "/e rw - fuseblk /dev/loop3 rw\n"
                                      "31 20 0:50 / " +
                                      root +
                                      "/x rw - cifs //nas/Volume1 rw\n"
                                      "32 20 0:51 / " +
                                      root +
                                      "/xy rw - tmpfs tmpfs rw\n"
                                      "33 20 0:52 / " +
                                      root +
                                      "/E rw - tmpfs tmpfs rw\n"
                                      "34 20 0:53 / " +
                                      root +
                                      "/e/inner rw - tmpfs tmpfs rw\n"
                                      "35 20 7:4 / " +
                                      root +
                                      "/x rw - fuseblk /dev/loop4 rw\n"
                                      "36 20 0:54 / /elsewhere/mnt/f rw - tmpfs tmpfs rw\n");
  LinuxDriveLetters letters(root + "/", table);
  EXPECT_EQ(letters.LogicalDrives(), DriveLetterBit('E') | DriveLetterBit('X'));
  EXPECT_EQ(letters.DeviceAtLetter('e'), "/dev/loop3");
  // The last mount at a place is the one seen there.
  EXPECT_EQ(letters.DeviceAtLetter('X'), "/dev/loop4");
  EXPECT_EQ(letters.DeviceAtLetter('F'), "");
  EXPECT_EQ(letters.MountPoint('Q'), root + "/q");
  EXPECT_EQ(letters.MountPoint('1'), "");
  EXPECT_EQ(letters.DeviceAtLetter('\xC4'), "");
}

TEST(StorageTools, OnlyTheAllowedToolsByBareName) {
  constexpr int kBound = 20000;
  EXPECT_FALSE(RunStorageTool({"sh", "-c", "true"}, kBound).started);
  EXPECT_FALSE(RunStorageTool({"/usr/sbin/blkid", "--version"}, kBound).started);
  EXPECT_FALSE(RunStorageTool({}, kBound).started);
  std::string seen;
  const ToolResult r = RunStorageTool({"losetup", "--version"}, kBound, {}, [&](std::string_view s) { seen += s; });
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.output.find("util-linux"), std::string::npos);
  EXPECT_EQ(seen, r.output);
  // A stop request ends the tool: no exit status.
  std::stop_source stop;
  stop.request_stop();
  EXPECT_EQ(RunStorageTool({"losetup", "--version"}, kBound, stop.get_token()).exitCode, -1);
  // A failing tool reports its exit status and what it said on stderr.
  const ToolResult bad = RunStorageTool({"blkid", "-p", "--", "/nonexistent/device"}, kBound);
  EXPECT_TRUE(bad.started);
  EXPECT_NE(bad.exitCode, 0);
}

}  // namespace
}  // namespace sp
