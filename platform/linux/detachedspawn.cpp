#include "platform/linux/detachedspawn.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace sp {
namespace {

bool ReadAll(int fd, void* data, std::size_t size) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = read(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void WriteAll(int fd, const void* data, std::size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
}

// Runs in the forked child of a multi-threaded process: only
// async-signal-safe calls until exec.
[[noreturn]] void RunIntermediate(const char* path, char* const* argv, int reportFd) {
  const pid_t grandchild = fork();
  if (grandchild == 0) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    setsid();
    const int devNull = open("/dev/null", O_RDWR);
    if (devNull >= 0) {
      dup2(devNull, STDIN_FILENO);
      dup2(devNull, STDOUT_FILENO);
      dup2(devNull, STDERR_FILENO);
    }
    // Everything else closes at exec; the report pipe tells the parent the
    // exec happened by closing.
    close_range(3, ~0u, CLOSE_RANGE_CLOEXEC);
    execv(path, argv);
    const int error = errno;
    WriteAll(reportFd, &error, sizeof error);
    _exit(127);
  }
  const long pid = grandchild;
  WriteAll(reportFd, &pid, sizeof pid);
  _exit(grandchild < 0 ? 1 : 0);
}

}  // namespace

long SpawnDetached(const std::string& path, const std::vector<std::string>& argv) {
  if (path.empty() || argv.empty()) return -1;
  // Everything the children need is made before the fork.
  std::vector<std::string> copy = argv;
  std::vector<char*> args;
  for (auto& a : copy) args.push_back(a.data());
  args.push_back(nullptr);

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return -1;
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return -1;
  }
  if (child == 0) {
    close(fds[0]);
    RunIntermediate(path.c_str(), args.data(), fds[1]);
  }
  close(fds[1]);
  long pid = -1;
  const bool gotPid = ReadAll(fds[0], &pid, sizeof pid);
  int execError = 0;
  const bool execFailed = gotPid && pid > 0 && ReadAll(fds[0], &execError, sizeof execError);
  close(fds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!gotPid || pid <= 0 || execFailed) return -1;
  return pid;
}

}  // namespace sp
