#include "tools/netdock/sharemounter.h"
#include "platform/linux/daemonlog.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/netmounts.h"

namespace sp::netdock {
namespace {

constexpr int kCifsMountTimeoutMs = 30000;
// Layers a letter could hold if a share was mounted on itself more than once.
constexpr int kMaxLayers = 8;

ControlRecord ServiceRequest(const char* op, char letter) {
  ControlRecord request("req");
  const char lower = letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter - 'A' + 'a') : letter;
  request.SetU64("v", iscsictl::kVersion).Set("op", op).Set("letter", std::string(1, lower));
  return request;
}

std::string Canonical(const std::string& path) {
  std::error_code ec;
  const auto c = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : c.string();
}

}  // namespace

std::vector<std::string> CifsMountCommand(const std::string& address, const std::string& share,
                                          const std::string& point, uid_t uid, gid_t gid) {
  return {"mount.cifs", "//" + address + "/" + share, point, "-o",
          "guest,uid=" + std::to_string(uid) + ",gid=" + std::to_string(gid)};
}

SmbShareMounter::SmbShareMounter(IAgentSystem& system, MounterOptions options)
    : system_(system),
      options_(std::move(options)),
      store_(options_.rememberedPath),
      resolver_(system),
      smbnetfs_(system, options_.smbnetfsDir, options_.home, options_.mountInfoPath, options_.allowOther) {}

std::string SmbShareMounter::PointOf(char letter) const {
  return NetworkMountPoint(Canonical(options_.mountRoot), letter);
}

bool SmbShareMounter::Map(const NetShareTarget& target) {
  const std::string point = PointOf(target.letter);
  const std::string remote = MakeUncPath(target.host, target.share);
  const auto mounts = ParseMountInfo(system_.ReadText(options_.mountInfoPath));
  if (const MountEntry* top = TopMountAt(mounts, point)) {
    // Mapped already to this very share: nothing to do. Anything else keeps
    // the letter.
    const bool same = IsNetworkMount(*top) && store_.Find(target.letter) == remote;
    DaemonLog(LogLevel::kInfo, "%c: %s", target.letter, same ? "already mapped" : "is in use");
    return same;
  }
  if (!Mount(target)) return false;
  if (!store_.Remember(target.letter, remote)) {
    DaemonLog(LogLevel::kWarning, "%c: mapped but cannot be remembered in %s", target.letter, store_.path().c_str());
  }
  return true;
}

bool SmbShareMounter::Mount(const NetShareTarget& target) {
  const std::string point = PointOf(target.letter);
  const std::string address = resolver_.Resolve(target.host);
  if (address.empty()) {
    DaemonLog(LogLevel::kWarning, "%c: cannot find host %s", target.letter, target.host.c_str());
    return false;
  }
  std::error_code ec;
  if (!options_.viaService) std::filesystem::create_directories(point, ec);
  const bool cifs = !noKernelCifs_ && MountCifs(address, target, point);
  const bool ok = cifs || MountFromTree(address, target, point);
  DaemonLog(LogLevel::kInfo, "%c: %s \\\\%s\\%s (%s) through %s", target.letter, ok ? "mapped" : "could not map",
            target.host.c_str(), target.share.c_str(), address.c_str(), cifs ? "cifs" : "smbnetfs");
  return ok;
}

std::uint32_t SmbShareMounter::AskService(const char* op, const NetShareTarget& target, const std::string& address) {
  ControlRecord request = ServiceRequest(op, target.letter);
  if (!target.share.empty()) request.Set("share", target.share).Set("host", target.host);
  if (!address.empty()) request.Set("address", address);
  return system_.AskService(request);
}

bool SmbShareMounter::MountCifs(const std::string& address, const NetShareTarget& target, const std::string& point) {
  if (options_.viaService) {
    const std::uint32_t status = AskService(iscsictl::op::kMountShare, target, address);
    if (status == iscsictl::kOk) return true;
    DaemonLog(LogLevel::kDebug, "%c: the service did not mount the share (status %u)", target.letter, status);
    if (status == iscsictl::kNotSupported ||
        !KernelListsFilesystem(system_.ReadText(options_.filesystemsPath), "cifs")) {
      DaemonLog(LogLevel::kInfo, "no kernel CIFS client: shares go through smbnetfs");
      noKernelCifs_ = true;
    }
    return false;
  }
  const NetToolResult r = system_.RunTool(CifsMountCommand(address, target.share, point, options_.uid, options_.gid),
                                          kCifsMountTimeoutMs, {});
  if (r.started && r.exitCode == 0) return true;
  DaemonLog(LogLevel::kDebug, "mount.cifs: %s", r.started ? r.output.c_str() : "not installed");
  // Asking for a cifs mount makes the kernel load its client; still not
  // listed afterwards, the kernel has none.
  if (!r.started || !KernelListsFilesystem(system_.ReadText(options_.filesystemsPath), "cifs")) {
    DaemonLog(LogLevel::kInfo, "no kernel CIFS client: shares go through smbnetfs");
    noKernelCifs_ = true;
  }
  return false;
}

