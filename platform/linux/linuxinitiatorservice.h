#pragma once
// Our initiator service on Linux: installed = the program exists (and is
// executable) where the install layout puts it; running = it answers a ping on its
// control socket. It runs as root: the wizard, as the desktop user, has it
// started by systemd where systemd runs (its unit; systemd asks polkit), else
// by pkexec (our start-service action names the installed program); as root
// it starts the program itself. The program becomes a daemon and returns once
// it serves.
#include <string>
#include <vector>

#include "platform/initiatorservice.h"
#include "platform/linux/iscsicontrolprotocol.h"

namespace sp {

// How the service is started: `root` = the wizard has root rights;
// `systemd` = systemd is the service manager. The unit knows only the
// default paths, so a service with others is started by pkexec.
std::vector<std::string> InitiatorStartCommand(const std::string& program, const std::string& socket,
                                               const std::vector<std::string>& extraArgs, bool root, bool systemd);

class LinuxInitiatorService : public IInitiatorService {
 public:
  // `extraArgs` go to the program when it is started (tests point its paths
  // elsewhere).
  explicit LinuxInitiatorService(std::string programPath, std::string socketPath = iscsictl::kDefaultSocket,
                                 std::vector<std::string> extraArgs = {});

  bool IsInstalled() override;
  bool IsRunning() override;
  bool Start() override;
  // begin_setup; a service without a setup lease (older) grants it.
  SetupPermission BeginSetup() override;
  void EndSetup() override;
  // Gives a held setup back (the service would notice the end anyway).
  ~LinuxInitiatorService() override;

  static constexpr int kStartTimeoutMs = 30000;
  // Starting through systemd or pkexec may wait for the person's password.
  static constexpr int kAskedStartTimeoutMs = 5 * 60 * 1000;
  // The service waits up to five minutes for the person's password.
  static constexpr int kSetupTimeoutMs = 6 * 60 * 1000;

 private:
  std::string program_;
  std::string socket_;
  // Runs the program as root and waits for it to return (bounded).
  bool SpawnAndWait(std::vector<std::string> argv);

  std::vector<std::string> extraArgs_;
  bool holdsSetup_ = false;
};

}  // namespace sp
