#pragma once
// The control socket: a Unix stream socket that only root and the service's
// own user may use (mode 0600 and a check of the peer's credentials). Each
// connection carries framed requests, answered in order; several
// connections are served at once, each on its own thread, so a slow login on
// one does not hold up a status query on another.
#include <sys/types.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace sp::iscsid {

class ControlServer {
 public:
  // `handle` maps a request's text to the reply's text.
  ControlServer(std::string path, std::function<std::string(std::string_view)> handle);
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  bool Start(std::string* error);
  void Stop();  // closes every connection and removes the socket file

  static constexpr int kMaxConnections = 32;
  static constexpr int kIdleSeconds = 120;  // a silent connection is closed after this

 private:
  void AcceptLoop();
  void Serve(int fd);
  bool Allowed(int fd) const;

  std::string path_;
  std::function<std::string(std::string_view)> handle_;
  int listenFd_ = -1;
  int wakeFd_ = -1;
  std::thread acceptThread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::map<int, std::thread> connections_;  // by socket
  std::vector<std::thread> finished_;
};

}  // namespace sp::iscsid
