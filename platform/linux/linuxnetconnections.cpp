#include "platform/linux/linuxnetconnections.h"

#include <sys/mount.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/linux/linuxnetuse.h"
#include "platform/netmounts.h"

namespace sp {

std::string ReadMountInfo(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

LinuxNetConnections::LinuxNetConnections(std::string mountRoot, std::string rememberedPath, std::string mountInfoPath,
                                         std::string serviceSocket)
    : mountRoot_(std::move(mountRoot)),
      store_(std::move(rememberedPath)),
      mountInfoPath_(std::move(mountInfoPath)),
      serviceSocket_(std::move(serviceSocket)) {}

std::string LinuxNetConnections::MountPointOf(char letter) const {
  // The mount table spells paths with symbolic links resolved.
  std::error_code ec;
  const auto root = std::filesystem::weakly_canonical(mountRoot_, ec);
  return NetworkMountPoint(ec ? mountRoot_ : root.string(), letter);
}

int LinuxNetConnections::GetConnection(std::string_view drive, std::string* remote) {
  const char letter = DriveTextLetter(drive);
  if (!letter) return kNetErrorBadDevice;
  const auto mounts = ParseMountInfo(ReadMountInfo(mountInfoPath_));
  const MountEntry* top = TopMountAt(mounts, MountPointOf(letter));
  const std::optional<std::string> remembered = store_.Find(letter);
  if (top && IsNetworkMount(*top)) {
    const std::string live = RemoteOfMount(*top);
    if (remote) *remote = remembered ? *remembered : live;
    return kNetNoError;
  }
  if (remembered) {
    if (remote) *remote = *remembered;
    return kNetErrorConnectionUnavail;
  }
  return kNetErrorNotConnected;
}

int LinuxNetConnections::CancelConnection(std::string_view drive, bool updateProfile, bool force) {
  const char letter = DriveTextLetter(drive);
  if (!letter) return kNetErrorBadDevice;
  const std::string point = MountPointOf(letter);
  bool dropped = false;
  int result = kNetErrorNotConnected;
  // A share mapped twice sits on itself; take off every network layer, and
  // stop at the first local one.
  for (int layer = 0; layer < 8; ++layer) {
    const auto mounts = ParseMountInfo(ReadMountInfo(mountInfoPath_));
    const MountEntry* top = TopMountAt(mounts, point);
    if (!top || !IsNetworkMount(*top)) break;
    const int err = UnmountNetworkDrive(point, letter, *top, force, updateProfile, serviceSocket_);
    if (err == 0) {
      dropped = true;
      continue;
    }
    result = err == EBUSY ? kNetErrorOpenFiles : kNetErrorAccessDenied;
    break;
  }
  // With open files and no force nothing changes, not even the profile.
  if (result == kNetErrorOpenFiles) return result;
  if (updateProfile && store_.Forget(letter)) dropped = true;
  return dropped ? kNetNoError : result;
}

}  // namespace sp
