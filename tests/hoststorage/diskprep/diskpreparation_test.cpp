#include "hoststorage/diskprep/diskpreparation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/fake/fakestorage.h"

namespace sp {
namespace {

using namespace std::chrono_literals;

constexpr char kSystem[] = "/dev/sda";
constexpr char kOther[] = "/dev/sdb";
constexpr char kLun[] = "/run/setuppilot/iscsi/disks/lun0";
constexpr std::uint64_t k64MiB = 64ull << 20;
constexpr std::uint64_t kLength64MiB = 8ull * 8225280 - 32256;

std::vector<std::uint8_t> Inquiry(const char* vendor) {
  std::vector<std::uint8_t> d(96, 0);
  std::memcpy(d.data() + 8, vendor, 8);
  std::memcpy(d.data() + 16, "VIRTUAL-DISK    ", 16);
  std::memcpy(d.data() + 32, "0001", 4);
  return d;
}

bool Logged(FakeStorage& s, const std::string& prefix) {
  const auto log = s.Log();
  return std::any_of(log.begin(), log.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
}

class DiskPreparationTest : public ::testing::Test {
 protected:
  DiskPreparationTest() {
    // The system disk claims the appliance's vendor too: it must never be
    // examined all the same.
    storage.AddDisk(kSystem, 500ull << 30, Inquiry("KORVA   "));
    storage.AddDisk(kOther, 1ull << 30, Inquiry("ATA     "));
    storage.AddDisk(kLun, k64MiB, Inquiry("KORVA   "));
    storage.AddDisk("/dev/sdc", 1ull << 30);  // answers no inquiry
    // The system's own volume is at C:, something else at E:.
    storage.AddVolumeDevice("/dev/sda1", kSystem, 1 << 20, 100ull << 30);
    storage.MountOutside("/dev/sda1", 'C');
    storage.AddVolumeDevice("/dev/sdb1", kOther, 1 << 20, 512 << 20);
    storage.MountOutside("/dev/sdb1", 'E');
  }

  DiskPreparation::Options Opts() {
    DiskPreparation::Options o;
    o.random = [this] { return draws[drawn++ % draws.size()]; };
    o.formatTiming.checkInterval = 2ms;
    o.formatTiming.settle = 1ms;
    o.formatTiming.lateInterval = 1ms;
    o.formatTiming.limit = 5s;
    return o;
  }

  std::vector<std::uint8_t> Sector0() { return storage.Bytes(kLun, 0, 512); }

  FakeStorage storage;
  std::vector<unsigned> draws = {0x11, 0x22, 0x33, 0x44};
  std::size_t drawn = 0;
  std::vector<int> bar;
  std::function<void(int)> onBar = [this](int p) { bar.push_back(p); };
};

TEST_F(DiskPreparationTest, FindsTheSessionsLunAndNothingElse) {
  DiskPreparation prep(storage, storage, storage, storage, Opts());
  FoundDisk disk;
  EXPECT_EQ(prep.FindIscsiDisk(disk, {}), -1) << "a session without disks";
  EXPECT_EQ(prep.FindIscsiDisk(disk, {kLun}), 0);
  EXPECT_EQ(disk.physicalDrivePath, kLun);
  EXPECT_EQ(disk.sessionDisks, std::vector<std::string>{kLun});
  EXPECT_EQ(disk.driveLetter, 0);
  EXPECT_EQ(disk.modelText, "Model Name: KORVA    VIRTUAL-DISK     0001");
  EXPECT_EQ(disk.geometry.cylinders, 8);
  EXPECT_EQ(disk.geometry.diskSize, k64MiB);
  EXPECT_EQ(storage.OpenCount(kSystem), 0);
  EXPECT_EQ(storage.OpenCount(kOther), 0) << "not the session's: not even asked";
  // Drive 0 stays out even when the session names it.
  disk.Clear();
  EXPECT_EQ(prep.FindIscsiDisk(disk, {kSystem}), -1);
  EXPECT_EQ(storage.OpenCount(kSystem), 0);
}

TEST_F(DiskPreparationTest, VendorMismatchOrNoAnswerIsNotFound) {
  FakeStorage s;
  s.AddDisk(kSystem, 1ull << 30);
  s.AddDisk("/lun/a", k64MiB, Inquiry("korva   "));
  s.AddDisk("/lun/b", k64MiB, Inquiry(" KORVA  "));
  s.AddDisk("/lun/c", k64MiB);
  DiskPreparation prep(s, s, s, s, Opts());
  FoundDisk disk;
  EXPECT_EQ(prep.FindIscsiDisk(disk, {"/lun/a", "/lun/b", "/lun/c"}), -1);
  EXPECT_TRUE(disk.physicalDrivePath.empty());
  // The model text is that of the last disk that answered.
  EXPECT_EQ(disk.modelText, "Model Name:  KORVA   VIRTUAL-DISK     0001");
  // Drives beyond 10 are not looked at.
  FakeStorage many;
  for (int i = 0; i <= 11; ++i)
    many.AddDisk("/d" + std::to_string(i), k64MiB, Inquiry(i == 11 ? "KORVA   " : "ATA     "));
  DiskPreparation prep2(many, many, many, many, Opts());
  std::vector<std::string> all;
  for (int i = 0; i <= 11; ++i) all.push_back("/d" + std::to_string(i));
  EXPECT_EQ(prep2.FindIscsiDisk(disk, all), -1);
  EXPECT_EQ(many.OpenCount("/d11"), 0);
}

TEST_F(DiskPreparationTest, TheResultFollowsTheLastCheck) {
  // The LUN's volume is mounted at G: (a loop device over it, as this
  // program mounts one) but the LUN is not (yet) a listed drive.
  FakeStorage s;
  s.AddDisk(kSystem, 1ull << 30);
  s.AddUnlistedDisk(kLun, k64MiB, Inquiry("KORVA   "));
  s.MountOutside(s.AttachLoop(kLun, 32256, kLength64MiB), 'G');
  DiskPreparation prep(s, s, s, s, Opts());
  FoundDisk disk;
  // No physical drive could be opened: the letter scan's result counts.
  EXPECT_EQ(prep.FindIscsiDisk(disk, {kLun, kOther}), 0);
  EXPECT_EQ(disk.driveLetter, u'G');
  // With a physical drive that does not match, its check is the last one.
  s.AddDisk(kOther, 1ull << 30, Inquiry("ATA     "));
  disk.Clear();
  EXPECT_EQ(prep.FindIscsiDisk(disk, {kLun, kOther}), -1);
  EXPECT_EQ(disk.driveLetter, u'G');
}

TEST_F(DiskPreparationTest, ADiskMountedAnywhereButAtALetterOfOursIsNotTaken) {
  // The system's own partition device of the LUN at G:, and the LUN also
  // mounted away from the letters: neither is a mount this program made.
  storage.AddVolumeDevice("/dev/sdz1", kLun, 32256, kLength64MiB);
  storage.PutFileSystem("/dev/sdz1", "vfat");
  storage.MountOutside("/dev/sdz1", 'G');
  DiskPreparation prep(storage, storage, storage, storage, Opts());
  FoundDisk disk;
  EXPECT_EQ(prep.FindIscsiDisk(disk, {kLun}), 0);
  EXPECT_EQ(disk.driveLetter, 0) << "not by the letter";
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareNoVolume) << "in use: not repartitioned";
  EXPECT_EQ(storage.WriteCount(kLun), 0);
  EXPECT_EQ(storage.FormatCount(), 0);

  const std::string loop = storage.AttachLoop(kLun, 32256, kLength64MiB);
  storage.PutFileSystem(loop, "vfat");
  storage.Unmount('G');
  storage.MountOutside(loop, 'H');
  storage.MountWithoutLetter(loop);
  disk.Clear();
  EXPECT_EQ(prep.FindIscsiDisk(disk, {kLun}), 0);
  EXPECT_EQ(disk.driveLetter, 0) << "lettered, but also mounted elsewhere";
}

TEST_F(DiskPreparationTest, APartitionWhoseFormatWasCutOffIsFormattedAgain) {
  // A first run wrote the table (type 6) and was stopped inside mkntfs,
  // which had already written an NTFS boot sector.
  const Sector table = BuildIscsiMbr(0x12345600, kLength64MiB);
  storage.PutBytes(kLun, 0, std::vector<std::uint8_t>(table.begin(), table.end()));
  const std::string half = storage.AttachLoop(kLun, 32256, kLength64MiB);
  storage.PutFileSystem(half, "ntfs");
  storage.DetachLoop(half);
  DiskPreparation prep(storage, storage, storage, storage, Opts());
  FoundDisk disk;
  ASSERT_EQ(prep.FindIscsiDisk(disk, {kLun}), 0);
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareReady);
  EXPECT_EQ(storage.FormatCount(), 1) << "not taken for a finished volume";
  EXPECT_EQ(Sector0()[446 + 4], 0x07);
  const std::vector<std::uint8_t> sector = Sector0();
  EXPECT_EQ(std::vector<std::uint8_t>(sector.begin() + 440, sector.begin() + 444),
            (std::vector<std::uint8_t>{0x00, 0x56, 0x34, 0x12}))
      << "the table's signature is kept";
}

TEST_F(DiskPreparationTest, FreshLunIsPartitionedFormattedAndLettered) {
  DiskPreparation prep(storage, storage, storage, storage, Opts());
  FoundDisk disk;
  ASSERT_EQ(prep.FindIscsiDisk(disk, {kLun}), 0);
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareReady);