bool SmbShareMounter::MountFromTree(const std::string& address, const NetShareTarget& target,
                                    const std::string& point) {
  if (options_.viaService) {
    if (const std::uint32_t status = AskService(iscsictl::op::kDrivePoint, target); status != iscsictl::kOk) {
      DaemonLog(LogLevel::kWarning, "%c: the service did not hand over %s (status %u)", target.letter, point.c_str(),
                status);
      return false;
    }
    if (!smbnetfs_.MountShareAt(point, address, target.share, options_.uid, options_.gid)) return false;
    if (system_.ProbeDirectory(point)) return true;
    system_.RunTool({"fusermount3", "-u", "-z", point}, kCifsMountTimeoutMs, {});
    return false;
  }
  const std::string tree = smbnetfs_.Ensure();
  if (tree.empty()) return false;
  const std::string source = tree + "/" + address + "/" + target.share;
  // A bind of a share the tree cannot reach would succeed and show an empty,
  // failing directory: look first.
  if (!system_.ProbeDirectory(source)) {
    DaemonLog(LogLevel::kWarning, "%s cannot be reached", source.c_str());
    return false;
  }
  if (const int err = system_.BindMount(source, point)) {
    DaemonLog(LogLevel::kError, "bind mount onto %s: errno %d", point.c_str(), err);
    return false;
  }
  if (!system_.ProbeDirectory(point)) {
    system_.Unmount(point, true);
    return false;
  }
  return true;
}

bool SmbShareMounter::Unmap(char letter) {
  const std::string point = PointOf(letter);
  bool removed = false;
  for (int layer = 0; layer < kMaxLayers; ++layer) {
    const auto mounts = ParseMountInfo(system_.ReadText(options_.mountInfoPath));
    const MountEntry* top = TopMountAt(mounts, point);
    if (!top || !IsNetworkMount(*top) || !UnmountLayer(letter, *top)) break;
    removed = true;
  }
  // The service's record of the mapping goes with it.
  if (options_.viaService)
    system_.AskService(ServiceRequest(iscsictl::op::kUnmountShare, letter).SetBool("forget", true));
  const bool forgotten = store_.Forget(letter);
  if (removed || forgotten) DaemonLog(LogLevel::kInfo, "%c: unmapped", letter);
  return removed || forgotten;
}

bool SmbShareMounter::UnmountLayer(char letter, const MountEntry& top) {
  const std::string point = PointOf(letter);
  // Files still open there do not keep the mapping: it is taken off the
  // letter now and goes when they are closed.
  if (!options_.viaService) {
    int err = system_.Unmount(point, false);
    if (err == EBUSY) err = system_.Unmount(point, true);
    if (err) DaemonLog(LogLevel::kError, "%c: unmount failed, errno %d", letter, err);
    return err == 0;
  }
  if (top.fsType == "fuse.smbnetfs") {
    if (system_.RunTool({"fusermount3", "-u", point}, kCifsMountTimeoutMs, {}).exitCode == 0) return true;
    const NetToolResult r = system_.RunTool({"fusermount3", "-u", "-z", point}, kCifsMountTimeoutMs, {});
    if (r.exitCode != 0) DaemonLog(LogLevel::kError, "%c: fusermount3: %s", letter, r.output.c_str());
    return r.exitCode == 0;
  }
  const std::uint32_t status =
      system_.AskService(ServiceRequest(iscsictl::op::kUnmountShare, letter).SetBool("detach", true));
  if (status != iscsictl::kOk)
    DaemonLog(LogLevel::kError, "%c: the service did not unmount (status %u)", letter, status);
  return status == iscsictl::kOk;
}

std::vector<char> SmbShareMounter::RestoreRemembered() {
  std::vector<char> unavailable;
  for (const auto& [letter, remote] : store_.Load()) {
    const auto mounts = ParseMountInfo(system_.ReadText(options_.mountInfoPath));
    const MountEntry* top = TopMountAt(mounts, PointOf(letter));
    if (top && IsNetworkMount(*top)) continue;
    NetShareTarget target;
    target.letter = letter;
    if (top || !ParseUncPath(remote, &target.host, &target.share) || !Mount(target)) {
      DaemonLog(LogLevel::kWarning, "%c: %s remembered but unavailable", letter, remote.c_str());
      unavailable.push_back(letter);
    }
  }
  return unavailable;
}

}  // namespace sp::netdock
