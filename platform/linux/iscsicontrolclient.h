#pragma once
// The client side of the initiator service's control socket: one connection,
// framed requests, every wait bounded.
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>

#include "platform/linux/iscsicontrolmessage.h"

namespace sp {

class IscsiControlClient {
 public:
  explicit IscsiControlClient(std::string socketPath) : path_(std::move(socketPath)) {}
  ~IscsiControlClient();
  IscsiControlClient(const IscsiControlClient&) = delete;
  IscsiControlClient& operator=(const IscsiControlClient&) = delete;

  enum class Error { kNone, kNoService, kTimedOut, kBroken, kStopped };

  // Connects, sends `request` and waits up to `timeoutMs` for the reply.
  // The reply's first record is "rsp" with this protocol version and a
  // status, checked here; anything else is kBroken.
  std::optional<ControlMessage> Call(const ControlMessage& request, int timeoutMs, Error* error = nullptr);
  // The same; a stop request gives up waiting at once (kStopped) and closes
  // the connection.
  std::optional<ControlMessage> Call(const ControlMessage& request, int timeoutMs, std::stop_token stop,
                                     Error* error = nullptr);

  // "req v=1 op=<op>" for building requests.
  static ControlRecord Request(const char* op);

  void Disconnect();
  const std::string& path() const { return path_; }

 private:
  bool Connect(Error* error);

  std::string path_;
  int fd_ = -1;
};

}  // namespace sp
