#pragma once
// Finding the appliance's iSCSI disk among the PC's disks, giving it a
// partition when it has none, formatting it NTFS when it is not NTFS yet,
// and moving its volume to the drive letter the user chose.
//
// On this system a partition does not become a volume by itself: the kernel
// does not read the partition tables of LUN files. A new partition is made a
// volume through a loop device at its offset, formatted there, and then
// mounted at the lowest free letter from D on, which stands for the letter
// the system would have given the new volume; the letter move takes it from
// there to the chosen letter. A disk that arrives with an NTFS partition but
// no letter gets its volume mounted the same way and is then left alone, as
// a disk the system had mounted would be.
//
// Only the disks that the appliance's own iSCSI session brought are ever
// looked at: the caller names them (from the initiator's session report), so
// a volume of another appliance, a disk of this PC or a disk the kernel
// attached itself is never taken for the new LUN, even when it reports the
// same vendor. Physical drive 0 (the system disk) is never examined or
// written, nothing is written to a disk unless its vendor identification
// reads "KORVA   " at that moment, and a disk that is mounted anywhere but at
// a drive letter this program gave it is left alone.
//
// What a preparation makes on the way (loop devices, temporary letters) is
// remembered until the caller keeps it or releases it, so an attach that
// fails or is stopped leaves nothing of ours behind. Tool runs take the
// caller's stop token; releasing runs without it, so it still works while
// the wizard is being stopped.
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "hoststorage/diskprep/diskformatter.h"
#include "hoststorage/diskprep/diskmbr.h"
#include "platform/blockdevices.h"
#include "platform/driveletters.h"
#include "platform/ntfsformatter.h"
#include "platform/volumecontrol.h"

namespace sp {

// Filled by find, completed by prepare, read by the iSCSI attach.
struct FoundDisk {
  std::vector<std::string> sessionDisks;  // the target's disks the search was limited to
  char16_t driveLetter = 0;               // letter of the disk's volume; 0 when none
  std::string physicalDrivePath;          // the matching physical drive
  std::string volumePath;                 // the volume's device (e.g. /dev/loop3)
  std::string modelText;                  // "Model Name: ..." of the last disk asked
  std::string fileSystemName;             // "NTFS", "FAT32", "FAT", ... after preparation
  DiskGeometry geometry;                  // read when the physical drive matched

  void Clear() { *this = FoundDisk{}; }
};

// File-system kinds of a volume query.
inline constexpr std::uint8_t kFsKindNtfs = 7;
inline constexpr std::uint8_t kFsKindFat32 = 11;
inline constexpr std::uint8_t kFsKindFat = 4;
inline constexpr std::uint8_t kFsKindOther = 255;

struct VolumeInformation {
  int result = -1;             // 0 when a file system was recognised, -1 when not
  std::string fileSystemName;  // "NTFS", "FAT32", "FAT", "exFAT", else the type in capitals
  std::uint8_t kind = kFsKindOther;
};

// Results of PrepareIscsiDisk: 0 ready; anything else asks the caller to
// search again.
inline constexpr int kPrepareReady = 0;
inline constexpr int kPrepareNoVolume = -1;           // no volume, no letter, or the query failed
inline constexpr int kPrepareFormatNotStarted = 100;  // the volume could not be handed to the formatter
inline constexpr int kPrepareFormatFailed = 101;      // the format ended without success or timed out

enum class LetterMove { Remove, Assign };

class DiskPreparation {
 public:
  struct Options {
    char firstTemporaryLetter = 'D';   // where the search for a new volume's letter starts
    std::function<unsigned()> random;  // draws for disk signatures; empty: seeded with the time
    FormatWaitTiming formatTiming;
  };

  DiskPreparation(IBlockDevices& disks, IDriveLetters& letters, IVolumeControl& volumes, INtfsFormatter& formatter);
  DiskPreparation(IBlockDevices& disks, IDriveLetters& letters, IVolumeControl& volumes, INtfsFormatter& formatter,
                  Options options);

