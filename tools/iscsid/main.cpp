// setuppilot-iscsid: the iSCSI initiator service.
//
// Start-up: take the pid file lock (one service at a time), read the saved
// state, mount the LUN directory, restore persistent logins, open the control
// socket. As a daemon the starting process waits until all of that is done
// (or failed) and exits 0 only when the service answers, so whoever starts
// it can use it at once; remembered volumes are mounted in the background.
// SIGTERM and SIGINT end it cleanly: socket closed, volumes flushed and
// unmounted, sessions logged out, LUN files withdrawn, the directory unmounted.
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/linux/iscsicontrolclient.h"
#include "platform/linux/iscsicontrolprotocol.h"
#include "tools/iscsid/controlhandler.h"
#include "tools/iscsid/controlserver.h"
#include "tools/iscsid/initiatorcore.h"
#include "tools/iscsid/log.h"
#include "tools/iscsid/lunfilesystem.h"
#include "tools/iscsid/options.h"
#include "tools/iscsid/policyauthority.h"
#include "tools/iscsid/setuplease.h"
#include "tools/iscsid/statestore.h"
#include "tools/iscsid/storageops.h"
#include "tools/iscsid/transport.h"
#include "tools/iscsid/volumekeeper.h"
#include "version.h"

namespace sp::iscsid {
namespace {

// How long a busy volume is given to be unmounted at stop.
constexpr std::chrono::seconds kReleaseBound{10};

// Holds the pid file locked for the life of the service.
int LockPidFile(const std::string& path, std::string& error) {
  std::error_code ec;
  const auto dir = std::filesystem::path(path).parent_path();
  if (!dir.empty()) std::filesystem::create_directories(dir, ec);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return -1;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = "already running (" + path + " is locked)";
    close(fd);
    return -1;
  }
  return fd;
}

void WritePid(int fd) {
  const std::string text = std::to_string(getpid()) + "\n";
  if (ftruncate(fd, 0) == 0) (void)!pwrite(fd, text.data(), text.size(), 0);
}

// Forks; the parent waits for the child's verdict on `pipe` and exits.
// Returns in the child only, with the write end to report on.
int Daemonize() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return -1;
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid > 0) {
    close(fds[1]);
    char verdict[512] = {};
    const ssize_t n = read(fds[0], verdict, sizeof verdict - 1);
    if (n > 0 && verdict[0] == '+') _exit(0);
    std::fprintf(stderr, "setuppilot-iscsid: %s\n", n > 1 ? verdict + 1 : "failed to start");
    _exit(1);
  }
  close(fds[0]);
  setsid();
  if (chdir("/") != 0) {
    // "/" always exists; nothing to do if it did not.
  }
  const int null = open("/dev/null", O_RDWR);
  if (null >= 0) {
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (null > 2) close(null);
  }
  return fds[1];
}

void Report(int fd, bool ok, const std::string& text) {
  if (fd < 0) {
    if (!ok) std::fprintf(stderr, "setuppilot-iscsid: %s\n", text.c_str());
    return;
  }
  const std::string message = (ok ? "+" : "-") + text;
  (void)!write(fd, message.data(), message.size());
  close(fd);
}

CoreSettings SettingsFrom(const Options& options) {
  std::random_device random;
  CoreSettings settings;
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  settings.defaultNodeName = options.nodeName.empty() ? DefaultNodeName(host) : options.nodeName;
  // Ids differ from one run to the next, so an id kept from before a
  // restart never names a different session.
  settings.adapterUnique = 0xFFFF000000000000ull | (std::uint64_t{random()} << 16) | (random() & 0xFFFF);
  settings.isidRandom = random() & 0xFFFFFF;
  settings.commandTimeout = options.commandTimeout;
  settings.loginTimeout = options.loginTimeout;
  settings.retryInterval = options.retryInterval;
  settings.nopInterval = options.nopInterval;
  return settings;
}

