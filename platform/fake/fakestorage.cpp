// FakeStorage: drive letters, volumes and the formatter.
#include "platform/fake/fakestorage.h"

#include <cctype>
#include <condition_variable>
#include <cstring>

namespace sp {
namespace {

constexpr char kNtfsOemId[] = "NTFS    ";
constexpr char kOtherMarker[] = "SPFS:";  // followed by the type, 11 bytes in all

char Upper(char letter) {
  const auto c = static_cast<unsigned char>(letter);
  return (c < 0x80 && std::isalpha(c)) ? static_cast<char>(std::toupper(c)) : '\0';
}

}  // namespace

FakeStorage::FakeStorage(std::string mountRoot) : mountRoot_(std::move(mountRoot)) {}
FakeStorage::~FakeStorage() = default;

std::optional<FakeStorage::Volume> FakeStorage::VolumeLocked(const std::string& device) {
  auto v = volumes_.find(device);
  if (v != volumes_.end()) return v->second;
  auto d = disks_.find(device);
  if (d != disks_.end()) return Volume{device, 0, d->second.size, false};
  return std::nullopt;
}

void FakeStorage::AddVolumeDevice(const std::string& device, const std::string& disk, std::uint64_t offset,
                                  std::uint64_t size) {
  std::lock_guard lock(mutex_);
  volumes_[device] = Volume{disk, offset, size, false};
}

void FakeStorage::PutFileSystem(const std::string& device, const std::string& type) {
  std::lock_guard lock(mutex_);
  WriteFileSystemLocked(device, type, false);
}

bool FakeStorage::WriteFileSystemLocked(const std::string& device, const std::string& type, bool counted) {
  auto v = VolumeLocked(device);
  if (!v) return false;
  char marker[11] = {};
  if (type == "ntfs") {
    std::memcpy(marker, kNtfsOemId, 8);
  } else {
    std::memcpy(marker, kOtherMarker, 5);
    std::memcpy(marker + 5, type.data(), std::min<std::size_t>(type.size(), 6));
  }
  if (counted) return WriteLocked(v->disk, v->offset + 3, marker, sizeof marker);
  Disk& d = disks_[v->disk];
  const bool fails = d.writeFails;
  d.writeFails = false;
  WriteLocked(v->disk, v->offset + 3, marker, sizeof marker);
  d.writes--;
  d.writeFails = fails;
  return true;
}

void FakeStorage::MountOutside(const std::string& device, char letter) {
  std::lock_guard lock(mutex_);
  mounts_[Upper(letter)] = device;
}

void FakeStorage::MountWithoutLetter(const std::string& device) {
  std::lock_guard lock(mutex_);
  otherMounts_.push_back(device);
}

std::vector<std::string> FakeStorage::Log() {
  std::lock_guard lock(mutex_);
  return log_;
}

std::vector<std::string> FakeStorage::AttachedLoops() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> loops;
  for (const auto& [device, volume] : volumes_) {
    if (volume.loop) loops.push_back(device);
  }
  return loops;
}

std::optional<NtfsFormatOptions> FakeStorage::LastFormatOptions() {
  std::lock_guard lock(mutex_);
  return lastFormat_;
}

int FakeStorage::FormatCount() {
  std::lock_guard lock(mutex_);
  return formats_;
}

std::uint32_t FakeStorage::LogicalDrives() {
  std::lock_guard lock(mutex_);
  std::uint32_t mask = 0;
  for (const auto& [letter, device] : mounts_) mask |= DriveLetterBit(letter);
  return mask;
}

std::string FakeStorage::MountPoint(char letter) {
  const char upper = Upper(letter);
  if (!upper) return {};
  return mountRoot_ + "/" + static_cast<char>(std::tolower(static_cast<unsigned char>(upper)));
}

std::string FakeStorage::DeviceAtLetter(char letter) {
  std::lock_guard lock(mutex_);
  auto it = mounts_.find(Upper(letter));
  return it == mounts_.end() ? std::string() : it->second;
}

std::string FakeStorage::AttachLoop(const std::string& backingFile, std::uint64_t offset, std::uint64_t size,
                                    std::stop_token stop) {
  std::lock_guard lock(mutex_);
  auto d = disks_.find(backingFile);
  if (stop.stop_requested() || attachFails || Refused() || d == disks_.end() || offset > d->second.size) return {};
  if (size == 0 || size > d->second.size - offset) size = d->second.size - offset;
  const std::string device = "/dev/loop" + std::to_string(nextLoop_++);
  volumes_[device] = Volume{backingFile, offset, size, true};
  Record("attach " + backingFile + " @" + std::to_string(offset) + " +" + std::to_string(size) + " -> " + device);
  return device;
}

