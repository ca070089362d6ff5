#include "platform/linux/linuxvolumes.h"

#include <filesystem>

namespace sp {
namespace {

std::string Canonical(const std::string& path) {
  std::error_code ec;
  const auto resolved = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

}  // namespace

LinuxVolumes::LinuxVolumes(IDriveLetters& letters, IVolumeControl& volumes, IBlockDevices& disks)
    : letters_(letters), volumes_(volumes), disks_(disks) {}

std::vector<PresentVolume> LinuxVolumes::PresentVolumes() {
  std::vector<PresentVolume> result;
  const std::uint32_t mask = letters_.LogicalDrives();
  std::vector<std::string> drives;
  bool drivesListed = false;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (!(mask & DriveLetterBit(letter))) continue;
    const std::string device = letters_.DeviceAtLetter(letter);
    if (device.empty()) continue;
    PresentVolume* volume = nullptr;
    for (PresentVolume& v : result) {
      if (v.volumeName == device) volume = &v;
    }
    if (!volume) {
      result.push_back(PresentVolume{device, {}, {}});
      volume = &result.back();
      if (!drivesListed) {
        drives = disks_.PhysicalDrives();
        drivesListed = true;
      }
      const std::string disk = Canonical(volumes_.DiskBehind(device));
      for (std::size_t n = 0; n < drives.size(); ++n) {
        if (!drives[n].empty() && Canonical(drives[n]) == disk)
          volume->diskNumbers.push_back(static_cast<std::uint32_t>(n));
      }
    }
    volume->pathNames.push_back(std::string(1, letter) + ":\\");
  }
  return result;
}

}  // namespace sp