int Serve(const Options& options) {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);  // every thread inherits the mask
  signal(SIGPIPE, SIG_IGN);

  std::string error;
  const int pidFd = LockPidFile(options.pidFile, error);
  if (pidFd < 0) {
    std::fprintf(stderr, "setuppilot-iscsid: %s\n", error.c_str());
    return 1;
  }
  const int report = options.foreground ? -1 : Daemonize();
  UseSyslog(!options.foreground, options.verbose);
  LogAt(LogLevel::kDebug, "state %s, pid file %s, timeouts: command %lld ms, login %lld ms", options.stateFile.c_str(),
        options.pidFile.c_str(), static_cast<long long>(options.commandTimeout.count()),
        static_cast<long long>(options.loginTimeout.count()));
  WritePid(pidFd);

  StateStore store(options.stateFile);
  PersistentState state;
  switch (store.Load(state, &error)) {
    case StateStore::LoadResult::kLoaded:
    case StateStore::LoadResult::kMissing:
      break;
    case StateStore::LoadResult::kCorrupt:
      LogAt(LogLevel::kWarning, "state file %s is damaged (%s); kept as %s.corrupt, starting empty",
            options.stateFile.c_str(), error.c_str(), options.stateFile.c_str());
      break;
    case StateStore::LoadResult::kUnreadable:
      Report(report, false, "cannot read " + options.stateFile + ": " + error);
      return 1;
  }

  LunFileSystem files(options.mountPoint);
  if (!files.Mount(&error)) {
    Report(report, false, error);
    return 1;
  }
  LibiscsiTransport transport;
  InitiatorCore core(transport, files, &store, SettingsFrom(options));
  core.Restore(state);
  VolumeKeeper volumes(core, options.driveRoot);
  volumes.Start();
  SetupLease lease;
  PolicyAuthority policy(lease);
  Authority authority = OwnUserAuthority;
  LeaseOperations leaseOps;
  if (options.polkit) {
    authority = [&](std::string_view op, const Caller& caller) { return policy.Check(op, caller); };
    leaseOps.begin = [&](const Caller& caller) { return policy.BeginSetup(caller); };
    leaseOps.end = [&](const Caller& caller) { return policy.EndSetup(caller); };
  }
  ControlHandler handler(core, &volumes, std::move(authority), std::move(leaseOps));
  StorageOps storage(options.mountPoint, options.driveRoot);
  handler.SetStorage(&storage);
  // Who has which share mapped lives beside the rest of the state.
  LinuxShareSystem shareSystem;
  ShareOps shares(shareSystem, options.driveRoot,
                  (std::filesystem::path(options.stateFile).parent_path() / "shares").string());
  handler.SetShareOps(&shares);
  ControlServer server(options.socketPath, [&](std::string_view text, const Caller& caller, std::stop_token stop) {
    return handler.HandleText(text, caller, std::move(stop));
  });
  if (!server.Start(&error)) {
    volumes.Release(kReleaseBound);
    core.Shutdown();
    files.Unmount();
    Report(report, false, error);
    return 1;
  }
  Log("serving on %s, LUN files in %s, node name %s", options.socketPath.c_str(), options.mountPoint.c_str(),
      core.NodeName().c_str());
  Report(report, true, "ready");

  int received = 0;
  sigwait(&signals, &received);
  Log("signal %d: shutting down", received);
  server.Stop();
  // The file systems on our LUNs go before the sessions under them.
  volumes.Release(kReleaseBound);
  core.Shutdown();
  files.Unmount();
  unlink(options.pidFile.c_str());
  close(pidFd);
  return 0;
}

}  // namespace
}  // namespace sp::iscsid

int main(int argc, char** argv) {
  using namespace sp::iscsid;
  // Transfer buffers of up to a megabyte come and go hundreds of times a
  // second. Left to mmap, each would be a fresh mapping whose 256 pages all
  // fault in (zeroed) and go back at free; from the heap they are reused
  // warm. This was most of the service's time on a sequential read.
  mallopt(M_MMAP_THRESHOLD, 8 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  std::string error;
  const auto options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc), &error);
  if (!options) {
    std::fprintf(stderr, "setuppilot-iscsid: %s\n%s", error.c_str(), UsageText());
    return 2;
  }
  if (options->help) {
    std::fputs(UsageText(), stdout);
    return 0;
  }
  if (options->version) {
    std::printf("setuppilot-iscsid %s\n", SP_VERSION_TEXT);
    return 0;
  }
  if (options->status) {
    sp::IscsiControlClient client(options->socketPath);
    const auto reply = client.Call({sp::IscsiControlClient::Request(sp::iscsictl::op::kPing)}, 5000);
    const bool running = reply && (*reply)[0].GetU64Or("status", 1) == sp::iscsictl::kOk;
    std::printf("setuppilot-iscsid: %s\n", running ? "running" : "not running");
    return running ? 0 : 1;
  }
  return Serve(*options);
}
