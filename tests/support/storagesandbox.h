#pragma once
// A scratch area for tests on real loop devices and mounts: a temporary
// folder with a LUN folder and a mount root. Whatever is still mounted under
// it or attached as a loop device over its files is released when it goes.
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/blockdevices.h"
#include "platform/linux/storagetools.h"
#include "platform/storagetooloutput.h"

namespace sp::storagetest {

// Why real-device tests cannot run here, or empty when they can.
inline std::string RealDevicesUnavailable() {
  if (geteuid() != 0) return "needs root for loop devices and mounts";
  for (const char* tool : {"/usr/sbin/mkntfs", "/usr/sbin/losetup", "/usr/bin/ntfs-3g", "/usr/sbin/blkid"}) {
    if (access(tool, X_OK) != 0) return std::string(tool) + " is not installed";
  }
  if (access("/dev/loop-control", F_OK) != 0) return "no loop devices";
  return {};
}

// Runs a helper program the test needs (not one of the wizard's tools);
// returns its exit status.
inline int RunForTest(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::vector<std::uint8_t> InquiryData(const char* vendor, const char* product = "VIRTUAL-DISK    ",
                                             const char* revision = "0001") {
  std::vector<std::uint8_t> d(96, 0);
  d[0] = 0x00;  // direct-access block device
  d[2] = 0x05;
  d[3] = 0x02;
  d[4] = 91;
  for (int i = 0; i < 8; ++i) d[8 + i] = static_cast<std::uint8_t>(vendor[i]);
  for (int i = 0; i < 16; ++i) d[16 + i] = static_cast<std::uint8_t>(product[i]);
  for (int i = 0; i < 4; ++i) d[32 + i] = static_cast<std::uint8_t>(revision[i]);
  return d;
}

class Sandbox {
 public:
  Sandbox() {
    // /var/tmp is on a disk file system more often than /tmp (tmpfs keeps
    // user attributes only on recent kernels).
    const std::filesystem::path base =
        std::filesystem::is_directory("/var/tmp") ? "/var/tmp" : std::filesystem::temp_directory_path();
    root_ = base / ("sp-storage-" + std::to_string(getpid()) + "-" + std::to_string(counter_++));
    std::filesystem::create_directories(root_ / "luns");
    std::filesystem::create_directories(root_ / "mnt");
    const std::string probe = (root_ / "xattr-probe").string();
    { std::ofstream(probe, std::ios::binary); }
    xattrsWork_ = setxattr(probe.c_str(), kScsiInquiryAttribute, "x", 1, 0) == 0;
    std::filesystem::remove(probe);
  }

  // LUN files carry their INQUIRY data in an extended attribute; the
  // temporary folder's file system must keep user attributes.
  bool xattrsWork() const { return xattrsWork_; }
  ~Sandbox() {
    Release();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  std::string lunDir() const { return (root_ / "luns").string(); }
  std::string mountRoot() const { return (root_ / "mnt").string(); }

  // A sparse file standing for a LUN, with its INQUIRY data in the
  // attribute the initiator service sets (none when `inquiry` is empty).
  std::string AddLun(const std::string& name, std::uint64_t size, const std::vector<std::uint8_t>& inquiry) {
    const std::string path = lunDir() + "/" + name;
    { std::ofstream(path, std::ios::binary); }
    std::filesystem::resize_file(path, size);
    if (!inquiry.empty()) setxattr(path.c_str(), kScsiInquiryAttribute, inquiry.data(), inquiry.size(), 0);
    return path;
  }

  // Unmounts everything under the sandbox and detaches every loop device
  // over its files.
  void Release() {
    std::ifstream in("/proc/self/mountinfo");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string prefix = root_.string() + "/";
    auto mounts = ParseMountInfo(text);
    for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
      if (it->mountPoint.rfind(prefix, 0) == 0) RunStorageTool({"umount", "--", it->mountPoint}, 60000);
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/block", ec)) {
      std::ifstream backing(entry.path() / "loop" / "backing_file");
      std::string file;
      if (std::getline(backing, file) && file.rfind(prefix, 0) == 0) {
        RunStorageTool({"losetup", "-d", "/dev/" + entry.path().filename().string()}, 30000);
      }
    }
  }

  // Loop devices over the sandbox's files that are still attached.
  int AttachedLoops() const {
    int n = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/block", ec)) {
      std::ifstream backing(entry.path() / "loop" / "backing_file");
      std::string file;
      if (std::getline(backing, file) && file.rfind(root_.string() + "/", 0) == 0) ++n;
    }
    return n;
  }

 private:
  static inline int counter_ = 0;
  std::filesystem::path root_;
  bool xattrsWork_ = false;
};

}  // namespace sp::storagetest
