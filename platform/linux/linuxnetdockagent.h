#pragma once
// The share-mapping agent's client on Linux: the agent listens on the Unix
// socket "NetDock" in the user's runtime directory (mode 0600). A missing
// socket, or one that nobody listens on, is "no agent": requests then answer
// 0 at once.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/netdockagent.h"

namespace sp {

// How long a request waits for the agent's answer. A map request mounts the
// share, which can take seconds (name lookup by broadcast, starting the FUSE
// tree, the first contact with the server); a minute leaves ample room and
// still ends the wait when the agent hangs.
inline constexpr int kNetDockAnswerTimeoutMs = 60000;

// <runtime dir>/NetDock in the user's private runtime folder
// (platform/runtimedir.h); "" when there is none.
std::string NetDockSocketPath();

class LinuxNetDockAgent : public INetDockAgent {
 public:
  explicit LinuxNetDockAgent(std::string socketPath = NetDockSocketPath(),
                             int answerTimeoutMs = kNetDockAnswerTimeoutMs);

  bool Find() override;
  std::int64_t SendRequest(std::uint32_t dwData, std::u16string_view text) override;
  bool Close() override;

  const std::string& socketPath() const { return socketPath_; }

 private:
  // A connected socket to the agent, or -1 when there is none. Only a socket
  // of this user, answered by a process of this user, counts.
  int Connect() const;
  // Sends `request` and reads the answer; false when none came in time.
  bool Exchange(const std::vector<std::uint8_t>& request, int timeoutMs, std::int64_t* answer) const;

  std::string socketPath_;
  int answerTimeoutMs_;
};

// Starts the agent "<programDir>/netdock --socket <socketPath>" unless one
// answers already, detached from the caller (own session, no inherited
// descriptors), without waiting for it to listen. False when none answers
// and none could be started.
bool StartAgentIfAbsent(const std::string& programDir, const std::string& socketPath = NetDockSocketPath());
// Waits up to `waitMs` for an agent to answer on `socketPath`.
bool WaitForAgent(const std::string& socketPath, int waitMs);
// StartAgentIfAbsent, then WaitForAgent up to `startWaitMs`. True when an
// agent answers.
bool EnsureAgentRunning(const std::string& programDir, const std::string& socketPath = NetDockSocketPath(),
                        int startWaitMs = 5000);

}  // namespace sp
