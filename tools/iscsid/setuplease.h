#pragma once
// The one-setup-at-a-time lease. A person's wizard asks once per run to set
// up an appliance; the process that was allowed holds the lease and does the
// run's privileged requests without being asked again, while other users
// are kept out until it is done. A holder is one process: its pid, the start
// time the kernel gives it (so a recycled pid is not mistaken for it) and its
// user. When it has gone, the lease is free again.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>

#include "tools/iscsid/caller.h"

namespace sp::iscsid {

// The start time of a process (field 22 of /proc/<pid>/stat, clock ticks
// since boot) read from that file's text; nullopt when it is not one.
std::optional<std::uint64_t> ParseProcessStartTime(std::string_view statText);
// The same, read for a live process; nullopt when there is no such process.
std::optional<std::uint64_t> ProcessStartTime(pid_t pid);

struct LeaseHolder {
  pid_t pid = 0;
  std::uint64_t startTime = 0;
  uid_t uid = 0;
};

class SetupLease {
 public:
  using StartTimeOf = std::function<std::optional<std::uint64_t>(pid_t)>;
  explicit SetupLease(StartTimeOf startTimeOf = ProcessStartTime) : startTimeOf_(std::move(startTimeOf)) {}

  // The holder while it still runs; a holder that has gone is dropped here.
  std::optional<LeaseHolder> Holder();
  // True when `caller` is the live holder.
  bool HeldBy(const Caller& caller);
  // Takes the lease for `caller` unless another live process holds it; true
  // when the caller holds it afterwards. False also when the caller itself
  // has gone (its start time cannot be read).
  bool Take(const Caller& caller);
  // Gives the lease up when `caller` holds it; false when it did not.
  bool Release(const Caller& caller);
  // The start time of a process as the lease reads it.
  std::optional<std::uint64_t> StartTime(pid_t pid) const { return startTimeOf_(pid); }

 private:
  std::optional<LeaseHolder> HolderLocked();

  StartTimeOf startTimeOf_;
  std::mutex mutex_;
  std::optional<LeaseHolder> holder_;
};

}  // namespace sp::iscsid
