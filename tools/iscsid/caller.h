#pragma once
// Who sent a control request: the peer credentials of its connection, taken
// by the kernel when the client connected (SO_PEERCRED), never from the
// request itself.
#include <sys/types.h>

#include <cstdint>

namespace sp::iscsid {

struct Caller {
  pid_t pid = 0;
  uid_t uid = 0;
  gid_t gid = 0;
};

}  // namespace sp::iscsid
