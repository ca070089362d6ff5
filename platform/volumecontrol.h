#pragma once
// Volumes on the PC's disks. The kernel does not read the partition tables
// of LUN files, so a partition becomes a volume through a loop device at the
// partition's offset; NTFS volumes are mounted at drive letters with ntfs-3g.
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace sp {

struct LoopSetup {
  std::string backingFile;
  std::uint64_t offset = 0;
  std::uint64_t sizeLimit = 0;  // 0: to the end of the file
};

// What a volume holds, in the probe's own words: type "ntfs", "vfat", "ext4"
// ...; version where the probe tells one (e.g. "FAT32").
// Why whoever does the steps for this process would not do them.
enum class StorageRefusal {
  kNone,
  kNotAuthorised,    // this user may not change the PC's disks (refused or cancelled)
  kSetupInProgress,  // another user is setting up an appliance on this PC
};

struct FileSystemProbe {
  std::string type;
  std::string version;
};

// Every operation ends within a bound of its own, also when the device
// behind it stops answering; those that take a stop token end at once when
// it is asked to stop (the operation then failed).
class IVolumeControl {
 public:
  virtual ~IVolumeControl() = default;
  // Attaches a free loop device over `size` bytes of `backingFile` from
  // `offset` on; returns its path, empty on failure.
  virtual std::string AttachLoop(const std::string& backingFile, std::uint64_t offset, std::uint64_t size,
                                 std::stop_token stop = {}) = 0;
  virtual bool DetachLoop(const std::string& device) = 0;
  // What a loop device is attached to; nothing when `device` is not an
  // attached loop device.
  virtual std::optional<LoopSetup> LoopBehind(const std::string& device) = 0;
  // The disk that a volume device lies on: a loop device's backing file, a
  // partition's whole disk, otherwise the device itself.
  virtual std::string DiskBehind(const std::string& volumeDevice) = 0;
  // Whether any volume on `diskPath` (or the disk itself) is mounted
  // anywhere, lettered or not.
  virtual bool DiskInUse(const std::string& diskPath) = 0;
  // Where volumes on `diskPath` (or the disk itself) are mounted.
  virtual std::vector<std::string> MountPointsOnDisk(const std::string& diskPath) = 0;
  // The file system on a volume; nothing when none is recognised or the
  // probe fails.
  virtual std::optional<FileSystemProbe> ProbeFileSystem(const std::string& device, std::stop_token stop = {}) = 0;
  // Mounts an NTFS volume at a free letter; false when the letter is in use
  // or the mount fails.
  virtual bool MountNtfs(const std::string& device, char letter, std::stop_token stop = {}) = 0;
  // Unmounts what is mounted at the letter and waits until its device is
  // released; false when nothing was mounted or the unmount failed.
  virtual bool Unmount(char letter, std::stop_token stop = {}) = 0;

  // Whether a step since the last ClearRefusal failed because it was not
  // allowed. Where this process does the steps itself, never.
  virtual StorageRefusal Refusal() { return StorageRefusal::kNone; }
  virtual void ClearRefusal() {}
};

}  // namespace sp
