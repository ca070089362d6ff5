#include "platform/linux/linuxinitiatorservice.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/linux/iscsicontrolclient.h"
#include "platform/linux/toolrunner.h"

extern char** environ;

namespace sp {

LinuxInitiatorService::LinuxInitiatorService(std::string programPath, std::string socketPath,
                                             std::vector<std::string> extraArgs)
    : program_(std::move(programPath)), socket_(std::move(socketPath)), extraArgs_(std::move(extraArgs)) {}

bool LinuxInitiatorService::IsInstalled() { return access(program_.c_str(), X_OK) == 0; }

bool LinuxInitiatorService::IsRunning() {
  IscsiControlClient client(socket_);
  const auto reply = client.Call({IscsiControlClient::Request(iscsictl::op::kPing)}, 3000);
  return reply && (*reply)[0].GetU64Or("status", 1) == iscsictl::kOk;
}

std::vector<std::string> InitiatorStartCommand(const std::string& program, const std::string& socket,
                                               const std::vector<std::string>& extraArgs, bool root, bool systemd) {
  if (!root && systemd && socket == iscsictl::kDefaultSocket && extraArgs.empty()) {
    return {"systemctl", "start", "setuppilot-iscsid.service"};
  }
  std::vector<std::string> argv;
  if (!root) argv.push_back("pkexec");
  argv.insert(argv.end(), {program, "--socket", socket});
  argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
  return argv;
}

bool LinuxInitiatorService::Start() {
  if (IsRunning()) return true;
  if (!IsInstalled()) return false;
  const bool root = geteuid() == 0;
  const std::vector<std::string> argv =
      InitiatorStartCommand(program_, socket_, extraArgs_, root, access("/run/systemd/system", F_OK) == 0);
  if (root) return SpawnAndWait(argv) && IsRunning();
  // systemctl and pkexec return once the service serves (or failed).
  static constexpr std::string_view kTools[] = {"systemctl", "pkexec"};
  ToolRunOptions options;
  options.timeoutMs = kAskedStartTimeoutMs;
  const ToolResult result = RunAllowedTool(kTools, argv, options);
  return result.started && result.exitCode == 0 && IsRunning();
}

bool LinuxInitiatorService::SpawnAndWait(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program_.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  // The program forks its daemon and exits once that serves (or failed).
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) break;
    if (Clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

SetupPermission LinuxInitiatorService::BeginSetup() {
  IscsiControlClient client(socket_);
  const auto reply = client.Call({IscsiControlClient::Request(iscsictl::op::kBeginSetup)}, kSetupTimeoutMs);
  if (!reply) return SetupPermission::NoService;
  switch ((*reply)[0].GetU64Or("status", iscsictl::kBadRequest)) {
    case iscsictl::kOk:
      holdsSetup_ = true;
      return SetupPermission::Granted;
    case iscsictl::kUnknownOperation:
      return SetupPermission::Granted;
    case iscsictl::kSetupInProgress:
      return SetupPermission::OtherUserSetup;
    case iscsictl::kNotAuthorised:
    default:
      return SetupPermission::Refused;
  }
}

void LinuxInitiatorService::EndSetup() {
  if (!holdsSetup_) return;
  holdsSetup_ = false;
  IscsiControlClient client(socket_);
  client.Call({IscsiControlClient::Request(iscsictl::op::kEndSetup)}, 3000);
}

LinuxInitiatorService::~LinuxInitiatorService() { EndSetup(); }

}  // namespace sp
