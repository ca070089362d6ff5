#pragma once
// A list of volumes that tests set up, handed out as the present volumes.
#include <deque>
#include <string>
#include <vector>

#include "platform/volumeenumerator.h"

namespace sp {

class FakeVolumeEnumerator : public IVolumeEnumerator {
 public:
  // Adds a volume, or replaces the one with the same volume name.
  void AddVolume(VolumeInfo volume);
  void RemoveVolume(const std::string& volumeName);
  // The next enumeration fails with `status`; several queue up in order.
  void FailNext(std::uint32_t status) { failures_.push_back(status); }
  int callCount() const { return calls_; }

  std::uint32_t EnumeratePresentVolumes(std::vector<VolumeInfo>& volumes) override;

 private:
  std::vector<VolumeInfo> volumes_;
  std::deque<std::uint32_t> failures_;
  int calls_ = 0;
};

}  // namespace sp