  const auto mbr = Sector0();
  // Signature from draws 2..4; entry 1 at LBA 63 over whole cylinders; type
  // 7 now that it holds NTFS; 55 AA.
  EXPECT_EQ((std::vector<std::uint8_t>(mbr.begin() + 440, mbr.begin() + 444)),
            (std::vector<std::uint8_t>{0x00, 0x44, 0x33, 0x22}));
  EXPECT_EQ(
      (std::vector<std::uint8_t>(mbr.begin() + 446, mbr.begin() + 462)),
      (std::vector<std::uint8_t>{0x00, 0x01, 0x01, 0x00, 0x07, 0xFE, 0x3F, 0x07, 63, 0, 0, 0, 0xC9, 0xF5, 0x01, 0x00}));
  EXPECT_EQ(mbr[510], 0x55);
  EXPECT_EQ(mbr[511], 0xAA);

  // The volume is the partition, formatted with the partition's geometry and
  // mounted at the lowest free letter from D (C and E are taken).
  ASSERT_TRUE(Logged(storage, "attach " + std::string(kLun) + " @32256 +" + std::to_string(kLength64MiB)));
  EXPECT_EQ(disk.driveLetter, u'D');
  EXPECT_EQ(storage.DeviceAtLetter('D'), disk.volumePath);
  EXPECT_EQ(disk.fileSystemName, "NTFS");
  const auto options = storage.LastFormatOptions();
  ASSERT_TRUE(options);
  EXPECT_TRUE(options->quick);
  EXPECT_EQ(options->clusterSize, 8192u);
  EXPECT_EQ(options->label, "");
  EXPECT_EQ(options->hiddenSectors, 63u);
  EXPECT_EQ(options->heads, 255u);
  EXPECT_EQ(options->sectorsPerTrack, 63u);
  ASSERT_FALSE(bar.empty());
  EXPECT_EQ(bar.front(), 65);
  EXPECT_EQ(prep.formatter().status(), kFormatSucceeded);
  EXPECT_EQ(storage.OpenCount(kSystem), 0);

