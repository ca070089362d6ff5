#include "tests/net/harness/spawnedprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace sp::nettest {

namespace {

// The program file for `name` as execvp would find it, looked up before the
// fork: the child may only do async-signal-safe things until it execs.
std::string FindProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin";
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = dirs.find(':', start);
    const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    if (end == std::string::npos) return "";
    start = end + 1;
  }
}

}  // namespace

std::unique_ptr<SpawnedProcess> SpawnedProcess::Start(const std::string& ns, const std::vector<std::string>& argv,
                                                      const std::string& logPath, std::string* why) {
  if (argv.empty()) {
    if (why) *why = "empty command";
    return nullptr;
  }
  std::vector<std::string> full;
  if (!ns.empty()) full = {"nsenter", "--net=/var/run/netns/" + ns, "--"};
  full.insert(full.end(), argv.begin(), argv.end());
  const std::string program = FindProgram(full[0]);
  if (program.empty()) {
    if (why) *why = "cannot find " + full[0];
    return nullptr;
  }
  std::vector<char*> args;
  for (auto& a : full) args.push_back(a.data());
  args.push_back(nullptr);
  const pid_t parent = getpid();

  const pid_t pid = fork();
  if (pid < 0) {
    if (why) *why = std::string("fork: ") + std::strerror(errno);
    return nullptr;
  }
  if (pid == 0) {
    // A group of its own, so that Stop() can end the program's children
    // too; and SIGTERM when the test process dies without tearing down
    // (killed by a timeout), so the program does not outlive it.
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    for (int sig = 1; sig < NSIG; ++sig) signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (in < 0 || out < 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    execv(program.c_str(), args.data());
    _exit(127);
  }
  setpgid(pid, pid);  // also from here, so the group exists before Start returns
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
