#include "platform/linux/linuxvolumecontrol.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/linux/storagetools.h"
#include "platform/netmounts.h"
#include "platform/storagetooloutput.h"

namespace sp {
namespace {

namespace fs = std::filesystem;

std::string ReadLine(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

bool ReadNumber(const fs::path& path, std::uint64_t& value) {
  const std::string text = ReadLine(path);
  if (text.empty()) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

std::string Canonical(const std::string& path) {
  std::error_code ec;
  const auto resolved = fs::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

bool IsBlockDevice(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode);
}

// ntfs-3g opens its device exclusively and lets go of it a moment after the
// unmount returns; the next mount of the same volume must wait for that.
void WaitUntilReleased(const std::string& device) {
  if (!IsBlockDevice(device)) return;
  for (int i = 0; i < 100; ++i) {
    const int fd = open(device.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
    if (fd >= 0) {
      close(fd);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace

LinuxVolumeControl::LinuxVolumeControl(LinuxDriveLetters& letters, std::string sysDir, std::string devDir)
    : letters_(letters), sysDir_(std::move(sysDir)), devDir_(std::move(devDir)) {}

std::string LinuxVolumeControl::AttachLoop(const std::string& backingFile, std::uint64_t offset, std::uint64_t size,
                                           std::stop_token stop) {
  const ToolResult r = RunStorageTool(LoopAttachCommand(backingFile, offset, size), kLoopToolMs, stop);
  if (r.exitCode != 0) return {};
  std::string device = ParseLosetupDevice(r.output);
  // Without the limit the volume still works, only its writes come in bursts.
  if (!device.empty()) LimitLoopWriteback(sysDir_, device, kLoopDirtyBytes);
  return device;
}

bool LinuxVolumeControl::DetachLoop(const std::string& device) {
  // Only ever a loop device: losetup -d on anything else is a mistake.
  if (ParseLosetupDevice(device) != device) return false;
  // Never stopped: detaching is how a stopped attach tidies up.
  return RunStorageTool({"losetup", "-d", device}, kLoopToolMs).exitCode == 0;
}

std::optional<LoopSetup> LinuxVolumeControl::LoopBehind(const std::string& device) {
  if (ParseLosetupDevice(device) != device) return std::nullopt;
  const fs::path loop = fs::path(sysDir_) / "block" / fs::path(device).filename() / "loop";
  LoopSetup setup;
  setup.backingFile = ReadLine(loop / "backing_file");
  if (setup.backingFile.empty()) return std::nullopt;
  ReadNumber(loop / "offset", setup.offset);
  ReadNumber(loop / "sizelimit", setup.sizeLimit);
  return setup;
}

std::string LinuxVolumeControl::DiskBehind(const std::string& volumeDevice) {
  if (auto loop = LoopBehind(volumeDevice)) return loop->backingFile;
  const std::string devPrefix = devDir_ + "/";
  if (volumeDevice.compare(0, devPrefix.size(), devPrefix) == 0) {
    const fs::path node = fs::path(sysDir_) / "class" / "block" / fs::path(volumeDevice).filename();
    std::error_code ec;
    if (fs::exists(node / "partition", ec)) {
      const fs::path parent = fs::canonical(node, ec).parent_path();
      if (!ec) return devPrefix + parent.filename().string();
    }
  }
  return volumeDevice;
}

bool LinuxVolumeControl::DiskInUse(const std::string& diskPath) { return !MountPointsOnDisk(diskPath).empty(); }

std::vector<std::string> LinuxVolumeControl::MountPointsOnDisk(const std::string& diskPath) {
  const std::string disk = Canonical(diskPath);
  std::vector<std::string> points;
  for (const MountEntry& m : letters_.Mounts()) {
    if (m.source.empty() || m.source[0] != '/') continue;
    if (Canonical(m.source) == disk || Canonical(DiskBehind(m.source)) == disk) points.push_back(m.mountPoint);
  }
  return points;
}

std::optional<FileSystemProbe> LinuxVolumeControl::ProbeFileSystem(const std::string& device, std::stop_token stop) {
  // -p reads the device itself instead of blkid's cache, which may predate
  // a format made a moment ago.
  const ToolResult r = RunStorageTool({"blkid", "-p", "-o", "export", "--", device}, kProbeToolMs, stop);
  if (r.exitCode != 0) return std::nullopt;
  auto values = ParseBlkidExport(r.output);
  if (values["TYPE"].empty()) return std::nullopt;
  return FileSystemProbe{values["TYPE"], values["VERSION"]};
}

bool LinuxVolumeControl::MountNtfs(const std::string& device, char letter, std::stop_token stop) {
  return MountNtfsAs(device, letter, std::nullopt, stop);
}

bool LinuxVolumeControl::MountNtfsAs(const std::string& device, char letter, const std::optional<DriveOwner>& owner,
                                     std::stop_token stop) {
  const std::string point = letters_.MountPoint(letter);
  // ntfs-3g takes no "--": both arguments must be absolute paths so that
  // neither can read as an option.
  if (point.empty() || device.empty() || device[0] != '/' || point[0] != '/') return false;
  if (!letters_.DeviceAtLetter(letter).empty()) return false;
  std::error_code ec;
  if (!fs::is_directory(point, ec)) {
    if (!fs::create_directory(point, ec)) return false;
    std::lock_guard lock(mutex_);
    createdMountPoints_.insert(point);
  }
  if (!noKernelNtfs_) {
    if (MountedAt(letter,
                  RunStorageTool(NtfsMountCommand(NtfsDriver::kKernel, device, point, owner), kMountToolMs, stop)))
      return true;
    // The mount asked the kernel to load ntfs3; not there now, it has none.
    std::ifstream in("/proc/filesystems");
    const std::string listed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!KernelListsFilesystem(listed, "ntfs3")) noKernelNtfs_ = true;
  }
  if (MountedAt(letter,
                RunStorageTool(NtfsMountCommand(NtfsDriver::kNtfs3g, device, point, owner), kMountToolMs, stop)))
    return true;
  ForgetMountPoint(point);
  return false;
}

bool LinuxVolumeControl::MountedAt(char letter, const ToolResult& r) {
  return r.exitCode == 0 && !letters_.DeviceAtLetter(letter).empty();
}

bool LinuxVolumeControl::Unmount(char letter, std::stop_token stop) {
  const std::string point = letters_.MountPoint(letter);
  const std::string device = letters_.DeviceAtLetter(letter);
  if (point.empty() || device.empty()) return false;
  if (RunStorageTool({"umount", "--", point}, kMountToolMs, stop).exitCode != 0) return false;
  WaitUntilReleased(device);
  ForgetMountPoint(point);
  return true;
}

void LinuxVolumeControl::ForgetMountPoint(const std::string& mountPoint) {
  std::lock_guard lock(mutex_);
  if (createdMountPoints_.erase(mountPoint)) {
    std::error_code ec;
    fs::remove(mountPoint, ec);  // only when empty; a folder with content stays
  }
}

}  // namespace sp
