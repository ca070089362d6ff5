#include "tools/netdock/netdockserver.h"
#include "platform/linux/daemonlog.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>

#include "base/text.h"
#include "platform/netdockagent.h"

namespace sp::netdock {
namespace {

// A client has this long to send its whole request once connected.
constexpr int kRequestTimeoutMs = 10000;

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = send(fd, data + done, size - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool PeerIsOwnUser(int fd) {
  ucred peer{};
  socklen_t len = sizeof peer;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) == 0 && peer.uid == getuid();
}

// For the log: what a client sent, without control characters.
std::string Printable(std::u16string_view text) {
  std::string out = Utf16ToUtf8(text.substr(0, 200));
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return out;
}

}  // namespace

NetDockServer::NetDockServer(IShareMounter& mounter, std::string socketPath)
    : mounter_(mounter), socketPath_(std::move(socketPath)) {}

NetDockServer::~NetDockServer() {
  if (listenFd_ >= 0) {
    close(listenFd_);
    unlink(socketPath_.c_str());
  }
  for (int fd : stopPipe_) {
    if (fd >= 0) close(fd);
  }
}

bool NetDockServer::Open(std::string* why) {
  const std::filesystem::path path(socketPath_);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (socketPath_.empty() || socketPath_.size() >= sizeof addr.sun_path) {
    *why = "socket path too long: " + socketPath_;
    return false;
  }
  std::memcpy(addr.sun_path, socketPath_.data(), socketPath_.size());
  lock_ = InstanceLock::Acquire(path.filename().string(), path.parent_path().string());
  if (!lock_) {
    *why = "another agent is running (" + socketPath_ + ")";
    return false;
  }
  if (pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    *why = "pipe: " + std::string(std::strerror(errno));
    return false;
  }
  // The lock is ours, so a socket file left here is from an agent that died.
  unlink(socketPath_.c_str());
  listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  // Made private before anyone can connect: connections are refused until
  // listen().
  if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
      chmod(socketPath_.c_str(), 0600) != 0 || listen(listenFd_, 16) != 0) {
    *why = "socket " + socketPath_ + ": " + std::strerror(errno);
    if (listenFd_ >= 0) close(listenFd_);
    listenFd_ = -1;
    return false;
  }
  return true;
}

void NetDockServer::Stop() {
  if (stopPipe_[1] >= 0) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = write(stopPipe_[1], &c, 1);
  }
}

int NetDockServer::Run(const std::function<std::chrono::milliseconds()>& background) {
  using Clock = std::chrono::steady_clock;
  bool close = false;
  std::optional<Clock::time_point> due;
  if (background) due = Clock::now();
  while (!close) {
    if (due && Clock::now() >= *due) {
      const auto next = background();
      due = next.count() > 0 ? std::optional(Clock::now() + next) : std::nullopt;
    }
    int timeoutMs = -1;
    if (due) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now()).count();
      timeoutMs = static_cast<int>(std::max<long long>(0, left));
    }
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    const int ready = poll(fds, 2, timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || (fds[1].revents & POLLIN)) break;
    if (!(fds[0].revents & POLLIN)) continue;
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    if (PeerIsOwnUser(fd)) Serve(fd, &close);
    ::close(fd);
  }
  // Gone at once: nobody may find an agent that no longer answers.
  ::close(listenFd_);
  listenFd_ = -1;
  unlink(socketPath_.c_str());
  return 0;
}

void NetDockServer::Serve(int fd, bool* close) {
  std::vector<std::uint8_t> buffer;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestTimeoutMs);
  for (;;) {
    NetDockRequest request;
    std::size_t consumed = 0;
    const NetDockParse parse = ParseNetDockRequest(buffer.data(), buffer.size(), &request, &consumed);
    if (parse == NetDockParse::kInvalid) return;
    if (parse == NetDockParse::kComplete) {
      const auto reply = EncodeNetDockReply(Handle(request, close));
      WriteAll(fd, reply.data(), reply.size());
      return;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return;
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return;
    std::uint8_t chunk[1024];
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a client that only looked whether we are here
    buffer.insert(buffer.end(), chunk, chunk + n);
  }
}

std::int64_t NetDockServer::Handle(const NetDockRequest& request, bool* close) {
  if (request.message == kNetDockCloseMessage) {
    DaemonLog(LogLevel::kInfo, "close requested");
    *close = true;
    return 0;
  }
  const std::u16string text = NetDockRequestText(request);
  if (request.dwData == kNetDockMapRequest) {
    NetShareTarget target;
    if (!ParseNetDockMapText(text, &target)) {
      DaemonLog(LogLevel::kWarning, "map request not understood: %s", Printable(text).c_str());
      return 0;
    }
    return mounter_.Map(target) ? 1 : 0;
  }
  if (request.dwData == kNetDockUnmapRequest) {
    const char letter = ParseNetDockDriveText(text);
    if (!letter) {
      DaemonLog(LogLevel::kWarning, "unmap request not understood: %s", Printable(text).c_str());
      return 0;
    }
    return mounter_.Unmap(letter) ? 1 : 0;
  }
  return 0;
}

}  // namespace sp::netdock
