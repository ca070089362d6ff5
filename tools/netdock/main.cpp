// netdock: the share-mapping agent. Maps network shares to drive letters on
// request of the setup wizard (and of anything else of the same user) and
// brings remembered mappings back when it starts.
//
//   netdock [--socket PATH] [--mount-root DIR] [--smbnetfs-dir DIR] [--service-socket PATH]
//           [--no-restore] [--verbose]
//
// As root it mounts itself; as anyone else it has the root service
// (setuppilot-iscsid, at its control socket) mount for it.
//
// Messages go to standard error, and to syslog (facility user) when that is
// not a terminal (started by a unit, the session or the wizard).
//
// One agent per socket: a second copy exits with status 1 at once.
#include <pwd.h>
#include <signal.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/linux/daemonlog.h"
#include "platform/linux/linuxnetdockagent.h"
#include "platform/linux/rememberedconnectionstore.h"
#include "platform/runtimedir.h"
#include "tools/netdock/netdockserver.h"

namespace {

sp::netdock::NetDockServer* g_server = nullptr;

void OnSignal(int) {
  if (g_server) g_server->Stop();
}

std::string HomeDir() {
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return home;
  const passwd* pw = getpwuid(getuid());
  return pw && pw->pw_dir ? pw->pw_dir : "";
}

int Usage() {
  std::fprintf(stderr,
               "usage: netdock [--socket PATH] [--mount-root DIR] [--smbnetfs-dir DIR] [--service-socket PATH]\n"
               "               [--no-restore] [--verbose]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string socketPath = sp::NetDockSocketPath();
  std::string smbnetfsDir;
  std::string serviceSocket = sp::iscsictl::kDefaultSocket;
  sp::netdock::MounterOptions options;
  bool restore = true;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--socket" && hasValue)
      socketPath = argv[++i];
    else if (arg == "--mount-root" && hasValue)
      options.mountRoot = argv[++i];
    else if (arg == "--smbnetfs-dir" && hasValue)
      smbnetfsDir = argv[++i];
    else if (arg == "--service-socket" && hasValue)
      serviceSocket = argv[++i];
    else if (arg == "--no-restore")
      restore = false;
    else if (arg == "--verbose")
      verbose = true;
    else
      return Usage();
  }
  sp::DaemonLogTarget log;
  log.ident = "netdock";
  log.facility = LOG_USER;
  log.toSyslog = !sp::StderrIsTerminal();
  log.verbose = verbose;
  sp::OpenDaemonLog(log);

  if (socketPath.empty()) {
    std::fprintf(stderr, "netdock: no private runtime folder for the socket (%s)\n",
                 [] {
                   std::string why;
                   sp::UserRuntimeDir(&why);
                   return why;
                 }()
                     .c_str());
    return 1;
  }
  options.rememberedPath = sp::DefaultRememberedConnectionsPath();
  options.home = HomeDir();
  options.smbnetfsDir = smbnetfsDir.empty() ? socketPath + "-smbnetfs" : smbnetfsDir;
  options.uid = getuid();
  options.gid = getgid();
  options.allowOther = geteuid() == 0;
  options.viaService = geteuid() != 0;

  sp::netdock::LinuxAgentSystem system(serviceSocket);
  sp::netdock::SmbShareMounter mounter(system, options);
  sp::netdock::NetDockServer server(mounter, socketPath);
  std::string why;
  if (!server.Open(&why)) {
    sp::DaemonLog(sp::LogLevel::kError, "%s", why.c_str());
    return 1;
  }
  g_server = &server;
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
  sp::DaemonLog(sp::LogLevel::kInfo, "listening on %s, drives under %s", socketPath.c_str(), options.mountRoot.c_str());
  // The remembered mappings come back at login; an appliance that is not up
  // yet is asked again 1 s, 2 s, ... up to a minute apart. Requests that
  // arrive during a try wait in the socket's queue.
  std::chrono::milliseconds delay{0};
  const auto restoreStep = [&]() -> std::chrono::milliseconds {
    if (mounter.RestoreRemembered().empty()) return std::chrono::milliseconds(0);
    delay = delay.count() ? std::min(delay * 2, std::chrono::milliseconds(60000)) : std::chrono::milliseconds(1000);
    return delay;
  };
  const int status = restore ? server.Run(restoreStep) : server.Run();
  g_server = nullptr;
  return status;
}
