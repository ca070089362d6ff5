#include "tools/netdock/sharemounter.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/netmounts.h"

namespace sp::netdock {
namespace {

constexpr int kCifsMountTimeoutMs = 30000;
// Layers a letter could hold if a share was mounted on itself more than once.
constexpr int kMaxLayers = 8;

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
    std::fprintf(stderr, "netdock: %c: %s\n", target.letter, same ? "already mapped" : "is in use");
    return same;
  }
  if (!Mount(target)) return false;
  if (!store_.Remember(target.letter, remote)) {
    std::fprintf(stderr, "netdock: %c: mapped but cannot be remembered in %s\n", target.letter, store_.path().c_str());
  }
  return true;
}

bool SmbShareMounter::Mount(const NetShareTarget& target) {
  const std::string point = PointOf(target.letter);
  const std::string address = resolver_.Resolve(target.host);
  if (address.empty()) {
    std::fprintf(stderr, "netdock: %c: cannot find host %s\n", target.letter, target.host.c_str());
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(point, ec);
  const bool cifs = !noKernelCifs_ && MountCifs(address, target, point);
  const bool ok = cifs || MountFromTree(address, target, point);
  std::fprintf(stderr, "netdock: %c: %s \\\\%s\\%s (%s) through %s\n", target.letter, ok ? "mapped" : "could not map",
               target.host.c_str(), target.share.c_str(), address.c_str(), cifs ? "cifs" : "smbnetfs");
  return ok;
}

bool SmbShareMounter::MountCifs(const std::string& address, const NetShareTarget& target, const std::string& point) {
  const NetToolResult r = system_.RunTool(CifsMountCommand(address, target.share, point, options_.uid, options_.gid),
                                          kCifsMountTimeoutMs, {});
  if (r.started && r.exitCode == 0) return true;
  std::fprintf(stderr, "netdock: mount.cifs: %s\n", r.started ? r.output.c_str() : "not installed");
  // Asking for a cifs mount makes the kernel load its client; still not
  // listed afterwards, the kernel has none.
  if (!r.started || !KernelListsFilesystem(system_.ReadText(options_.filesystemsPath), "cifs")) {
    std::fprintf(stderr, "netdock: no kernel CIFS client: shares go through smbnetfs\n");
    noKernelCifs_ = true;
  }
  return false;
}

bool SmbShareMounter::MountFromTree(const std::string& address, const NetShareTarget& target,
                                    const std::string& point) {
  const std::string tree = smbnetfs_.Ensure();
  if (tree.empty()) return false;
  const std::string source = tree + "/" + address + "/" + target.share;
  // A bind of a share the tree cannot reach would succeed and show an empty,
  // failing directory: look first.
  if (!system_.ProbeDirectory(source)) {
    std::fprintf(stderr, "netdock: %s cannot be reached\n", source.c_str());
    return false;
  }
  if (const int err = system_.BindMount(source, point)) {
    std::fprintf(stderr, "netdock: bind mount onto %s: errno %d\n", point.c_str(), err);
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
    if (!top || !IsNetworkMount(*top)) break;
    int err = system_.Unmount(point, false);
    // Files still open there do not keep the mapping: it is taken off the
    // letter now and goes when they are closed.
    if (err == EBUSY) err = system_.Unmount(point, true);
    if (err) {
      std::fprintf(stderr, "netdock: %c: unmount failed, errno %d\n", letter, err);
      break;
    }
    removed = true;
  }
  const bool forgotten = store_.Forget(letter);
  if (removed || forgotten) std::fprintf(stderr, "netdock: %c: unmapped\n", letter);
  return removed || forgotten;
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
      std::fprintf(stderr, "netdock: %c: %s remembered but unavailable\n", letter, remote.c_str());
      unavailable.push_back(letter);
    }
  }
  return unavailable;
}

}  // namespace sp::netdock