  // The letter move takes the volume from D: to the chosen letter.
  const std::string device = prep.DeviceBehindLetter(disk.driveLetter);
  EXPECT_TRUE(prep.MoveDriveLetter("D:\\", "", LetterMove::Remove));
  EXPECT_TRUE(prep.MoveDriveLetter("X:\\", device, LetterMove::Assign));
  EXPECT_EQ(storage.DeviceAtLetter('X'), device);
  EXPECT_EQ(storage.LogicalDrives() & DriveLetterBit('D'), 0u);
  // A taken letter or a malformed mount point is refused.
  EXPECT_FALSE(prep.MoveDriveLetter("E:\\", device, LetterMove::Assign));
  EXPECT_FALSE(prep.MoveDriveLetter("X", device, LetterMove::Assign));
  EXPECT_FALSE(prep.MoveDriveLetter("Q:\\", "", LetterMove::Remove));
}

TEST_F(DiskPreparationTest, ExistingSignaturesAreKeptExceptOne) {
  // A signature of 0x12345678 stays.
  Sector old = BuildIscsiMbr(0x12345678, 1 << 20);
  storage.PutBytes(kLun, 0, std::vector<std::uint8_t>(old.begin(), old.end()));
  DiskPreparation prep(storage, storage, storage, storage, Opts());
  FoundDisk disk;
  ASSERT_EQ(prep.FindIscsiDisk(disk, {kLun}), 0);
  ASSERT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareReady);
  EXPECT_EQ(DiskSignatureOf(*reinterpret_cast<const Sector*>(Sector0().data())), 0x12345678u);
  EXPECT_EQ(drawn, 0u);

  // A signature of 1 is replaced.
  FakeStorage s;
  s.AddDisk(kSystem, 1ull << 30);
  s.AddDisk(kLun, k64MiB, Inquiry("KORVA   "));
  Sector one = BuildIscsiMbr(1, 1 << 20);
  s.PutBytes(kLun, 0, std::vector<std::uint8_t>(one.begin(), one.end()));
  DiskPreparation prep2(s, s, s, s, Opts());
  disk.Clear();
  ASSERT_EQ(prep2.FindIscsiDisk(disk, {kLun}), 0);
  ASSERT_EQ(prep2.PrepareIscsiDisk(disk, onBar), kPrepareReady);
  const auto sector = s.Bytes(kLun, 0, 512);
  EXPECT_EQ(DiskSignatureOf(*reinterpret_cast<const Sector*>(sector.data())), 0x22334400u);
}

