#include "tools/iscsid/controlserver.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/linux/iscsicontrolmessage.h"

namespace sp::iscsid {
namespace {

constexpr int kWriteTimeoutMs = 10000;

bool SendAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    pollfd p{fd, POLLOUT, 0};
    if (poll(&p, 1, kWriteTimeoutMs) <= 0) return false;  // a client that does not read is dropped
    const ssize_t n = send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Requests a stop when the client hangs up while its request is handled: a
// client that gave up (its window closed, it was ended) must not leave a
// format or a mount running on its behalf.
class HangUpWatch {
 public:
  explicit HangUpWatch(int fd) : fd_(fd), wake_(eventfd(0, EFD_CLOEXEC)) {
    if (wake_ >= 0) thread_ = std::thread([this] { Watch(); });
  }
  ~HangUpWatch() {
    if (wake_ < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
    thread_.join();
    close(wake_);
  }
  HangUpWatch(const HangUpWatch&) = delete;
  HangUpWatch& operator=(const HangUpWatch&) = delete;

  std::stop_token token() const { return source_.get_token(); }

 private:
  void Watch() {
    pollfd fds[2] = {{fd_, POLLRDHUP, 0}, {wake_, POLLIN, 0}};
    while (poll(fds, 2, -1) < 0 && errno == EINTR) {
    }
    if (fds[0].revents & (POLLRDHUP | POLLHUP | POLLERR)) source_.request_stop();
  }

  int fd_;
  int wake_;
  std::stop_source source_;
  std::thread thread_;
};

}  // namespace

ControlServer::ControlServer(std::string path, Handle handle) : path_(std::move(path)), handle_(std::move(handle)) {}

ControlServer::~ControlServer() { Stop(); }

bool ControlServer::Start(std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    if (listenFd_ >= 0) close(listenFd_);
    listenFd_ = -1;
    return false;
  };
  sockaddr_un address{};
  if (path_.size() >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    return fail("socket path");
  }
  std::error_code ec;
  const std::filesystem::path dir = std::filesystem::path(path_).parent_path();
  if (!dir.empty()) std::filesystem::create_directories(dir, ec);
  // Only one service runs (the pid file lock sees to that), so a socket file
  // left here belongs to a service that is gone.
  unlink(path_.c_str());
  listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return fail("socket");
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
  const mode_t old = umask(0177);  // created 0600, opened to everyone only once bound
  const int bound = bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  umask(old);
  if (bound != 0) return fail("bind " + path_);
  if (chmod(path_.c_str(), 0666) != 0) return fail("chmod " + path_);
  if (listen(listenFd_, 16) != 0) return fail("listen");
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) return fail("eventfd");
  stop_ = false;
  acceptThread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void ControlServer::Stop() {
  if (!acceptThread_.joinable()) return;
  stop_ = true;
  const std::uint64_t one = 1;
  (void)!write(wakeFd_, &one, sizeof one);
  acceptThread_.join();
  std::map<int, std::thread> open;
  {
    std::lock_guard lock(mutex_);
    for (auto& [fd, thread] : connections_) shutdown(fd, SHUT_RDWR);
    open.swap(connections_);
  }
  for (auto& [fd, thread] : open) thread.join();
  for (auto& thread : finished_) thread.join();
  finished_.clear();
  close(listenFd_);
  close(wakeFd_);
  listenFd_ = wakeFd_ = -1;
  unlink(path_.c_str());
}

void ControlServer::AcceptLoop() {
  while (!stop_) {
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
    if (stop_) break;
    if (!(fds[0].revents & POLLIN)) continue;
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard lock(mutex_);
    for (auto& thread : finished_) thread.join();
    finished_.clear();
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 ||
        static_cast<int>(connections_.size()) >= kMaxConnections) {
      close(fd);
      continue;
    }
    const Caller caller{cred.pid, cred.uid, cred.gid};
    connections_[fd] = std::thread([this, fd, caller] { Serve(fd, caller); });
  }
}

void ControlServer::Serve(int fd, Caller caller) {
  ControlFrameReader reader;
  char buffer[65536];
  bool open = true;
  while (open && !stop_) {
    std::string frame;
    ControlFrameReader::Result next;
    while ((next = reader.Next(frame)) == ControlFrameReader::Result::kFrame) {
      std::string reply;
      {
        HangUpWatch watch(fd);
        reply = handle_(frame, caller, watch.token());
      }
      if (!SendAll(fd, FrameControlText(reply))) {
        open = false;
        break;
      }
    }
    if (!open || next == ControlFrameReader::Result::kError) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, kIdleSeconds * 1000) <= 0) break;
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    reader.Append(buffer, static_cast<std::size_t>(n));
  }
  std::lock_guard lock(mutex_);
  close(fd);
  const auto it = connections_.find(fd);
  if (it != connections_.end()) {
    finished_.push_back(std::move(it->second));
    connections_.erase(it);
  }
}

}  // namespace sp::iscsid
