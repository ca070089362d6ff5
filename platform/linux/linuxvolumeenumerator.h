#pragma once
// The volume enumerator on Linux: the lettered volumes (a drive letter X: is
// the mount point /mnt/x) with "X:\" path names and the physical drive
// numbers of the disks they lie on, the same numbers the iSCSI session
// reports give a session's LUN files.
#include "platform/linux/linuxvolumes.h"
#include "platform/volumeenumerator.h"

namespace sp {

class LinuxVolumeEnumerator : public IVolumeEnumerator {
 public:
  explicit LinuxVolumeEnumerator(LinuxVolumes& volumes) : volumes_(volumes) {}
  std::uint32_t EnumeratePresentVolumes(std::vector<VolumeInfo>& volumes) override;

 private:
  LinuxVolumes& volumes_;
};

}  // namespace sp
