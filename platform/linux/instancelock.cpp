#include "platform/instancelock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace sp {

std::string UserRuntimeDir() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  if (xdg && *xdg) return xdg;
  return "/tmp";
}

std::unique_ptr<InstanceLock> InstanceLock::Acquire(const std::string& name, const std::string& dir) {
  std::string folder = dir.empty() ? UserRuntimeDir() : dir;
  std::string path = folder + "/" + name + ".lock";
  if (dir.empty() && folder == "/tmp") path = folder + "/" + name + "-" + std::to_string(getuid()) + ".lock";
  // O_CLOEXEC: programs the wizard starts (file browser, agent) must not keep
  // the lock alive after the wizard ends.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<InstanceLock>(new InstanceLock(fd, std::move(path)));
}

InstanceLock::~InstanceLock() {
  flock(fd_, LOCK_UN);
  close(fd_);
}

}  // namespace sp