TEST_F(DiskPreparationTest, LetteredNtfsVolumeIsLeftAlone) {
  const std::string loop = storage.AttachLoop(kLun, 32256, kLength64MiB);
  storage.PutFileSystem(loop, "ntfs");
  storage.MountOutside(loop, 'F');
  DiskPreparation prep(storage, storage, storage, storage, Opts());
  FoundDisk disk;
  ASSERT_EQ(prep.FindIscsiDisk(disk, {kLun}), 0);
  EXPECT_EQ(disk.driveLetter, u'F');
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareReady);
  EXPECT_EQ(storage.WriteCount(kLun), 0);
  EXPECT_EQ(storage.FormatCount(), 0);
  EXPECT_EQ(storage.DeviceAtLetter('F'), loop);
  EXPECT_EQ(disk.fileSystemName, "NTFS");
}

TEST_F(DiskPreparationTest, LetteredVolumeOfAnotherKindIsReformattedInPlace) {
  const std::string loop = storage.AttachLoop(kLun, 32256, kLength64MiB);
  storage.PutFileSystem(loop, "vfat");
  storage.MountOutside(loop, 'F');
  DiskPreparation prep(storage, storage, storage, storage, Opts());
  FoundDisk disk;
  ASSERT_EQ(prep.FindIscsiDisk(disk, {kLun}), 0);
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareReady);
  // Unmounted, formatted, mounted again at the same letter; no new partition.
  EXPECT_EQ(storage.FormatCount(), 1);
  EXPECT_EQ(storage.DeviceAtLetter('F'), loop);
  EXPECT_EQ(prep.QueryVolume(loop).kind, kFsKindNtfs);
  EXPECT_EQ(storage.WriteCount(kLun), 1);  // the format's signature only
  EXPECT_EQ(storage.LastFormatOptions()->hiddenSectors, 63u);
  EXPECT_EQ(storage.AttachedLoops().size(), 1u) << "no loop device of its own";

  // A volume at C: is never taken for the disk's own: the disk is
  // partitioned instead (here it is in use, so nothing happens).
  disk.driveLetter = u'C';
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareNoVolume);
}

