#pragma once
// Volumes and NTFS formatting for a wizard that is not root: every step
// (loop devices, blkid, mkntfs, the NTFS mount at a letter, unmounting) is
// asked of the initiator service, which allows them only on its own LUN
// files and mounts the volume with the files belonging to whoever asked.
// Stop tokens end the wait for the service's answer (the connection is
// closed); the service's own time bounds end its tools.
#include <string>

#include "platform/linux/servicestoragelink.h"
#include "platform/ntfsformatter.h"
#include "platform/volumecontrol.h"

namespace sp {

class ServiceVolumeControl : public IVolumeControl {
 public:
  explicit ServiceVolumeControl(ServiceStorageLink& link) : link_(link) {}

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
  // The link's: block device writes through it count too.
  StorageRefusal Refusal() override;
  void ClearRefusal() override { link_.ClearRefusal(); }

  // The service's own tools take up to a minute (mount, umount); its
  // answer is awaited a little longer.
  static constexpr int kMountMs = 70000;

 private:
  ServiceStorageLink& link_;
};

class ServiceNtfsFormatter : public INtfsFormatter {
 public:
  explicit ServiceNtfsFormatter(ServiceStorageLink& link) : link_(link) {}

  // The service answers when mkntfs has ended: progress goes from 0 to
  // 100 in one step.
  bool Format(const std::string& device, const NtfsFormatOptions& options, const std::function<void(int)>& progress,
              std::stop_token stop) override;

  static constexpr int kFormatMs = 20 * 60 * 1000 + 10000;

 private:
  ServiceStorageLink& link_;
};

}  // namespace sp
