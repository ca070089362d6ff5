#pragma once
// The agent's listening side: the Unix socket "NetDock" (mode 0600, and only
// peers of the agent's own user are served), one request per connection,
// one integer answer. Only one agent runs per socket: a lock beside the
// socket keeps a second copy from starting.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/instancelock.h"
#include "platform/netdockprotocol.h"
#include "tools/netdock/sharemounter.h"

namespace sp::netdock {

class NetDockServer {
 public:
  NetDockServer(IShareMounter& mounter, std::string socketPath);
  ~NetDockServer();

  NetDockServer(const NetDockServer&) = delete;
  NetDockServer& operator=(const NetDockServer&) = delete;

  // Takes the lock and listens. False with the reason in *why when another
  // agent holds the lock or the socket cannot be made.
  bool Open(std::string* why);

  // Serves requests until the close request or Stop(), then stops listening
  // and removes the socket. Returns 0. Between requests, `background` (when
  // given) runs first at once and then again after the delay it returned,
  // until it returns zero.
  int Run(const std::function<std::chrono::milliseconds()>& background = {});

  // Ends Run() soon; safe from another thread and from a signal handler.
  void Stop();

  // The answer to one request; *close is set for the close request.
  std::int64_t Handle(const NetDockRequest& request, bool* close);

 private:
  void Serve(int fd, bool* close);

  IShareMounter& mounter_;
  std::string socketPath_;
  std::unique_ptr<InstanceLock> lock_;
  int listenFd_ = -1;
  int stopPipe_[2] = {-1, -1};
};

}  // namespace sp::netdock
