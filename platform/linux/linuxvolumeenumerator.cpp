#include "platform/linux/linuxvolumeenumerator.h"

namespace sp {

std::uint32_t LinuxVolumeEnumerator::EnumeratePresentVolumes(std::vector<VolumeInfo>& volumes) {
  volumes.clear();
  for (auto& present : volumes_.PresentVolumes()) {
    volumes.push_back({std::move(present.volumeName), std::move(present.pathNames), std::move(present.diskNumbers)});
  }
  return 0;
}

}  // namespace sp
