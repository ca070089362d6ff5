#include "platform/linux/storagetools.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>

namespace sp {
namespace {

constexpr std::array<std::string_view, 5> kAllowed = {"mkntfs", "losetup", "ntfs-3g", "umount", "blkid"};
constexpr std::array<const char*, 4> kProgramDirs = {"/usr/sbin", "/usr/bin", "/sbin", "/bin"};

std::string ResolveTool(std::string_view name) {
  for (const char* dir : kProgramDirs) {
    std::string path = std::string(dir) + "/" + std::string(name);
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

// Everything the child needs is prepared before fork: between fork and exec
// only async-signal-safe calls are allowed in a threaded program.
struct ChildPlan {
  std::string path;
  std::vector<std::string> args;
  std::vector<char*> argv;
  std::vector<char*> envp;
};

const char* const kChildEnv[] = {"LC_ALL=C", "LANG=C", "PATH=/usr/sbin:/usr/bin:/sbin:/bin", nullptr};

[[noreturn]] void ExecChild(const ChildPlan& plan, int outFd) {
  const int devNull = open("/dev/null", O_RDONLY);
  if (devNull >= 0) dup2(devNull, STDIN_FILENO);
  dup2(outFd, STDOUT_FILENO);
  dup2(outFd, STDERR_FILENO);
  // No descriptor of the wizard may live on in the tool (ntfs-3g stays
  // behind as the mount's daemon).
  close_range(3, ~0u, 0);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execve(plan.path.c_str(), plan.argv.data(), plan.envp.data());
  _exit(127);
}

void EndChild(pid_t pid) {
  kill(pid, SIGTERM);
  for (int i = 0; i < 50; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    usleep(20000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

int ExitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace

bool IsAllowedStorageTool(std::string_view name) {
  for (std::string_view allowed : kAllowed) {
    if (name == allowed) return true;
  }
  return false;
}

ToolResult RunStorageTool(const std::vector<std::string>& argv, const std::function<void(std::string_view)>& onOutput,
                          std::stop_token stop) {
  ToolResult result;
  if (argv.empty() || !IsAllowedStorageTool(argv[0])) return result;
  ChildPlan plan;
  plan.path = ResolveTool(argv[0]);
  if (plan.path.empty()) return result;
  plan.args = argv;
  for (std::string& a : plan.args) plan.argv.push_back(a.data());
  plan.argv.push_back(nullptr);
  for (const char* e : kChildEnv) plan.envp.push_back(const_cast<char*>(e));

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return result;
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return result;
  }
  if (pid == 0) ExecChild(plan, fds[1]);
  close(fds[1]);
  result.started = true;

  char buf[4096];
  int status = 0;
  bool exited = false;
  for (;;) {
    if (stop.stop_requested()) {
      EndChild(pid);
      close(fds[0]);
      result.exitCode = -1;
      return result;
    }
    pollfd p{fds[0], POLLIN, 0};
    const int ready = poll(&p, 1, 100);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0) {
      const ssize_t n = read(fds[0], buf, sizeof buf);
      if (n > 0) {
        result.output.append(buf, static_cast<std::size_t>(n));
        if (onOutput) onOutput(std::string_view(buf, static_cast<std::size_t>(n)));
        continue;
      }
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) break;  // end of output
    }
    // A daemon started by the tool may hold the pipe open after the tool
    // itself has ended: stop reading once the tool is gone.
    if (waitpid(pid, &status, WNOHANG) == pid) {
      exited = true;
      fcntl(fds[0], F_SETFL, O_NONBLOCK);
      ssize_t n;
      while ((n = read(fds[0], buf, sizeof buf)) > 0) {
        result.output.append(buf, static_cast<std::size_t>(n));
        if (onOutput) onOutput(std::string_view(buf, static_cast<std::size_t>(n)));
      }
      break;
    }
  }
  close(fds[0]);
  if (!exited) {
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  result.exitCode = ExitCodeOf(status);
  return result;
}

}  // namespace sp
