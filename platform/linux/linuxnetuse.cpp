#include "platform/linux/linuxnetuse.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/linux/iscsicontrolclient.h"
#include "platform/linux/linuxnetconnections.h"
#include "platform/linux/nettools.h"
#include "platform/netmounts.h"

namespace sp {

int UnmountNetworkDrive(const std::string& point, char letter, const MountEntry& top, bool detach, bool forget,
                        const std::string& serviceSocket, int timeoutMs) {
  if (geteuid() == 0) {
    if (umount2(point.c_str(), 0) == 0) return 0;
    if (errno == EBUSY && detach && umount2(point.c_str(), MNT_DETACH) == 0) return 0;
    return errno;
  }
  if (top.fsType == "fuse.smbnetfs") {
    const NetToolResult r = RunNetTool({"fusermount3", "-u", point}, timeoutMs);
    if (r.started && r.exitCode == 0) return 0;
    if (detach && RunNetTool({"fusermount3", "-u", "-z", point}, timeoutMs).exitCode == 0) return 0;
    return r.output.find("busy") != std::string::npos ? EBUSY : EPERM;
  }
  ControlRecord request = IscsiControlClient::Request(iscsictl::op::kUnmountShare);
  request.Set("letter", std::string(1, letter)).SetBool("detach", detach).SetBool("forget", forget);
  IscsiControlClient client(serviceSocket);
  const auto reply = client.Call({request}, timeoutMs);
  const std::uint64_t status =
      reply ? (*reply)[0].GetU64Or("status", iscsictl::kInternal) : std::uint64_t{iscsictl::kNotSupported};
  if (status == iscsictl::kOk) return 0;
  return status == iscsictl::kDeviceBusy ? EBUSY : EPERM;
}

LinuxNetUse::LinuxNetUse(std::string mountRoot, int timeoutMs, std::string mountInfoPath, std::string serviceSocket)
    : mountRoot_(std::move(mountRoot)),
      timeoutMs_(timeoutMs),
      mountInfoPath_(std::move(mountInfoPath)),
      serviceSocket_(std::move(serviceSocket)) {}

bool LinuxNetUse::DeleteUse(std::string_view drive) {
  const char letter = DriveTextLetter(drive);
  if (!letter) return false;
  std::error_code ec;
  const auto root = std::filesystem::weakly_canonical(mountRoot_, ec);
  const std::string point = NetworkMountPoint(ec ? mountRoot_ : root.string(), letter);
  const auto mounts = ParseMountInfo(ReadMountInfo(mountInfoPath_));
  const MountEntry* top = TopMountAt(mounts, point);
  if (!top || !IsNetworkMount(*top)) return false;
  // As root, the command as the system has it (it also keeps /etc/mtab
  // right where that is a file).
  if (geteuid() == 0) return RunNetTool({"umount", point}, timeoutMs_).started;
  // The drive stays remembered: the record that lets it come back stays too.
  return UnmountNetworkDrive(point, letter, *top, false, false, serviceSocket_, timeoutMs_) == 0;
}

}  // namespace sp
