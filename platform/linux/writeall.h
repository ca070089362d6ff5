#pragma once
// Writes a whole buffer to a file descriptor, going on after short writes
// and interrupted calls.
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace sp {

inline bool WriteAll(int fd, std::string_view text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace sp
