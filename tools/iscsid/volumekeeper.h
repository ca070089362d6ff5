#pragma once
// The prepared volumes the service keeps at their drive letters: the disk
// layer's NTFS partitions on the LUN files of persistent logins, mounted the
// way the disk layer mounts them (a loop device with direct I/O over the
// partition, the kernel's ntfs3 first, ntfs-3g where it has none).
//
// At start a background thread waits for each remembered volume's LUN to
// appear (the persistent logins come back on their own, an appliance that is
// not up yet is retried by the bookkeeping) and mounts it; a volume that
// cannot be mounted yet is tried again after 1 s, 2 s, ... up to a minute
// apart. Nothing of this holds up the service's start.
//
// Before the service logs out, every volume it holds (mounted itself, or
// remembered while mounted) is flushed, unmounted and its loop device
// detached, so the sessions never end under a mounted file system.
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/linux/iscsicontroltypes.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxvolumecontrol.h"
#include "tools/iscsid/initiatorcore.h"

namespace sp::iscsid {

class VolumeKeeper {
 public:
  static constexpr std::chrono::milliseconds kFirstRetry{1000};
  static constexpr std::chrono::milliseconds kLastRetry{60000};

  VolumeKeeper(InitiatorCore& core, const std::string& driveRoot);
  ~VolumeKeeper();
  VolumeKeeper(const VolumeKeeper&) = delete;
  VolumeKeeper& operator=(const VolumeKeeper&) = delete;

  // Starts bringing back the remembered volumes.
  void Start();

  // Remembers the volume mounted at `letter` ('a'..'z') now. It must be a
  // loop device over a LUN of a logged-in session of `target`, which must
  // have a persistent login, and hold NTFS; where it sits on the LUN is read
  // from the loop device, never taken from the caller.
  iscsictl::Status Remember(const std::string& target, char letter, std::uint32_t ownerUid, std::uint32_t ownerGid);
  iscsictl::Status Forget(char letter);

  // Stops the thread, then flushes and unmounts every volume held; one that
  // stays busy past `bound` is detached from its folder lazily (its data was
  // flushed). Loop devices are detached after. Idempotent.
  void Release(std::chrono::milliseconds bound);

 private:
  struct Retry {
    std::chrono::steady_clock::time_point at{};
    std::chrono::milliseconds delay{0};
    bool done = false;
  };

  void Run();
  // One attempt; true when the volume is at its letter afterwards.
  bool Bring(const iscsictl::RememberedVolume& volume);
  // The LUN file of a logged-in session of the target; empty when none.
  std::string LunFile(const std::string& target, std::uint64_t lunField) const;
  void ReleaseOne(char letter, const std::string& loop, std::chrono::steady_clock::time_point deadline);

  InitiatorCore& core_;
  LinuxDriveLetters letters_;
  LinuxVolumeControl control_;

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool released_ = false;
  std::map<char, Retry> retries_;
  std::map<char, std::string> held_;  // letter -> loop device under it
  std::thread thread_;
};

}  // namespace sp::iscsid
