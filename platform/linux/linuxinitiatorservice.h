#pragma once
// Our initiator service on Linux: installed = the program exists (and is
// executable) where the install layout puts it; running = it answers a ping on its
// control socket; started directly (no service manager is assumed), as a
// daemon that returns once it serves.
#include <string>
#include <vector>

#include "platform/initiatorservice.h"
#include "platform/linux/iscsicontrolprotocol.h"

namespace sp {

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
  // The service waits up to five minutes for the person's password.
  static constexpr int kSetupTimeoutMs = 6 * 60 * 1000;

 private:
  std::string program_;
  std::string socket_;
  std::vector<std::string> extraArgs_;
  bool holdsSetup_ = false;
};

}  // namespace sp
