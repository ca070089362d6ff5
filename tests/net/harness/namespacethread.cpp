#include "tests/net/harness/namespacethread.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sp::nettest {

bool EnterNetworkNamespace(const std::string& ns, std::string* why) {
  const std::string path = "/var/run/netns/" + ns;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (why) *why = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  const int rc = setns(fd, CLONE_NEWNET);
  const int err = errno;
  close(fd);
  if (rc != 0) {
    if (why) *why = "setns(" + ns + "): " + std::strerror(err);
    return false;
  }
  return true;
}

}  // namespace sp::nettest
