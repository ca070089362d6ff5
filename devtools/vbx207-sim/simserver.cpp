#include "devtools/vbx207-sim/simserver.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>

namespace sp::sim {

namespace {

constexpr std::uint16_t kPort = 7778;
constexpr std::size_t kMaxControlLine = 1 << 20;

}  // namespace

SimServer::~SimServer() {
  for (auto& c : clients_) close(c.fd);
  if (controlFd_ >= 0) {
    close(controlFd_);
    unlink(config_.controlPath.c_str());
  }
  if (signalFd_ >= 0) close(signalFd_);
}

void SimServer::Log(const char* fmt, ...) {
  if (!log_) return;
  va_list args;
  va_start(args, fmt);
  std::vfprintf(log_, fmt, args);
  va_end(args);
  std::fputc('\n', log_);
  std::fflush(log_);
}

int SimServer::Run() {
  if (!Setup()) return 1;
  Log("vbx207-sim: %zu appliance(s) on %s, port %u%s", simulator_.appliances().size(), network_.interface().c_str(),
      kPort, config_.controlPath.empty() ? "" : (", control " + config_.controlPath).c_str());
  Loop();
  Log("vbx207-sim: stopped");
  return 0;
}

bool SimServer::Setup() {
  sigset_t mask;
  sigemptyset(&mask);
  sigaddset(&mask, SIGTERM);
  sigaddset(&mask, SIGINT);
  sigprocmask(SIG_BLOCK, &mask, nullptr);
  signal(SIGPIPE, SIG_IGN);
  signalFd_ = signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);

  auto& appliances = simulator_.appliances();
  const std::string first = appliances.empty() ? "" : appliances.front()->identity().ip;
  const std::string interface = config_.interface.empty() ? SimNetwork::InterfaceFor(first) : config_.interface;
  std::string why;
  if (interface.empty() || !network_.Open(interface, kPort, &why)) {
    Log("vbx207-sim: cannot listen on %s: %s", interface.empty() ? "(no interface)" : interface.c_str(), why.c_str());
    return false;
  }
  if (config_.manageAddresses) {
    if (!network_.KeepAddressesOnRemoval())
      Log("vbx207-sim: addresses of %s may go with a moved one", interface.c_str());
    for (const auto& a : appliances) {
      const int prefix = std::max(1, PrefixLength(a->identity().netmask));
      if (!network_.AddAddress(a->identity().ip, prefix)) {
        Log("vbx207-sim: cannot add %s/%d to %s", a->identity().ip.c_str(), prefix, interface.c_str());
        return false;
      }
    }
  }
  return OpenControl();
}

