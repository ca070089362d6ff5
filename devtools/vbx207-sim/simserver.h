#pragma once
// The simulator's event loop: datagrams in, replies out (now or after a
// delay), address moves after commits, control requests on a Unix socket,
// SIGTERM/SIGINT to stop.
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "devtools/vbx207-sim/simnetwork.h"
#include "devtools/vbx207-sim/simtypes.h"
#include "devtools/vbx207-sim/simulator.h"

namespace sp::sim {

class SimServer {
 public:
  SimServer(const SimConfig& config, Simulator& simulator, std::FILE* log)
      : config_(config), simulator_(simulator), log_(log) {}
  ~SimServer();

  // Sets everything up (addresses, sockets, control socket; the control
  // socket is made last, so a test that can connect finds the appliances
  // answering), then runs until SIGTERM or SIGINT. Returns the exit status.
  int Run();

 private:
  struct Client {
    int fd;
    std::string pending;
  };

  bool Setup();
  bool OpenControl();
  void Loop();
  void OnDatagrams(Clock::time_point now);
  // `requester`: where the request came from, for unicast replies.
  void Schedule(Reaction& reaction, Clock::time_point now, const std::string& requester);
  void ApplyMove(const AddressMove& move);
  void AcceptClient();
  bool ServeClient(Client& client, Clock::time_point now);
  void RunDueTimers(Clock::time_point now);
  int PollTimeoutMs(Clock::time_point now) const;
  void Log(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

  const SimConfig& config_;
  Simulator& simulator_;
  std::FILE* log_;
  SimNetwork network_;
  int controlFd_ = -1;
  int signalFd_ = -1;
  std::vector<Client> clients_;
  // Timed actions (delayed replies, address moves), in time order; equal
  // times keep their order.
  std::multimap<Clock::time_point, std::function<void()>> timers_;
};

}  // namespace sp::sim
