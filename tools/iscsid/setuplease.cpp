#include "tools/iscsid/setuplease.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <string>

namespace sp::iscsid {

std::optional<std::uint64_t> ParseProcessStartTime(std::string_view text) {
  // "pid (comm) state ppid ...": the name may hold spaces and parentheses,
  // but the kernel writes nothing after it that does, so the fields start
  // after the last ')'. The start time is the 20th field from there.
  const auto close = text.rfind(')');
  if (close == std::string_view::npos || text.find('(') > close) return std::nullopt;
  std::string_view rest = text.substr(close + 1);
  rest = rest.substr(0, rest.find('\n'));
  constexpr int kStartTimeField = 20;  // state is 1 (field 3 of the line), starttime 20 (22)
  for (int field = 1; field <= kStartTimeField; ++field) {
    const auto start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(start);
    const auto end = std::min(rest.find(' '), rest.size());
    if (field == kStartTimeField) {
      std::uint64_t value = 0;
      const auto [stop, ec] = std::from_chars(rest.data(), rest.data() + end, value);
      if (ec != std::errc() || stop != rest.data() + end) return std::nullopt;
      return value;
    }
    rest.remove_prefix(end);
  }
  return std::nullopt;
}

std::optional<std::uint64_t> ProcessStartTime(pid_t pid) {
  if (pid <= 0) return std::nullopt;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParseProcessStartTime(text);
}

std::optional<LeaseHolder> SetupLease::HolderLocked() {
  if (!holder_) return std::nullopt;
  const auto start = startTimeOf_(holder_->pid);
  if (!start || *start != holder_->startTime) holder_.reset();
  return holder_;
}

std::optional<LeaseHolder> SetupLease::Holder() {
  std::lock_guard lock(mutex_);
  return HolderLocked();
}

bool SetupLease::HeldBy(const Caller& caller) {
  std::lock_guard lock(mutex_);
  const auto holder = HolderLocked();
  return holder && holder->pid == caller.pid && holder->uid == caller.uid;
}

bool SetupLease::Take(const Caller& caller) {
  std::lock_guard lock(mutex_);
  if (const auto holder = HolderLocked()) return holder->pid == caller.pid && holder->uid == caller.uid;
  const auto start = startTimeOf_(caller.pid);
  if (!start) return false;
  holder_ = LeaseHolder{caller.pid, *start, caller.uid};
  return true;
}

bool SetupLease::Release(const Caller& caller) {
  std::lock_guard lock(mutex_);
  const auto holder = HolderLocked();
  if (!holder || holder->pid != caller.pid || holder->uid != caller.uid) return false;
  holder_.reset();
  return true;
}

}  // namespace sp::iscsid
