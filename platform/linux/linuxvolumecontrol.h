#pragma once
// Volumes on Linux: loop devices through losetup, file systems through
// blkid, NTFS mounts through the kernel's ntfs3 (tried first; the kernel
// loads it when asked) or else ntfs-3g, and umount (see storagetools.h).
#include <mutex>
#include <set>
#include <string>

#include "platform/blockdevices.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/storagetools.h"
#include "platform/linux/toolrunner.h"
#include "platform/volumecontrol.h"

namespace sp {

class LinuxVolumeControl : public IVolumeControl {
 public:
  explicit LinuxVolumeControl(LinuxDriveLetters& letters, std::string sysDir = kSysDir, std::string devDir = kDevDir);

  std::string AttachLoop(const std::string& backingFile, std::uint64_t offset, std::uint64_t size,
                         std::stop_token stop = {}) override;
  bool DetachLoop(const std::string& device) override;
  std::optional<LoopSetup> LoopBehind(const std::string& device) override;
  std::string DiskBehind(const std::string& volumeDevice) override;
  bool DiskInUse(const std::string& diskPath) override;
  std::vector<std::string> MountPointsOnDisk(const std::string& diskPath) override;
  std::optional<FileSystemProbe> ProbeFileSystem(const std::string& device, std::stop_token stop = {}) override;
  bool MountNtfs(const std::string& device, char letter, std::stop_token stop = {}) override;
  bool Unmount(char letter, std::stop_token stop = {}) override;
  // MountNtfs with the files belonging to `owner` (see NtfsMountCommand);
  // without one, as MountNtfs.
  bool MountNtfsAs(const std::string& device, char letter, const std::optional<DriveOwner>& owner,
                   std::stop_token stop = {});

  // Time bounds of the tools, in milliseconds.
  static constexpr int kLoopToolMs = 30000;   // losetup
  static constexpr int kProbeToolMs = 30000;  // blkid
  static constexpr int kMountToolMs = 60000;  // ntfs-3g, umount

 private:
  void ForgetMountPoint(const std::string& mountPoint);

  bool MountedAt(char letter, const ToolResult& r);

  LinuxDriveLetters& letters_;
  std::string sysDir_;
  std::string devDir_;
  std::mutex mutex_;
  std::set<std::string> createdMountPoints_;  // folders this object made, removed again on unmount
  bool noKernelNtfs_ = false;                 // a mount with ntfs3 failed and the kernel has none
};

}  // namespace sp
