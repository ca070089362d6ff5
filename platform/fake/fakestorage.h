#pragma once
// A stateful stand-in for the PC's disks, drive letters, volumes and NTFS
// formatter, for tests. Disks are sparse byte stores; a volume is a window
// of a disk (a loop device made by AttachLoop, or a partition device added
// by the test); a volume's file system is whatever its boot sector says
// (a format writes the NTFS signature, so a re-attached volume still reads
// as NTFS). Every operation is logged and can be told to fail.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/blockdevices.h"
#include "platform/driveletters.h"
#include "platform/ntfsformatter.h"
#include "platform/volumecontrol.h"

namespace sp {

class FakeStorage : public IBlockDevices, public IDriveLetters, public IVolumeControl, public INtfsFormatter {
 public:
  enum class FormatOutcome { Succeed, Fail, Hang };

  explicit FakeStorage(std::string mountRoot = "/fake/mnt");
  ~FakeStorage() override;

  // --- Setting up the world ---
  // Adds a disk as the next physical drive. `inquiry` is what it answers to
  // INQUIRY (empty: it does not answer).
  void AddDisk(const std::string& path, std::uint64_t size, std::vector<std::uint8_t> inquiry = {});
  // Adds a disk that is not in the physical drive list (e.g. a partition's
  // parent that the test only reaches through a volume).
  void AddUnlistedDisk(const std::string& path, std::uint64_t size, std::vector<std::uint8_t> inquiry = {});
  void RemoveDisk(const std::string& path);
  void SetOpenFails(const std::string& path, bool fails);
  void SetWriteFails(const std::string& path, bool fails);
  void SetSectorSize(const std::string& path, std::uint32_t sectorSize);
  // A volume device made by the system (not a loop): a window of a disk.
  void AddVolumeDevice(const std::string& device, const std::string& disk, std::uint64_t offset, std::uint64_t size);
  // Writes a file system signature into a volume ("ntfs" or any other type).
  void PutFileSystem(const std::string& device, const std::string& type);
  // A mount made by someone else (no checks), at a letter or elsewhere.
  void MountOutside(const std::string& device, char letter);
  void MountWithoutLetter(const std::string& device);
  std::vector<std::uint8_t> Bytes(const std::string& disk, std::uint64_t offset, std::size_t length);
  void PutBytes(const std::string& disk, std::uint64_t offset, const std::vector<std::uint8_t>& bytes);

  // --- Failure knobs ---
  std::atomic<bool> attachFails{false};
  std::atomic<bool> mountFails{false};
  std::atomic<bool> unmountFails{false};
  std::atomic<FormatOutcome> formatOutcome{FormatOutcome::Succeed};
  // Attaching and mounting fail as not allowed for this user, and
  // Refusal() says so, as a refusing service would have them.
  std::atomic<StorageRefusal> refuse{StorageRefusal::kNone};

  // --- Observation ---
  std::vector<std::string> Log();
  int OpenCount(const std::string& path);
  int WriteCount(const std::string& path);
  std::vector<std::string> AttachedLoops();
  std::optional<NtfsFormatOptions> LastFormatOptions();
  int FormatCount();

  // IBlockDevices
  std::vector<std::string> PhysicalDrives() override;
  std::unique_ptr<IBlockDevice> Open(const std::string& path) override;
  // IDriveLetters
  std::uint32_t LogicalDrives() override;
  std::string MountPoint(char letter) override;
  std::string DeviceAtLetter(char letter) override;
  // IVolumeControl
  std::string AttachLoop(const std::string& backingFile, std::uint64_t offset, std::uint64_t size,
                         std::stop_token stop = {}) override;
  bool DetachLoop(const std::string& device) override;
  std::optional<LoopSetup> LoopBehind(const std::string& device) override;
  std::string DiskBehind(const std::string& volumeDevice) override;
  bool DiskInUse(const std::string& diskPath) override;
  std::vector<std::string> MountPointsOnDisk(const std::string& diskPath) override;
  // A stop already asked for makes these fail, as an ended tool would.
  std::optional<FileSystemProbe> ProbeFileSystem(const std::string& device, std::stop_token stop = {}) override;
  bool MountNtfs(const std::string& device, char letter, std::stop_token stop = {}) override;
  bool Unmount(char letter, std::stop_token stop = {}) override;
  StorageRefusal Refusal() override;
  void ClearRefusal() override;
  // INtfsFormatter
  bool Format(const std::string& device, const NtfsFormatOptions& options, const std::function<void(int)>& progress,
              std::stop_token stop) override;

 private:
  friend class FakeBlockDevice;
  bool Refused();  // under the lock

  StorageRefusal refused_ = StorageRefusal::kNone;
  struct Disk {
    std::uint64_t size = 0;
    std::uint32_t sectorSize = 512;
    std::vector<std::uint8_t> inquiry;
    std::map<std::uint64_t, std::vector<std::uint8_t>> chunks;  // sparse, kChunk bytes each
    bool openFails = false;
    bool writeFails = false;
    int opens = 0;
    int writes = 0;
  };
  struct Volume {
    std::string disk;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    bool loop = false;
  };

  // Callers hold mutex_.
  bool ReadLocked(const std::string& path, std::uint64_t offset, void* data, std::size_t length);
  bool WriteLocked(const std::string& path, std::uint64_t offset, const void* data, std::size_t length);
  std::optional<Volume> VolumeLocked(const std::string& device);
  // Writes a file system signature; `counted` writes count as the code under
  // test's (and fail when writes are set to fail).
  bool WriteFileSystemLocked(const std::string& device, const std::string& type, bool counted);
  void Record(std::string entry) { log_.push_back(std::move(entry)); }

  std::mutex mutex_;
  std::string mountRoot_;
  std::map<std::string, Disk> disks_;
  std::vector<std::string> drives_;
  std::map<std::string, Volume> volumes_;
  std::map<char, std::string> mounts_;    // upper-case letter -> device
  std::vector<std::string> otherMounts_;  // devices mounted away from the letters
  std::vector<std::string> log_;
  std::optional<NtfsFormatOptions> lastFormat_;
  int formats_ = 0;
  int nextLoop_ = 100;
};

}  // namespace sp