bool FakeStorage::DetachLoop(const std::string& device) {
  std::lock_guard lock(mutex_);
  auto v = volumes_.find(device);
  if (v == volumes_.end() || !v->second.loop) return false;
  for (const auto& [letter, mounted] : mounts_) {
    if (mounted == device) return false;  // a mounted volume keeps its device
  }
  volumes_.erase(v);
  Record("detach " + device);
  return true;
}

std::optional<LoopSetup> FakeStorage::LoopBehind(const std::string& device) {
  std::lock_guard lock(mutex_);
  auto v = volumes_.find(device);
  if (v == volumes_.end() || !v->second.loop) return std::nullopt;
  return LoopSetup{v->second.disk, v->second.offset, v->second.size};
}

std::string FakeStorage::DiskBehind(const std::string& volumeDevice) {
  std::lock_guard lock(mutex_);
  auto v = volumes_.find(volumeDevice);
  return v == volumes_.end() ? volumeDevice : v->second.disk;
}

bool FakeStorage::DiskInUse(const std::string& diskPath) { return !MountPointsOnDisk(diskPath).empty(); }

std::vector<std::string> FakeStorage::MountPointsOnDisk(const std::string& diskPath) {
  std::lock_guard lock(mutex_);
  const auto onDisk = [&](const std::string& device) {
    auto v = volumes_.find(device);
    return device == diskPath || (v != volumes_.end() && v->second.disk == diskPath);
  };
  std::vector<std::string> points;
  for (const auto& [letter, device] : mounts_) {
    if (onDisk(device)) points.push_back(mountRoot_ + "/" + static_cast<char>(letter - 'A' + 'a'));
  }
  for (const std::string& device : otherMounts_) {
    if (onDisk(device)) points.push_back("/elsewhere" + device);
  }
  return points;
}

std::optional<FileSystemProbe> FakeStorage::ProbeFileSystem(const std::string& device, std::stop_token stop) {
  if (stop.stop_requested()) return std::nullopt;
  std::lock_guard lock(mutex_);
  auto v = VolumeLocked(device);
  char marker[11] = {};
  if (!v || v->size < sizeof marker + 3 || !ReadLocked(v->disk, v->offset + 3, marker, sizeof marker))
    return std::nullopt;
  if (std::memcmp(marker, kNtfsOemId, 8) == 0) return FileSystemProbe{"ntfs", ""};
  if (std::memcmp(marker, kOtherMarker, 5) == 0) {
    const std::string type(marker + 5, strnlen(marker + 5, 6));
    return FileSystemProbe{type, type == "vfat" ? "FAT32" : ""};
  }
  return std::nullopt;
}

bool FakeStorage::MountNtfs(const std::string& device, char letter, std::stop_token stop) {
  const char upper = Upper(letter);
  std::optional<FileSystemProbe> fs = ProbeFileSystem(device);
  std::lock_guard lock(mutex_);
  Record(std::string("mount ") + device + " " + upper);
  if (!upper || stop.stop_requested() || mountFails || Refused() || mounts_.count(upper) || !fs || fs->type != "ntfs") {
    return false;
  }
  for (const auto& [l, mounted] : mounts_) {
    if (mounted == device) return false;  // ntfs-3g holds its device exclusively
  }
  mounts_[upper] = device;
  return true;
}

bool FakeStorage::Unmount(char letter, std::stop_token stop) {
  std::lock_guard lock(mutex_);
  const char upper = Upper(letter);
  Record(std::string("unmount ") + upper);
  if (stop.stop_requested() || unmountFails || !mounts_.count(upper)) return false;
  mounts_.erase(upper);
  return true;
}

bool FakeStorage::Refused() {
  if (refuse == StorageRefusal::kNone) return false;
  refused_ = refuse;
  return true;
}

StorageRefusal FakeStorage::Refusal() {
  std::lock_guard lock(mutex_);
  return refused_;
}

void FakeStorage::ClearRefusal() {
  std::lock_guard lock(mutex_);
  refused_ = StorageRefusal::kNone;
}

bool FakeStorage::Format(const std::string& device, const NtfsFormatOptions& options,
                         const std::function<void(int)>& progress, std::stop_token stop) {
  {
    std::lock_guard lock(mutex_);
    Record("format " + device);
    lastFormat_ = options;
    ++formats_;
    for (const auto& [letter, mounted] : mounts_) {
      if (mounted == device) return false;  // a mounted volume is not formatted
    }
  }
  if (progress) progress(0);
  switch (formatOutcome.load()) {
    case FormatOutcome::Fail:
      if (progress) progress(40);
      return false;
    case FormatOutcome::Hang: {
      std::mutex m;
      std::condition_variable_any cv;
      std::unique_lock lock(m);
      cv.wait(lock, stop, [] { return false; });
      return false;
    }
    case FormatOutcome::Succeed:
      break;
  }
  if (progress) progress(50);
  {
    std::lock_guard lock(mutex_);
    if (!WriteFileSystemLocked(device, "ntfs", true)) return false;
  }
  if (progress) progress(100);
  return true;
}

}  // namespace sp
