#pragma once
// Writes a whole buffer to a file descriptor, going on after short writes
// and interrupted calls; and replaces a private file whole.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
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

// Replaces `path` by `text` so that a reader sees the old file or the new
// one, never a part: written beside (PATH.new, mode 0600), synced, moved
// into place. False, with nothing left beside it, when it could not be.
inline bool ReplaceFile(const std::string& path, std::string_view text) {
  const std::string temp = path + ".new";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, text) && fsync(fd) == 0;
  close(fd);
  if (written && std::rename(temp.c_str(), path.c_str()) == 0) return true;
  const int saved = errno;
  unlink(temp.c_str());
  errno = saved;
  return false;
}

}  // namespace sp