bool SimServer::OpenControl() {
  if (config_.controlPath.empty()) return true;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (config_.controlPath.size() >= sizeof addr.sun_path) {
    Log("vbx207-sim: control path too long");
    return false;
  }
  std::memcpy(addr.sun_path, config_.controlPath.c_str(), config_.controlPath.size());
  unlink(config_.controlPath.c_str());
  controlFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (controlFd_ < 0 || bind(controlFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(controlFd_, 16) != 0) {
    Log("vbx207-sim: control socket %s: %s", config_.controlPath.c_str(), std::strerror(errno));
    return false;
  }
  return true;
}

void SimServer::Loop() {
  for (;;) {
    std::vector<pollfd> fds{{signalFd_, POLLIN, 0}, {network_.fd(), POLLIN, 0}};
    if (controlFd_ >= 0) fds.push_back({controlFd_, POLLIN, 0});
    for (const auto& c : clients_) fds.push_back({c.fd, POLLIN, 0});
    const int n = poll(fds.data(), fds.size(), PollTimeoutMs(Clock::now()));
    if (n < 0 && errno != EINTR) {
      Log("vbx207-sim: poll: %s", std::strerror(errno));
      return;
    }
    const auto now = Clock::now();
    if (fds[0].revents) return;  // SIGTERM or SIGINT
    if (fds[1].revents) OnDatagrams(now);
    std::size_t at = 2;
    if (controlFd_ >= 0 && fds[at++].revents) AcceptClient();
    // Clients accepted just now are polled next time round.
    std::vector<Client> kept;
    for (std::size_t i = 0; i < clients_.size(); ++i) {
      const bool polled = at + i < fds.size();
      if (polled && fds[at + i].revents && !ServeClient(clients_[i], now)) {
        close(clients_[i].fd);
      } else {
        kept.push_back(clients_[i]);
      }
    }
    clients_ = std::move(kept);
    RunDueTimers(Clock::now());
  }
}

void SimServer::OnDatagrams(Clock::time_point now) {
  for (;;) {
    std::vector<std::uint8_t> buffer(8192);
    std::string source;
    if (!network_.Receive(buffer, &source)) return;
    auto dispatch = simulator_.HandleDatagram(source, buffer.data(), buffer.size(), now);
    if (dispatch.fromOwnAddress) continue;
    if (dispatch.parse != ParseResult::kRequest) {
      if (config_.verbose)
        Log("from %s: %zu bytes ignored (%s)", source.c_str(), buffer.size(), ParseResultName(dispatch.parse));
      continue;
    }
    for (std::size_t i = 0; i < dispatch.reactions.size(); ++i) {
      Log("from %s: %s", source.c_str(), dispatch.reactions[i].log.c_str());
      Schedule(dispatch.reactions[i], now, source);
    }
  }
}

void SimServer::Schedule(Reaction& reaction, Clock::time_point now, const std::string& requester) {
  int last = 0;
  for (auto& send : reaction.sends) {
    last = std::max(last, send.delayMs);
    const std::string to = config_.unicastReplies ? requester : std::string();
    auto action = [this, send, to] {
      const bool sent = to.empty() ? network_.SendBroadcast(send.datagram, send.sourceIp)
                                   : network_.SendTo(send.datagram, send.sourceIp, to);
      if (!sent) {
        Log("send from %s failed: %s", send.sourceIp.c_str(), std::strerror(errno));
      }
    };
    if (send.delayMs == 0) {
      action();
    } else {
      timers_.emplace(now + std::chrono::milliseconds(send.delayMs), action);
    }
  }
  if (!reaction.move) return;
  // The reply to the commit leaves from the old address first.
  const AddressMove move = *reaction.move;
  if (last == 0) {
    ApplyMove(move);
  } else {
    timers_.emplace(now + std::chrono::milliseconds(last), [this, move] { ApplyMove(move); });
  }
}

void SimServer::ApplyMove(const AddressMove& move) {
  if (!config_.manageAddresses) {
    Log("address %s -> %s (not managed: interface unchanged)", move.from.c_str(), move.to.c_str());
    return;
  }
  // Another appliance may still use the old address.
  if (!simulator_.IsOwnAddress(move.from) && !network_.RemoveAddress(move.from)) {
    Log("cannot remove %s", move.from.c_str());
  }
  const bool added = network_.AddAddress(move.to, std::max(1, move.prefixLength));
  Log("address %s -> %s/%d%s", move.from.c_str(), move.to.c_str(), move.prefixLength, added ? "" : " FAILED");
}

void SimServer::AcceptClient() {
  for (;;) {
    const int fd = accept4(controlFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    clients_.push_back({fd, {}});
  }
}

bool SimServer::ServeClient(Client& client, Clock::time_point now) {
  char buf[4096];
  const ssize_t n = read(client.fd, buf, sizeof buf);
  if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return false;
  if (n > 0) client.pending.append(buf, static_cast<std::size_t>(n));
  if (client.pending.size() > kMaxControlLine) return false;
  for (std::size_t eol; (eol = client.pending.find('\n')) != std::string::npos;) {
    const std::string line = client.pending.substr(0, eol);
    client.pending.erase(0, eol + 1);
    const std::string reply = simulator_.HandleControl(line, now) + "\n";
    // Replies are small except the state dump; the client reads while we
    // write, so a blocking write is fine here.
    std::size_t done = 0;
    while (done < reply.size()) {
      pollfd p{client.fd, POLLOUT, 0};
      if (poll(&p, 1, 2000) <= 0) return false;
      const ssize_t w = write(client.fd, reply.data() + done, reply.size() - done);
      if (w < 0 && errno != EAGAIN && errno != EINTR) return false;
      if (w > 0) done += static_cast<std::size_t>(w);
    }
  }
  return true;
}

void SimServer::RunDueTimers(Clock::time_point now) {
  while (!timers_.empty() && timers_.begin()->first <= now) {
    auto action = std::move(timers_.begin()->second);
    timers_.erase(timers_.begin());
    action();
  }
}

int SimServer::PollTimeoutMs(Clock::time_point now) const {
  if (timers_.empty()) return -1;
  const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(timers_.begin()->first - now).count();
  return static_cast<int>(std::clamp<long long>(wait + 1, 0, 60000));
}

}  // namespace sp::sim
