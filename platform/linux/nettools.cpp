#include "platform/linux/nettools.h"

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

constexpr std::array<std::string_view, 5> kAllowed = {"umount", "mount.cifs", "nmblookup", "smbnetfs", "fusermount3"};
constexpr std::array<const char*, 4> kProgramDirs = {"/usr/sbin", "/usr/bin", "/sbin", "/bin"};

std::string ResolveTool(std::string_view name) {
  for (const char* dir : kProgramDirs) {
    std::string path = std::string(dir) + "/" + std::string(name);
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

// Built before fork: a threaded program may only make async-signal-safe
// calls between fork and exec.
struct ChildPlan {
  std::string path;
  std::vector<std::string> args;
  std::vector<std::string> env;
  std::vector<char*> argv;
  std::vector<char*> envp;
};

[[noreturn]] void ExecChild(const ChildPlan& plan, int outFd) {
  const int devNull = open("/dev/null", O_RDONLY);
  if (devNull >= 0) dup2(devNull, STDIN_FILENO);
  dup2(outFd, STDOUT_FILENO);
  dup2(outFd, STDERR_FILENO);
  // The agent's socket must not live on in a daemon the tool leaves behind.
  close_range(3, ~0u, 0);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execve(plan.path.c_str(), plan.argv.data(), plan.envp.data());
  _exit(127);
}

void EndChild(pid_t pid, int* status) {
  kill(pid, SIGTERM);
  for (int i = 0; i < 50; ++i) {
    if (waitpid(pid, status, WNOHANG) == pid) return;
    usleep(20000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, status, 0);
}

void Drain(int fd, std::string* out) {
  char buf[4096];
  fcntl(fd, F_SETFL, O_NONBLOCK);
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) out->append(buf, static_cast<std::size_t>(n));
}

}  // namespace

bool IsAllowedNetTool(std::string_view name) {
  for (std::string_view allowed : kAllowed) {
    if (name == allowed) return true;
  }
  return false;
}

NetToolResult RunNetTool(const std::vector<std::string>& argv, int timeoutMs,
                         const std::vector<std::string>& extraEnv) {
  NetToolResult result;
  if (argv.empty() || !IsAllowedNetTool(argv[0])) return result;
  ChildPlan plan;
  plan.path = ResolveTool(argv[0]);
  if (plan.path.empty()) return result;
  plan.args = argv;
  plan.env = {"LC_ALL=C", "LANG=C", "PATH=/usr/sbin:/usr/bin:/sbin:/bin"};
  plan.env.insert(plan.env.end(), extraEnv.begin(), extraEnv.end());
  for (std::string& a : plan.args) plan.argv.push_back(a.data());
  plan.argv.push_back(nullptr);
  for (std::string& e : plan.env) plan.envp.push_back(e.data());
  plan.envp.push_back(nullptr);

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

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  bool pipeOpen = true;
  char buf[4096];
  for (;;) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      Drain(fds[0], &result.output);
      break;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timedOut = true;
      EndChild(pid, &status);
      Drain(fds[0], &result.output);
      break;
    }
    const int wait = static_cast<int>(left.count() < 50 ? left.count() : 50);
    if (!pipeOpen) {
      usleep(static_cast<useconds_t>(wait) * 1000);
      continue;
    }
    pollfd p{fds[0], POLLIN, 0};
    const int ready = poll(&p, 1, wait);
    if (ready > 0) {
      const ssize_t n = read(fds[0], buf, sizeof buf);
      if (n > 0)
        result.output.append(buf, static_cast<std::size_t>(n));
      else if (n == 0 || (errno != EINTR && errno != EAGAIN))
        pipeOpen = false;
    }
  }
  close(fds[0]);
  result.exitCode = (!result.timedOut && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace sp
