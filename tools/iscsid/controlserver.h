#pragma once
// The control socket: a Unix stream socket every local user may connect to
// (mode 0666). Each request is handed on with the peer credentials of its
// connection, so the handler decides per request who may do what. Each
// connection carries framed requests, answered in order; several
// connections are served at once, each on its own thread, so a slow login on
// one does not hold up a status query on another.
#include <sys/types.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "tools/iscsid/caller.h"

namespace sp::iscsid {

class ControlServer {
 public:
  // `handle` maps a request's text, and who sent it, to the reply's text;
  // its stop token is requested when the client hangs up meanwhile.
  using Handle = std::function<std::string(std::string_view, const Caller&, std::stop_token)>;
  ControlServer(std::string path, Handle handle);
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  bool Start(std::string* error);
  void Stop();  // closes every connection and removes the socket file

  static constexpr int kMaxConnections = 32;
  static constexpr int kIdleSeconds = 120;  // a silent connection is closed after this

 private:
  void AcceptLoop();
  void Serve(int fd, Caller caller);

  std::string path_;
  Handle handle_;
  int listenFd_ = -1;
  int wakeFd_ = -1;
  std::thread acceptThread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::map<int, std::thread> connections_;  // by socket
  std::vector<std::thread> finished_;
};

}  // namespace sp::iscsid
