#include "platform/linux/toolrunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>

#include "setupreport/setupreport.h"

namespace sp {
namespace {

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
  std::vector<std::string> env;
  std::vector<char*> argv;
  std::vector<char*> envp;
};

[[noreturn]] void ExecChild(const ChildPlan& plan, int outFd) {
  const int devNull = open("/dev/null", O_RDONLY);
  if (devNull >= 0) dup2(devNull, STDIN_FILENO);
  dup2(outFd, STDOUT_FILENO);
  dup2(outFd, STDERR_FILENO);
  // No descriptor of the wizard may live on in a daemon the tool leaves
  // behind (ntfs-3g, smbnetfs stay as their mounts' daemons).
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

class OutputSink {
 public:
  OutputSink(std::string& out, const std::function<void(std::string_view)>& onOutput) : out_(out), on_(onOutput) {}
  void Add(const char* data, std::size_t n) {
    out_.append(data, n);
    if (on_) on_(std::string_view(data, n));
  }
  // Reads what is left without waiting.
  void Drain(int fd) {
    char buf[4096];
    fcntl(fd, F_SETFL, O_NONBLOCK);
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) Add(buf, static_cast<std::size_t>(n));
  }

 private:
  std::string& out_;
  const std::function<void(std::string_view)>& on_;
};

bool PlanChild(ToolAllowList allowed, const std::vector<std::string>& argv, const ToolRunOptions& options,
               ChildPlan& plan) {
  if (argv.empty() || !IsAllowedTool(allowed, argv[0])) return false;
  plan.path = ResolveTool(argv[0]);
  if (plan.path.empty()) return false;
  plan.args = argv;
  plan.env = {"LC_ALL=C", "LANG=C", "PATH=/usr/sbin:/usr/bin:/sbin:/bin"};
  plan.env.insert(plan.env.end(), options.extraEnv.begin(), options.extraEnv.end());
  for (std::string& a : plan.args) plan.argv.push_back(a.data());
  plan.argv.push_back(nullptr);
  for (std::string& e : plan.env) plan.envp.push_back(e.data());
  plan.envp.push_back(nullptr);
  return true;
}

}  // namespace

bool IsAllowedTool(ToolAllowList allowed, std::string_view name) {
  for (std::string_view a : allowed) {
    if (name == a) return true;
  }
  return false;
}

namespace {

// A failed tool goes into the setup report with what it printed. An
// argument that sets a password ("password=...") is blanked on the way.
void ReportFailure(const std::vector<std::string>& argv, const ToolResult& result) {
  if (result.started && !result.timedOut && result.exitCode == 0) return;
  std::string line;
  for (const std::string& arg : argv) {
    const std::size_t eq = arg.find('=');
    std::string lower = arg.substr(0, eq == std::string::npos ? 0 : eq);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    line += (line.empty() ? "" : " ") + (lower.find("pass") != std::string::npos ? arg.substr(0, eq + 1) + "*" : arg);
  }
  const std::string how = !result.started   ? "could not be started"
                          : result.timedOut ? "timed out"
                                            : "failed with exit code " + std::to_string(result.exitCode);
  RecordSetupStep("tool " + line + " " + how, result.output);
}

}  // namespace

ToolResult RunAllowedTool(ToolAllowList allowed, const std::vector<std::string>& argv, const ToolRunOptions& options) {
  ToolResult result;
  ChildPlan plan;
  if (!PlanChild(allowed, argv, options, plan)) {
    ReportFailure(argv, result);
    return result;
  }

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

  OutputSink sink(result.output, options.onOutput);
  const bool bounded = options.timeoutMs >= 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(bounded ? options.timeoutMs : 0);
  int status = 0;
  bool pipeOpen = true;
  bool ended = false;  // by us
  char buf[4096];
  for (;;) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      sink.Drain(fds[0]);
      break;
    }
    const bool overdue = bounded && std::chrono::steady_clock::now() >= deadline;
    if (overdue || options.stop.stop_requested()) {
      result.timedOut = overdue;
      ended = true;
      EndChild(pid, &status);
      sink.Drain(fds[0]);
      break;
    }
    int wait = 50;
    if (bounded) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() < wait) wait = static_cast<int>(left.count() > 0 ? left.count() : 0);
    }
    if (!pipeOpen) {
      usleep(static_cast<useconds_t>(wait) * 1000);
      continue;
    }
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, wait) > 0) {
      const ssize_t n = read(fds[0], buf, sizeof buf);
      if (n > 0) {
        sink.Add(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        pipeOpen = false;  // a daemon may keep it open; the tool's exit decides
      }
    }
  }
  close(fds[0]);
  result.exitCode = (!ended && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  ReportFailure(argv, result);
  return result;
}

}  // namespace sp
