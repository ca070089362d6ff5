#include "tools/netdock/smbnetfsinstance.h"
#include "platform/linux/daemonlog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/netmounts.h"

namespace sp::netdock {
namespace {

constexpr int kStartTimeoutMs = 20000;
constexpr const char kFuseType[] = "fuse.smbnetfs";

constexpr const char kConfig[] =
    "# Written by netdock for drive mappings of SMB shares.\n"
    "# Guest access; only hosts asked for by name or address, no browsing.\n"
    "auth \"guest\" \"\"\n"
    "smb_query_browsers \"false\"\n"
    "use_libsecret \"false\"\n"
    "smb_timeout 10000\n";

std::string Canonical(const std::string& path) {
  std::error_code ec;
  const auto c = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : c.string();
}

}  // namespace

std::vector<std::string> SmbnetfsCommand(const std::string& treeDir, const std::string& configPath, bool allowOther) {
  std::string options = "config=" + configPath + ",big_writes,max_write=131072,max_read=131072";
  if (allowOther) options += ",allow_other";
  return {"smbnetfs", treeDir, "-o", options};
}

std::vector<std::string> SmbnetfsShareCommand(const std::string& point, const std::string& configPath,
                                              const std::string& address, const std::string& share, uid_t uid,
                                              gid_t gid) {
  // FUSE's subdir module shows <tree>/<address>/<share> as the mount's root;
  // the source names the share, as a CIFS mount's does. Everything in it is
  // shown as the user's (smbnetfs gives the share's own folder to root).
  const std::string remote = "/" + address + "/" + share;
  return {"smbnetfs", point, "-o",
          "config=" + configPath + ",big_writes,max_write=131072,max_read=131072,modules=subdir,subdir=" + remote +
              ",fsname=/" + remote + ",subtype=smbnetfs,uid=" + std::to_string(uid) + ",gid=" + std::to_string(gid)};
}

SmbnetfsInstance::SmbnetfsInstance(IAgentSystem& system, std::string treeDir, std::string home,
                                   std::string mountInfoPath, bool allowOther)
    : system_(system),
      treeDir_(std::move(treeDir)),
      home_(std::move(home)),
      mountInfoPath_(std::move(mountInfoPath)),
      allowOther_(allowOther) {}

bool SmbnetfsInstance::Mounted() {
  const auto mounts = ParseMountInfo(system_.ReadText(mountInfoPath_));
  const MountEntry* top = TopMountAt(mounts, Canonical(treeDir_));
  return top && top->fsType == kFuseType;
}

bool SmbnetfsInstance::WriteConfig() {
  const std::string folder = home_ + "/.smb";
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  const std::string path = configPath();
  // O_EXCL: a configuration the user already has stays as it is; smbnetfs
  // only wants it private.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return errno == EEXIST && chmod(path.c_str(), 0600) == 0;
  const std::size_t size = sizeof kConfig - 1;
  const bool ok = write(fd, kConfig, size) == static_cast<ssize_t>(size);
  close(fd);
  return ok;
}

bool SmbnetfsInstance::MountShareAt(const std::string& point, const std::string& address, const std::string& share,
                                    uid_t uid, gid_t gid) {
  if (home_.empty() || !WriteConfig()) {
    DaemonLog(LogLevel::kError, "cannot write %s", configPath().c_str());
    return false;
  }
  const NetToolResult r = system_.RunTool(SmbnetfsShareCommand(point, configPath(), address, share, uid, gid),
                                          kStartTimeoutMs, {"HOME=" + home_});
  const auto mounts = ParseMountInfo(system_.ReadText(mountInfoPath_));  // `top` points into it
  const MountEntry* top = TopMountAt(mounts, Canonical(point));
  if (!r.started || r.exitCode != 0 || !top || top->fsType != kFuseType) {
    DaemonLog(LogLevel::kError, "smbnetfs for %s did not start (%s)", point.c_str(), r.output.c_str());
    return false;
  }
  return true;
}

std::string SmbnetfsInstance::Ensure() {
  if (Mounted()) {
    if (system_.ProbeDirectory(treeDir_)) return treeDir_;
    // Its process is gone ("transport endpoint is not connected").
    DaemonLog(LogLevel::kInfo, "clearing a dead smbnetfs tree at %s", treeDir_.c_str());
    system_.Unmount(treeDir_, true);
  }
  if (home_.empty() || !WriteConfig()) {
    DaemonLog(LogLevel::kError, "cannot write %s", configPath().c_str());
    return {};
  }
  std::error_code ec;
  std::filesystem::create_directories(treeDir_, ec);
  chmod(treeDir_.c_str(), 0700);
  const NetToolResult r =
      system_.RunTool(SmbnetfsCommand(treeDir_, configPath(), allowOther_), kStartTimeoutMs, {"HOME=" + home_});
  if (!r.started || r.exitCode != 0 || !Mounted()) {
    DaemonLog(LogLevel::kError, "smbnetfs did not start (%s)", r.output.c_str());
    return {};
  }
  return treeDir_;
}

}  // namespace sp::netdock
