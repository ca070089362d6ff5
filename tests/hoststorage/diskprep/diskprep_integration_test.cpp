// Disk preparation on real loop devices, ntfs-3g mounts and mkntfs: a sparse
// file with the appliance's INQUIRY data stands for a logged-in LUN. Root
// only; skipped otherwise.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>

#include "hoststorage/diskprep/diskpreparation.h"
#include "platform/linux/linuxblockdevices.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxvolumecontrol.h"
#include "platform/linux/mkntfsformatter.h"
#include "tests/support/storagesandbox.h"

namespace sp {
namespace {

using namespace std::chrono_literals;
using storagetest::InquiryData;

// Records every disk that is opened, to show which ones were never touched.
class RecordingDisks : public IBlockDevices {
 public:
  explicit RecordingDisks(IBlockDevices& inner) : inner_(inner) {}
  std::vector<std::string> PhysicalDrives() override { return inner_.PhysicalDrives(); }
  std::unique_ptr<IBlockDevice> Open(const std::string& path) override {
    opened.insert(path);
    return inner_.Open(path);
  }
  std::set<std::string> opened;

 private:
  IBlockDevices& inner_;
};

std::vector<std::uint8_t> FileBytes(const std::string& path, std::size_t offset, std::size_t length) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  std::vector<std::uint8_t> bytes(length);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
  return bytes;
}

class DiskPrepIntegration : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why = storagetest::RealDevicesUnavailable();
    if (why.empty() && !sandbox.xattrsWork()) why = "the temporary folder keeps no user attributes";
    if (!why.empty()) GTEST_SKIP() << why;
  }

  DiskPreparation::Options Opts() {
    DiskPreparation::Options o;
    o.formatTiming.checkInterval = 100ms;
    o.formatTiming.limit = 120s;
    return o;
  }

  storagetest::Sandbox sandbox;
  LinuxBlockDevices realDisks{sandbox.lunDir()};
  RecordingDisks disks{realDisks};
  LinuxDriveLetters letters{sandbox.mountRoot()};
  LinuxVolumeControl volumes{letters};
  MkntfsFormatter formatter;
};

