#include "platform/instancelock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/runtimedir.h"

namespace sp {

std::unique_ptr<InstanceLock> InstanceLock::Acquire(const std::string& name, const std::string& dir, LockResult* result,
                                                    std::string* why) {
  LockResult ignored;
  LockResult& r = result ? *result : ignored;
  r = LockResult::kCannotOpen;
  std::string reason;
  const std::string folder = dir.empty() ? UserRuntimeDir(&reason) : dir;
  if (folder.empty()) {
    if (why) *why = reason;
    return nullptr;
  }
  std::string path = folder + "/" + name + ".lock";
  // O_CLOEXEC: programs the wizard starts (file browser, agent) must not keep
  // the lock alive after the wizard ends. O_NOFOLLOW: never a lock through a
  // link someone put in its place.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    if (why) *why = path + ": " + std::strerror(errno);
    return nullptr;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    if (error == EWOULDBLOCK) {
      r = LockResult::kHeldElsewhere;
    } else if (why) {
      *why = path + ": " + std::strerror(error);
    }
    return nullptr;
  }
  r = LockResult::kAcquired;
  return std::unique_ptr<InstanceLock>(new InstanceLock(fd, std::move(path)));
}

InstanceLock::~InstanceLock() {
  flock(fd_, LOCK_UN);
  close(fd_);
}

}  // namespace sp