  // Looks for the appliance's disk among `sessionDisks` (the disks of the
  // target's session): first the volumes at letters C..Z, then physical
  // drives 1..10. Returns 0 when a matching physical drive was found and its
  // geometry read, else -1 (when no physical drive could be opened at all,
  // the result of the letter scan; -1 when `sessionDisks` is empty). Writes
  // the letter and the physical drive path it found and the model text of
  // the last disk asked.
  int FindIscsiDisk(FoundDisk& disk, const std::vector<std::string>& sessionDisks);

  // Makes the found disk ready: 0 when its volume is NTFS and lettered;
  // see the kPrepare* results. `barProgress` receives 65..98 while a format
  // runs; `stop` ends a running tool and abandons a running format.
  int PrepareIscsiDisk(FoundDisk& disk, const std::function<void(int)>& barProgress, std::stop_token stop = {});

  // Removes the letter of `mountPoint` ("X:\") or assigns it to the volume
  // `deviceName`. Success flag.
  bool MoveDriveLetter(const std::string& mountPoint, const std::string& deviceName, LetterMove mode,
                       std::stop_token stop = {});

  // The attach is done with what the preparation made: it stays.
  void KeepOwnVolumes();
  // The attach failed or was stopped: every letter this preparation mounted
  // is unmounted and every loop device it attached is detached.
  void ReleaseOwnVolumes();

  // Whether the steps since the last ClearRefusal were refused for this
  // user (see IVolumeControl::Refusal).
  StorageRefusal Refusal() { return volumes_.Refusal(); }
  void ClearRefusal() { volumes_.ClearRefusal(); }

  // The volume device behind a letter; empty when nothing is mounted there.
  std::string DeviceBehindLetter(char16_t letter);

  // Which file system a volume holds.
  VolumeInformation QueryVolume(const std::string& device);

  DiskFormatter& formatter() { return formatter_; }

 private:
  // 0 and the model text when the disk answers INQUIRY with our vendor.
  int VendorCheck(IBlockDevice& device, std::string& modelText);
  bool IsSystemDisk(const std::string& path);
  // Every mount of the disk is a letter this program gave it (a loop device
  // over the disk mounted at a drive letter).
  bool LetteredOnlyByUs(const std::string& diskPath);
  // The disk is one of the session's, still answers with our vendor and may
  // be written.
  std::unique_ptr<IBlockDevice> OpenForWriting(const std::string& path, const FoundDisk& disk);
  // Tool calls that record what they made.
  std::string AttachOwnLoop(const std::string& file, std::uint64_t offset, std::uint64_t size, std::stop_token stop);
  void DetachOwnLoop(const std::string& device);
  bool MountOwn(const std::string& device, char letter, std::stop_token stop);
  bool UnmountOwn(char letter, std::stop_token stop);

  int PrepareLetteredVolume(FoundDisk& disk, char letter, const std::function<void(int)>& bar, std::stop_token stop);
  int ReformatLetter(FoundDisk& disk, char letter, const std::string& device, const std::function<void(int)>& bar,
                     std::stop_token stop);
  std::optional<int> LetterExistingNtfs(FoundDisk& disk, IBlockDevice& device, const Sector& mbr, std::stop_token stop);
  int PartitionAndFormat(FoundDisk& disk, const std::function<void(int)>& bar, std::stop_token stop);
  // Writes the new MBR; the partition's length, or nothing on failure.
  std::optional<std::uint64_t> WritePartitionTable(IBlockDevice& device, const FoundDisk& disk, Sector& written);
  bool FormatAndWait(const std::string& device, std::uint32_t hiddenSectors, const std::function<void(int)>& bar,
                     std::stop_token stop, bool& started);
  // Mounts at the lowest free letter from the first temporary letter on.
  char MountAtFreeLetter(const std::string& device, std::stop_token stop);
  VolumeInformation QueryVolume(const std::string& device, std::stop_token stop);

  IBlockDevices& disks_;
  IDriveLetters& letters_;
  IVolumeControl& volumes_;
  Options options_;
  DiskFormatter formatter_;
  std::vector<std::string> ownLoops_;  // attached by the running attach, not yet kept
  std::vector<char> ownLetters_;       // mounted by the running attach, not yet kept
};

}  // namespace sp
