#pragma once
// A program started by a network test, inside one of the test network's
// namespaces, with its output captured to a file. It runs in a process group
// of its own so that stopping it also ends whatever it started, and gets
// SIGTERM when the thread that started it ends (start programs from the
// test's own thread), so it does not outlive a test process that was killed.
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace sp::nettest {

class SpawnedProcess {
 public:
  // Starts `argv` inside the network namespace `ns` (empty: the caller's).
  // The program is run through `nsenter --net=/var/run/netns/NS`, which,
  // unlike `ip netns exec`, keeps the mount namespace, so mounts made by or
  // for the program stay visible to the test. Standard output and error are
  // appended to `logPath`; standard input is /dev/null. Returns null with the
  // reason in *why when it cannot be started.
  static std::unique_ptr<SpawnedProcess> Start(const std::string& ns, const std::vector<std::string>& argv,
                                               const std::string& logPath, std::string* why);

  // Stops the program if it still runs.
  ~SpawnedProcess();

  SpawnedProcess(const SpawnedProcess&) = delete;
  SpawnedProcess& operator=(const SpawnedProcess&) = delete;

  // SIGTERM to the program, up to `graceMs` to end, then SIGKILL to its whole
  // process group. Returns the exit status (0..255), 128 + signal when it was
  // killed by a signal, or the status already collected.
  int Stop(int graceMs = 3000);

  // True while the program has not ended.
  bool Running();

  // Waits up to `timeoutMs` for the program to end by itself. Returns its
  // exit status as Stop does, or -1 when it still runs.
  int Wait(int timeoutMs);

  pid_t pid() const { return pid_; }
  const std::string& logPath() const { return logPath_; }
  const std::string& name() const { return name_; }
  std::string ReadLog() const;

 private:
  SpawnedProcess(pid_t pid, std::string name, std::string logPath)
      : pid_(pid), name_(std::move(name)), logPath_(std::move(logPath)) {}
  bool Peek(bool block);

  pid_t pid_;
  std::string name_;
  std::string logPath_;
  bool exited_ = false;
  bool reaped_ = false;
  int status_ = -1;
};

}  // namespace sp::nettest
