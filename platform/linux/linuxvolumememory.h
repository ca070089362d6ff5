#pragma once
// Remembered volumes on Linux: the initiator service keeps them and mounts
// them again when it starts (see tools/iscsid/volumekeeper.h). It reads
// where the volume sits from the mount itself; the request names only the
// target, the letter and who the files belong to.
#include <string>

#include "platform/linux/iscsicontrolclient.h"
#include "platform/volumememory.h"

namespace sp {

class LinuxVolumeMemory : public IVolumeMemory {
 public:
  explicit LinuxVolumeMemory(std::string socketPath) : socketPath_(std::move(socketPath)) {}

  bool RememberVolume(const std::string& target, char letter) override;

  static constexpr int kCallMs = 30000;  // it probes the volume with blkid

 private:
  std::string socketPath_;
};

}  // namespace sp
