#pragma once
// The system's present volumes with the names they are reached by and the
// disks they lie on: the iSCSI session report uses it to say which drive a
// session's disk became.
#include <cstdint>
#include <string>
#include <vector>

namespace sp {

struct VolumeInfo {
  std::string volumeName;                  // the volume's own name (device path)
  std::vector<std::string> pathNames;      // drive roots and mount folders, "E:\" form
  std::vector<std::uint32_t> diskNumbers;  // disks the volume has extents on
};

class IVolumeEnumerator {
 public:
  virtual ~IVolumeEnumerator() = default;
  // Fills `volumes` with every present volume; returns 0 or an error number.
  // Disk numbers are the ones the iSCSI initiator reports as a device's
  // storage device number.
  virtual std::uint32_t EnumeratePresentVolumes(std::vector<VolumeInfo>& volumes) = 0;
};

}  // namespace sp
