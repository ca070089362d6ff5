#include "platform/linux/linuxnetuse.h"

#include <filesystem>

#include "platform/linux/linuxnetconnections.h"
#include "platform/linux/nettools.h"
#include "platform/netmounts.h"

namespace sp {

LinuxNetUse::LinuxNetUse(std::string mountRoot, int timeoutMs, std::string mountInfoPath)
    : mountRoot_(std::move(mountRoot)), timeoutMs_(timeoutMs), mountInfoPath_(std::move(mountInfoPath)) {}

bool LinuxNetUse::DeleteUse(std::string_view drive) {
  const char letter = DriveTextLetter(drive);
  if (!letter) return false;
  std::error_code ec;
  const auto root = std::filesystem::weakly_canonical(mountRoot_, ec);
  const std::string point = NetworkMountPoint(ec ? mountRoot_ : root.string(), letter);
  const auto mounts = ParseMountInfo(ReadMountInfo(mountInfoPath_));
  const MountEntry* top = TopMountAt(mounts, point);
  if (!top || !IsNetworkMount(*top)) return false;
  return RunNetTool({"umount", point}, timeoutMs_).started;
}

}  // namespace sp
