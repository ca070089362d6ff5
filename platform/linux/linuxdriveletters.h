#pragma once
// Drive letters on Linux: letter X: is <mount root>/x, in use when the mount
// table (/proc/self/mountinfo) has a mount there.
#include <string>
#include <vector>

#include "platform/driveletters.h"
#include "platform/storagetooloutput.h"

namespace sp {

class LinuxDriveLetters : public IDriveLetters {
 public:
  explicit LinuxDriveLetters(std::string mountRoot = kDriveMountRoot,
                             std::string mountInfoPath = "/proc/self/mountinfo");

  std::uint32_t LogicalDrives() override;
  std::string MountPoint(char letter) override;
  std::string DeviceAtLetter(char letter) override;

  const std::string& mountRoot() const { return mountRoot_; }
  // The current mount table.
  std::vector<MountEntry> Mounts() const;

 private:
  // The mount root as the mount table spells it (symbolic links resolved).
  std::string ResolvedRoot() const;

  std::string mountRoot_;
  std::string mountInfoPath_;
};

}  // namespace sp
