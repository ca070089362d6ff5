#pragma once
// The volumes present on the PC, as a volume enumerator reports them: each
// with its path names ("E:\" for a volume mounted at the letter E's mount
// point) and the physical drive numbers it has extents on.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/blockdevices.h"
#include "platform/driveletters.h"
#include "platform/volumecontrol.h"

namespace sp {

struct PresentVolume {
  std::string volumeName;                  // the volume's device (e.g. /dev/loop3)
  std::vector<std::string> pathNames;      // "E:\" forms, in letter order
  std::vector<std::uint32_t> diskNumbers;  // physical drives the volume lies on
};

class LinuxVolumes {
 public:
  LinuxVolumes(IDriveLetters& letters, IVolumeControl& volumes, IBlockDevices& disks);

  // Every lettered volume, in the order of its first letter.
  std::vector<PresentVolume> PresentVolumes();

 private:
  IDriveLetters& letters_;
  IVolumeControl& volumes_;
  IBlockDevices& disks_;
};

}  // namespace sp
