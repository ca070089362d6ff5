#include "platform/linux/iscsicontrolclient.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/linux/iscsicontrolprotocol.h"

namespace sp {
namespace {

using Clock = std::chrono::steady_clock;

int LeftMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` in slices short enough to notice a stop soon; 0 on
// time-out, -2 on a stop.
int PollUntil(int fd, short events, Clock::time_point deadline, const std::stop_token& stop) {
  constexpr int kSliceMs = 50;
  for (;;) {
    if (stop.stop_requested()) return -2;
    const int left = LeftMs(deadline);
    pollfd p{fd, events, 0};
    const int ready = poll(&p, 1, stop.stop_possible() ? std::min(left, kSliceMs) : left);
    if (ready != 0 || left <= kSliceMs || !stop.stop_possible()) return ready;
  }
}

void Set(IscsiControlClient::Error* error, IscsiControlClient::Error value) {
  if (error) *error = value;
}

}  // namespace

IscsiControlClient::~IscsiControlClient() { Disconnect(); }

void IscsiControlClient::Disconnect() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

ControlRecord IscsiControlClient::Request(const char* op) {
  ControlRecord record("req");
  record.SetU64("v", iscsictl::kVersion).Set("op", op);
  return record;
}

bool IscsiControlClient::Connect(Error* error) {
  if (fd_ >= 0) return true;
  sockaddr_un address{};
  if (path_.size() >= sizeof address.sun_path) {
    Set(error, Error::kNoService);
    return false;
  }
  fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    Set(error, Error::kBroken);
    return false;
  }
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
  if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    Disconnect();
    Set(error, Error::kNoService);
    return false;
  }
  return true;
}

std::optional<ControlMessage> IscsiControlClient::Call(const ControlMessage& request, int timeoutMs, Error* error) {
  return Call(request, timeoutMs, std::stop_token{}, error);
}

std::optional<ControlMessage> IscsiControlClient::Call(const ControlMessage& request, int timeoutMs,
                                                       std::stop_token stop, Error* error) {
  Set(error, Error::kNone);
  // One connection per call: nothing stale to trip over, and a call that
  // fails leaves nothing behind for the next.
  Disconnect();
  if (!Connect(error)) return std::nullopt;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  auto fail = [&](Error why) -> std::optional<ControlMessage> {
    Disconnect();
    Set(error, why);
    return std::nullopt;
  };
  const std::string frame = FrameControlMessage(request);
  std::size_t sent = 0;
  while (sent < frame.size()) {
    const int ready = PollUntil(fd_, POLLOUT, deadline, stop);
    if (ready == -2) return fail(Error::kStopped);
    if (ready <= 0) return fail(Error::kTimedOut);
    const ssize_t n = send(fd_, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(Error::kBroken);
    sent += static_cast<std::size_t>(n);
  }
  ControlFrameReader reader;
  std::string body;
  char buffer[65536];
  for (;;) {
    const auto next = reader.Next(body);
    if (next == ControlFrameReader::Result::kFrame) break;
    if (next == ControlFrameReader::Result::kError) return fail(Error::kBroken);
    const int ready = PollUntil(fd_, POLLIN, deadline, stop);
    if (ready == -2) return fail(Error::kStopped);
    if (ready == 0) return fail(Error::kTimedOut);
    const ssize_t n = ready < 0 ? -1 : recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(Error::kBroken);
    reader.Append(buffer, static_cast<std::size_t>(n));
  }
  Disconnect();
  auto reply = DecodeControlMessage(body);
  if (!reply || reply->empty() || (*reply)[0].type() != "rsp" || (*reply)[0].GetU64Or("v", 0) != iscsictl::kVersion ||
      !(*reply)[0].GetU64("status")) {
    return fail(Error::kBroken);
  }
  return reply;
}

}  // namespace sp