TEST_F(DiskPrepIntegration, LunIsFoundPartitionedFormattedLetteredAndLeftAloneTheNextTime) {
  constexpr std::uint64_t kSize = 64ull << 20;
  constexpr std::uint64_t kLength = 8ull * 8225280 - 32256;
  sandbox.AddLun("lun-0", kSize, InquiryData("ATA     "));
  sandbox.AddLun("lun-1", kSize, InquiryData("korva   "));
  sandbox.AddLun("lun-1b", kSize, InquiryData(" KORVA  "));
  const std::string lun = sandbox.AddLun("lun-2", kSize, InquiryData("KORVA   "));
  const std::string drive0 = realDisks.PhysicalDrives()[0];
  // All four came with the session; only the vendor decides among them.
  std::vector<std::string> session;
  for (const char* name : {"/lun-0", "/lun-1", "/lun-1b", "/lun-2"}) session.push_back(sandbox.lunDir() + name);

  std::vector<int> bar;
  {
    DiskPreparation prep(disks, letters, volumes, formatter, Opts());
    FoundDisk disk;
    ASSERT_EQ(prep.FindIscsiDisk(disk, session), 0);
    EXPECT_EQ(disk.physicalDrivePath, lun);
    EXPECT_EQ(disk.modelText, "Model Name: KORVA    VIRTUAL-DISK     0001");
    ASSERT_EQ(prep.PrepareIscsiDisk(disk, [&](int p) { bar.push_back(p); }), kPrepareReady);
    EXPECT_EQ(disk.fileSystemName, "NTFS");
    EXPECT_EQ(disk.driveLetter, u'D');
    ASSERT_FALSE(bar.empty());
    EXPECT_EQ(bar.front(), 65);

    // The partition table, straight from the file.
    const auto mbr = FileBytes(lun, 0, 512);
    EXPECT_EQ((std::vector<std::uint8_t>(mbr.begin() + 446, mbr.begin() + 462)),
              (std::vector<std::uint8_t>{0x00, 0x01, 0x01, 0x00, 0x07, 0xFE, 0x3F, 0x07, 63, 0, 0, 0, 0xC9, 0xF5, 0x01,
                                         0x00}));
    EXPECT_EQ(mbr[510], 0x55);
    EXPECT_EQ(mbr[511], 0xAA);
    EXPECT_FALSE(mbr[440] == 0 && mbr[441] == 0 && mbr[442] == 0 && mbr[443] == 0);
    // blkid, reading the file itself, finds NTFS at the partition's offset.
    const ToolResult probe = RunStorageTool({"blkid", "-p", "-O", "32256", "-o", "export", "--", lun}, 30000);
    EXPECT_EQ(ParseBlkidExport(probe.output)["TYPE"], "ntfs") << probe.output;
    const auto loop = volumes.LoopBehind(disk.volumePath);
    ASSERT_TRUE(loop);
    EXPECT_EQ(loop->offset, 32256u);
    EXPECT_EQ(loop->sizeLimit, kLength);

    // Moved to the chosen letter and usable there.
    const std::string device = prep.DeviceBehindLetter(disk.driveLetter);
    ASSERT_TRUE(prep.MoveDriveLetter("D:\\", device, LetterMove::Remove));
    ASSERT_TRUE(prep.MoveDriveLetter("X:\\", device, LetterMove::Assign));
    EXPECT_EQ(letters.DeviceAtLetter('X'), device);
    EXPECT_EQ(letters.LogicalDrives() & DriveLetterBit('D'), 0u);
    std::ofstream(sandbox.mountRoot() + "/x/kept.txt") << "kept";
    ASSERT_TRUE(prep.MoveDriveLetter("X:\\", "", LetterMove::Remove));
    ASSERT_TRUE(volumes.DetachLoop(device));
  }
  EXPECT_EQ(sandbox.AttachedLoops(), 0);
  EXPECT_EQ(disks.opened.count(drive0), 0u);
  // Asked, not matched, not written.
  for (const char* other : {"/lun-0", "/lun-1", "/lun-1b"}) {
    EXPECT_EQ(disks.opened.count(sandbox.lunDir() + other), 1u) << other;
    EXPECT_EQ(FileBytes(sandbox.lunDir() + other, 0, 512), std::vector<std::uint8_t>(512, 0)) << other;
  }

  // The disk comes back with its NTFS volume: it gets a letter and nothing
  // is written; the file is still there.
  const auto before = FileBytes(lun, 0, 64 * 1024);
  DiskPreparation again(disks, letters, volumes, formatter, Opts());
  FoundDisk disk;
  ASSERT_EQ(again.FindIscsiDisk(disk, session), 0);
  ASSERT_EQ(again.PrepareIscsiDisk(disk, {}), kPrepareReady);
  EXPECT_EQ(disk.driveLetter, u'D');
  std::ifstream kept(sandbox.mountRoot() + "/d/kept.txt");
  std::string text;
  kept >> text;
  EXPECT_EQ(text, "kept");

  // Found by its letter this time, and still left alone.
  FoundDisk byLetter;
  ASSERT_EQ(again.FindIscsiDisk(byLetter, session), 0);
  EXPECT_EQ(byLetter.driveLetter, u'D');
  EXPECT_EQ(again.PrepareIscsiDisk(byLetter, {}), kPrepareReady);
  EXPECT_EQ(again.formatter().status(), kFormatIdle);  // no format ran
  kept.close();
  ASSERT_TRUE(again.MoveDriveLetter("D:\\", "", LetterMove::Remove));
  EXPECT_EQ(FileBytes(lun, 0, 512), std::vector<std::uint8_t>(before.begin(), before.begin() + 512));
  EXPECT_EQ(disks.opened.count(drive0), 0u);
}

TEST_F(DiskPrepIntegration, AVolumeOfAnotherKindAtALetterIsReformattedThere) {
  const std::string lun = sandbox.AddLun("lun-0", 64ull << 20, InquiryData("KORVA   "));
  const std::string dev = volumes.AttachLoop(lun, 32256, 8ull * 8225280 - 32256);
  ASSERT_FALSE(dev.empty());
  // Someone made it ext4 and mounted it at G:.
  ASSERT_EQ(storagetest::RunForTest({"/usr/sbin/mkfs.ext4", "-q", "-F", dev}), 0);
  const std::string g = sandbox.mountRoot() + "/g";
  std::filesystem::create_directory(g);
  ASSERT_EQ(mount(dev.c_str(), g.c_str(), "ext4", 0, nullptr), 0) << std::strerror(errno);

  DiskPreparation prep(disks, letters, volumes, formatter, Opts());
  FoundDisk disk;
  ASSERT_EQ(prep.FindIscsiDisk(disk, {lun}), 0);
  EXPECT_EQ(disk.driveLetter, u'G');
  EXPECT_EQ(prep.QueryVolume(dev).fileSystemName, "EXT4");
  ASSERT_EQ(prep.PrepareIscsiDisk(disk, {}), kPrepareReady);
  // Same letter, same volume, now NTFS through ntfs-3g; no partition table
  // was written.
  EXPECT_EQ(letters.DeviceAtLetter('G'), dev);
  EXPECT_EQ(disk.fileSystemName, "NTFS");
  EXPECT_EQ(prep.formatter().status(), kFormatSucceeded);
  const auto mbr = FileBytes(lun, 510, 2);
  EXPECT_EQ(mbr, (std::vector<std::uint8_t>{0, 0}));
  std::ofstream(g + "/new.txt") << "ntfs";
  ASSERT_TRUE(volumes.Unmount('G'));
  ASSERT_TRUE(volumes.DetachLoop(dev));
}

}  // namespace
}  // namespace sp
