#include "platform/storagetooloutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace sp {
namespace {

std::string Captured(const std::string& name) {
  std::ifstream in(std::string(SP_STORAGE_TEST_DATA) + "/" + name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(MountInfo, CapturedTableWithAnNtfsMountAtAPathWithABlank) {
  const auto entries = ParseMountInfo(Captured("mountinfo.txt"));
  ASSERT_GT(entries.size(), 5u);
  auto it = std::find_if(entries.begin(), entries.end(),
                         [](const MountEntry& e) { return e.mountPoint == "/tmp/sptest/mnt x"; });
  ASSERT_NE(it, entries.end());
  EXPECT_EQ(it->fsType, "fuseblk");
  EXPECT_EQ(it->source, "/dev/loop0");
  for (const MountEntry& e : entries) EXPECT_EQ(e.mountPoint.substr(0, 1), "/");
}

TEST(MountInfo, OptionalFieldsEscapesAndMalformedLines) {
  const auto entries = ParseMountInfo(
      "36 35 98:0 /mnt1 /mnt/e rw,noatime master:1 shared:2 - ext3 /dev/root rw,errors=continue\n"
      "garbage line\n"
      "37 35 98:0 / /mnt/back\\134slash rw - fuseblk /dev/loop\\0407 rw\n"
      "38 35 98:0 / /mnt/f rw - cifs\n"            // no source: skipped
      "39 35 98:0 / /mnt/g rw - tmpfs tmpfs rw");  // last line without newline
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].mountPoint, "/mnt/e");
  EXPECT_EQ(entries[0].fsType, "ext3");
  EXPECT_EQ(entries[0].source, "/dev/root");
  EXPECT_EQ(entries[1].mountPoint, "/mnt/back\\slash");
  EXPECT_EQ(entries[1].source, "/dev/loop 7");
  EXPECT_EQ(entries[2].mountPoint, "/mnt/g");
}

TEST(BlkidExport, CapturedNtfsAndFat32) {
  auto ntfs = ParseBlkidExport(Captured("blkid-export-ntfs.txt"));
  EXPECT_EQ(ntfs["TYPE"], "ntfs");
  EXPECT_EQ(ntfs["DEVNAME"], "/dev/loop0");
  auto vfat = ParseBlkidExport(Captured("blkid-export-vfat.txt"));
  EXPECT_EQ(vfat["TYPE"], "vfat");
  EXPECT_EQ(vfat["VERSION"], "FAT32");
  auto escaped = ParseBlkidExport("LABEL=My\\ Disk\n=novalue\nTYPE=ext4");
  EXPECT_EQ(escaped["LABEL"], "My Disk");
  EXPECT_EQ(escaped["TYPE"], "ext4");
  EXPECT_EQ(escaped.count(""), 0u);
}

TEST(LosetupDevice, OnlyALoopDevicePath) {
  EXPECT_EQ(ParseLosetupDevice("/dev/loop3\n"), "/dev/loop3");
  EXPECT_EQ(ParseLosetupDevice("/dev/loop12"), "/dev/loop12");
  EXPECT_EQ(ParseLosetupDevice("/dev/loop"), "");
  EXPECT_EQ(ParseLosetupDevice("/dev/loop3p1\n"), "");
  EXPECT_EQ(ParseLosetupDevice("losetup: lun0: failed to set up loop device\n"), "");
  EXPECT_EQ(ParseLosetupDevice("/dev/sda\n"), "");
}

// Feeds a capture in small uneven chunks, as a pipe delivers it.
MkntfsProgress FeedInChunks(const std::string& text, std::vector<int>* seen = nullptr) {
  MkntfsProgress p;
  for (std::size_t i = 0; i < text.size(); i += 7) {
    if (p.Feed(text.substr(i, 7)) && seen) seen->push_back(p.percent());
  }
  return p;
}

TEST(MkntfsProgress, CapturedQuickFormatClimbsThroughTheStepsToSuccess) {
  std::vector<int> seen;
  const MkntfsProgress p = FeedInChunks(Captured("mkntfs-quick-verbose.txt"), &seen);
  EXPECT_TRUE(p.reportedSuccess());
  EXPECT_EQ(p.percent(), 100);
  ASSERT_GT(seen.size(), 10u);
  EXPECT_EQ(seen.front(), 10);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), 100);
}

TEST(MkntfsProgress, CapturedFullFormatFollowsTheZeroingCounter) {
  std::vector<int> seen;
  const MkntfsProgress p = FeedInChunks(Captured("mkntfs-full.txt"), &seen);
  EXPECT_TRUE(p.reportedSuccess());
  // The counter's 0..100 % covers the first 80; 50 % of zeroing reads 40.
  EXPECT_NE(std::find(seen.begin(), seen.end(), 40), seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), 80), seen.end());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST(MkntfsProgress, FailuresNeverReadAsSuccess) {
  for (const char* name : {"mkntfs-too-small.txt", "mkntfs-no-device.txt"}) {
    const MkntfsProgress p = FeedInChunks(Captured(name));
    EXPECT_FALSE(p.reportedSuccess()) << name;
    EXPECT_LT(p.percent(), 100) << name;
  }
  // A counter beyond 100 or an endless line does no harm.
  MkntfsProgress odd;
  odd.Feed("Initializing device with zeroes: 250%\b\b\b\b" + std::string(10000, '9') + "%\n");
  EXPECT_EQ(odd.percent(), 0);
}

TEST(NaturalOrder, DigitRunsCompareAsNumbers) {
  std::vector<std::string> names = {"sdb", "nvme10n1", "sda", "nvme2n1", "vda", "sdaa"};
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
  EXPECT_EQ(names, (std::vector<std::string>{"nvme2n1", "nvme10n1", "sda", "sdaa", "sdb", "vda"}));
  EXPECT_FALSE(NaturalLess("a", "a"));
}

}  // namespace
}  // namespace sp
