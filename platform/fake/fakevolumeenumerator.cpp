#include "platform/fake/fakevolumeenumerator.h"

#include <algorithm>

namespace sp {

void FakeVolumeEnumerator::AddVolume(VolumeInfo volume) {
  RemoveVolume(volume.volumeName);
  volumes_.push_back(std::move(volume));
}

void FakeVolumeEnumerator::RemoveVolume(const std::string& volumeName) {
  std::erase_if(volumes_, [&](const VolumeInfo& v) { return v.volumeName == volumeName; });
}

std::uint32_t FakeVolumeEnumerator::EnumeratePresentVolumes(std::vector<VolumeInfo>& volumes) {
  ++calls_;
  volumes.clear();
  if (!failures_.empty()) {
    const std::uint32_t status = failures_.front();
    failures_.pop_front();
    return status;
  }
  volumes = volumes_;
  return 0;
}

}  // namespace sp