TEST_F(DiskPreparationTest, ArrivingWithAnNtfsPartitionGetsALetterAndNoWrite) {
  // The LUN carries our layout and an NTFS volume from an earlier run whose
  // format finished (the partition turned type 7).
  Sector layout = BuildIscsiMbr(0x5A5A0000, kLength64MiB);
  SetPartitionType(layout, 0, kPartitionTypeNtfs);
  storage.PutBytes(kLun, 0, std::vector<std::uint8_t>(layout.begin(), layout.end()));
  storage.AddVolumeDevice("/probe", kLun, 32256, kLength64MiB);
  storage.PutFileSystem("/probe", "ntfs");
  DiskPreparation prep(storage, storage, storage, storage, Opts());
  FoundDisk disk;
  ASSERT_EQ(prep.FindIscsiDisk(disk, {kLun}), 0);
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareReady);
  EXPECT_EQ(storage.WriteCount(kLun), 0);
  EXPECT_EQ(storage.FormatCount(), 0);
  EXPECT_EQ(disk.driveLetter, u'D');
  EXPECT_EQ(disk.fileSystemName, "NTFS");
}

TEST_F(DiskPreparationTest, FailuresLeaveNothingAttachedOrLettered) {
  DiskPreparation prep(storage, storage, storage, storage, Opts());
  FoundDisk disk;
  ASSERT_EQ(prep.FindIscsiDisk(disk, {kLun}), 0);

  storage.formatOutcome = FakeStorage::FormatOutcome::Fail;
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareFormatFailed);
  EXPECT_TRUE(storage.AttachedLoops().empty());
  EXPECT_EQ(disk.driveLetter, 0);

  storage.formatOutcome = FakeStorage::FormatOutcome::Succeed;
  storage.attachFails = true;
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareNoVolume);
  storage.attachFails = false;

  storage.mountFails = true;  // no letter takes the volume
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareNoVolume);
  EXPECT_TRUE(storage.AttachedLoops().empty());
  storage.mountFails = false;

  // The next pass succeeds.
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareReady);
  EXPECT_EQ(storage.AttachedLoops().size(), 1u);
}

TEST_F(DiskPreparationTest, NeverWritesDriveZeroASwappedDiskOrATinyDisk) {
  DiskPreparation prep(storage, storage, storage, storage, Opts());
  FoundDisk disk;
  disk.physicalDrivePath = kSystem;  // a record pointing at the system disk
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareNoVolume);
  EXPECT_EQ(storage.WriteCount(kSystem), 0);
  EXPECT_EQ(storage.OpenCount(kSystem), 0);

  disk.physicalDrivePath = kOther;  // not the appliance's disk
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareNoVolume);
  EXPECT_EQ(storage.WriteCount(kOther), 0);

  FakeStorage s;
  s.AddDisk(kSystem, 1ull << 30);
  s.AddDisk(kLun, 4 << 20, Inquiry("KORVA   "));  // less than one cylinder
  DiskPreparation small(s, s, s, s, Opts());
  disk.Clear();
  ASSERT_EQ(small.FindIscsiDisk(disk, {kLun}), 0);
  EXPECT_EQ(small.PrepareIscsiDisk(disk, onBar), kPrepareNoVolume);
  EXPECT_EQ(s.WriteCount(kLun), 0);

  s.SetWriteFails(kLun, true);  // nor when the write fails
  s.AddDisk("/lun/big", k64MiB, Inquiry("KORVA   "));
  disk.Clear();
  disk.physicalDrivePath = "/lun/big";
  s.SetWriteFails("/lun/big", true);
  EXPECT_EQ(small.PrepareIscsiDisk(disk, onBar), kPrepareNoVolume);
  EXPECT_TRUE(s.AttachedLoops().empty());
}

TEST_F(DiskPreparationTest, ADiskMountedWithoutALetterIsNotRepartitioned) {
  storage.AddVolumeDevice("/dev/loop7", kLun, 32256, kLength64MiB);
  storage.PutFileSystem("/dev/loop7", "vfat");
  storage.MountWithoutLetter("/dev/loop7");
  DiskPreparation prep(storage, storage, storage, storage, Opts());
  FoundDisk disk;
  disk.physicalDrivePath = kLun;
  EXPECT_EQ(prep.PrepareIscsiDisk(disk, onBar), kPrepareNoVolume);
  EXPECT_EQ(storage.WriteCount(kLun), 0);
}

}  // namespace
}  // namespace sp
