#pragma once
// A named lock that lets only one copy of the program run per user session.
#include <memory>
#include <string>

namespace sp {

class InstanceLock {
 public:
  // Takes the lock called `name`, held until the object is destroyed or the
  // process ends (the kernel drops it with the process, however it ends).
  // Returns null when another process holds it. `dir` is where the lock file
  // lives; empty means the user's runtime directory ($XDG_RUNTIME_DIR, else
  // /tmp with the user id in the name).
  static std::unique_ptr<InstanceLock> Acquire(const std::string& name, const std::string& dir = {});
  ~InstanceLock();

  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  const std::string& path() const { return path_; }

 private:
  InstanceLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::string path_;
};

// The user's runtime directory: $XDG_RUNTIME_DIR when set, else /tmp.
std::string UserRuntimeDir();

}  // namespace sp
