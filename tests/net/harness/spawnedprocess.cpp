#include "tests/net/harness/spawnedprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace sp::nettest {

std::unique_ptr<SpawnedProcess> SpawnedProcess::Start(const std::string& ns, const std::vector<std::string>& argv,
                                                      const std::string& logPath, std::string* why) {
  if (argv.empty()) {
    if (why) *why = "empty command";
    return nullptr;
  }
  std::vector<std::string> full;
  if (!ns.empty()) full = {"nsenter", "--net=/var/run/netns/" + ns, "--"};
  full.insert(full.end(), argv.begin(), argv.end());
  std::vector<char*> args;
  for (auto& a : full) args.push_back(a.data());
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // A group of its own: Stop() can end the program's children too, and a
  // Ctrl-C at the terminal reaches the test, which then tears down in order.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&attr, 0);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);

  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    if (why) *why = "cannot start " + full[0] + ": " + std::strerror(rc);
    return nullptr;
  }
  const std::string name = argv[0].substr(argv[0].find_last_of('/') + 1);
  return std::unique_ptr<SpawnedProcess>(new SpawnedProcess(pid, name, logPath));
}

SpawnedProcess::~SpawnedProcess() { Stop(); }

// Looks at the program's state without collecting it: a zombie keeps its
// process group id reserved, so the group kill in Stop() cannot hit an
// unrelated process that reused the id.
bool SpawnedProcess::Peek(bool block) {
  if (exited_) return true;
  siginfo_t info{};
  for (;;) {
    const int r = waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT | (block ? 0 : WNOHANG));
    if (r == 0 && info.si_pid == pid_) {
      exited_ = true;
      status_ = info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
      return true;
    }
    if (r == 0) return false;
    if (errno != EINTR) {  // not our child any more: nothing to wait for
      exited_ = reaped_ = true;
      return true;
    }
  }
}

bool SpawnedProcess::Running() { return !Peek(false); }

int SpawnedProcess::Wait(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!Peek(false)) {
    if (std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status_;
}

int SpawnedProcess::Stop(int graceMs) {
  if (reaped_) return status_;
  if (!Peek(false)) {
    kill(pid_, SIGTERM);
    Wait(graceMs);
  }
  // The program (or what it left behind in its group) goes now; the leader is
  // still unreaped here, so the group id is still ours.
  kill(-pid_, SIGKILL);
  Peek(true);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  reaped_ = true;
  return status_;
}

std::string SpawnedProcess::ReadLog() const {
  std::ifstream in(logPath_);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace sp::nettest
