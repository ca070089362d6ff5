#pragma once
// A named lock that lets only one copy of the program run per user session.
#include <memory>
#include <string>

namespace sp {

enum class LockResult {
  kAcquired,
  kHeldElsewhere,  // another process holds it: a copy is running
  kCannotOpen,     // no lock file could be opened (no runtime folder, no rights)
};

class InstanceLock {
 public:
  // Takes the lock called `name`, held until the object is destroyed or the
  // process ends (the kernel drops it with the process, however it ends).
  // Returns null when it is not taken; `result` says why, and for a lock
  // file that could not be opened `why` names the file and the reason.
  // `dir` is where the lock file lives; empty means the user's runtime
  // folder (platform/runtimedir.h).
  static std::unique_ptr<InstanceLock> Acquire(const std::string& name, const std::string& dir, LockResult* result,
                                               std::string* why = nullptr);
  static std::unique_ptr<InstanceLock> Acquire(const std::string& name, const std::string& dir = {}) {
    return Acquire(name, dir, nullptr);
  }
  ~InstanceLock();

  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  const std::string& path() const { return path_; }

 private:
  InstanceLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::string path_;
};

}  // namespace sp
