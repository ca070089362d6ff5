#include "tools/iscsid/volumekeeper.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "tools/iscsid/log.h"

namespace sp::iscsid {
namespace {

using namespace iscsictl;
using Clock = std::chrono::steady_clock;

std::string Canonical(const std::string& path) {
  std::error_code ec;
  const auto resolved = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

// Writes the file system's dirty data down to the LUN (and through the
// LUN's own flush, to the target) before anything is taken apart.
void Flush(const std::string& mountPoint) {
  const int fd = open(mountPoint.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  syncfs(fd);
  close(fd);
}

}  // namespace

VolumeKeeper::VolumeKeeper(InitiatorCore& core, const std::string& driveRoot)
    : core_(core), letters_(driveRoot), control_(letters_) {}

VolumeKeeper::~VolumeKeeper() { Release(std::chrono::seconds(10)); }

void VolumeKeeper::Start() {
  std::lock_guard lock(mutex_);
  if (!thread_.joinable() && !stop_) thread_ = std::thread([this] { Run(); });
}

std::string VolumeKeeper::LunFile(const std::string& target, std::uint64_t lunField) const {
  for (const auto& session : core_.Sessions()) {
    if (session.target != target || session.state != SessionState::kLoggedIn) continue;
    for (const auto& device : session.devices) {
      if (device.lunField == lunField) return device.path;
    }
  }
  return {};
}

Status VolumeKeeper::Remember(const std::string& target, char letter, std::uint32_t ownerUid, std::uint32_t ownerGid) {
  if (letter < 'a' || letter > 'z' || target.empty()) return kInvalidParameter;
  if (!core_.HasPersistentLogin(target)) return kPersistentNotFound;
  const std::string device = letters_.DeviceAtLetter(letter);
  const auto loop = device.empty() ? std::nullopt : control_.LoopBehind(device);
  if (!loop) return kDeviceNotFound;
  // The loop must stand on one of this target's LUNs: the caller names a
  // letter, the service finds out what is there.
  std::optional<std::uint64_t> lunField;
  const std::string backing = Canonical(loop->backingFile);
  for (const auto& session : core_.Sessions()) {
    if (session.target != target) continue;
    for (const auto& d : session.devices) {
      if (Canonical(d.path) == backing) lunField = d.lunField;
    }
  }
  if (!lunField) return kDeviceNotFound;
  const auto probe = control_.ProbeFileSystem(device);
  if (!probe || probe->type != "ntfs") return kInvalidParameter;
  const RememberedVolume volume{target, *lunField, loop->offset, loop->sizeLimit, "ntfs", letter, ownerUid, ownerGid};
  const Status status = core_.RememberVolume(volume);
  if (status != kOk) return status;
  std::lock_guard lock(mutex_);
  held_[letter] = device;
  retries_[letter] = Retry{{}, {}, true};
  Log("volume at %c: (%s, offset %llu) remembered", letter, target.c_str(),
      static_cast<unsigned long long>(volume.offset));
  return kOk;
}

Status VolumeKeeper::Forget(char letter) {
  if (letter < 'a' || letter > 'z') return kInvalidParameter;
  // What is mounted stays held: it still sits on our LUN and must be
  // unmounted before the session ends.
  return core_.ForgetVolume(letter);
}

bool VolumeKeeper::Bring(const RememberedVolume& volume) {
  const std::string there = letters_.DeviceAtLetter(volume.letter);
  const std::string lun = LunFile(volume.target, volume.lunField);
  if (!there.empty()) {
    // Already there (mounted before the service restarted): adopt it.
    const auto loop = control_.LoopBehind(there);
    const bool ours =
        loop && !lun.empty() && Canonical(loop->backingFile) == Canonical(lun) && loop->offset == volume.offset;
    if (ours) {
      std::lock_guard lock(mutex_);
      held_[volume.letter] = there;
    }
    return ours;  // something else holds the letter: try again later
  }
  if (lun.empty()) return false;
  const std::string device = control_.AttachLoop(lun, volume.offset, volume.size);
  if (device.empty()) return false;
  std::optional<DriveOwner> owner;
  if (volume.ownerUid != 0) owner = DriveOwner{volume.ownerUid, volume.ownerGid};
  if (!control_.MountNtfsAs(device, volume.letter, owner)) {
    control_.DetachLoop(device);
    return false;
  }
  std::lock_guard lock(mutex_);
  held_[volume.letter] = device;
  return true;
}

void VolumeKeeper::Run() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    Clock::time_point next = Clock::now() + kLastRetry;
    for (const auto& volume : core_.Volumes()) {
      Retry& retry = retries_[volume.letter];
      if (retry.done) continue;
      if (Clock::now() < retry.at) {
        next = std::min(next, retry.at);
        continue;
      }
      lock.unlock();
      const bool brought = Bring(volume);
      lock.lock();
      if (stop_) return;
      if (brought) {
        retry.done = true;
        Log("volume at %c: mounted", volume.letter);
        continue;
      }
      retry.delay = retry.delay.count() == 0 ? kFirstRetry : std::min(retry.delay * 2, kLastRetry);
      retry.at = Clock::now() + retry.delay;
      next = std::min(next, retry.at);
    }
    wake_.wait_until(lock, next, [this] { return stop_; });
  }
}

void VolumeKeeper::ReleaseOne(char letter, const std::string& loop, Clock::time_point deadline) {
  const std::string point = letters_.MountPoint(letter);
  if (letters_.DeviceAtLetter(letter) == loop) {
    Flush(point);
    bool unmounted = control_.Unmount(letter);
    while (!unmounted && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      unmounted = control_.Unmount(letter);
    }
    if (!unmounted) {
      // Still busy (a file open on it): the data is flushed, the folder is
      // let go now and the file system ends when its last user does.
      Log("volume at %c: busy, detached lazily", letter);
      Flush(point);
      RunStorageTool({"umount", "-l", "--", point}, LinuxVolumeControl::kMountToolMs);
    }
  }
  control_.DetachLoop(loop);
}

void VolumeKeeper::Release(std::chrono::milliseconds bound) {
  {
    std::lock_guard lock(mutex_);
    if (released_) return;
    released_ = stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  const Clock::time_point deadline = Clock::now() + bound;
  for (const auto& [letter, loop] : held_) ReleaseOne(letter, loop, deadline);
  held_.clear();
}

}  // namespace sp::iscsid
