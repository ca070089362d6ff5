// The connection side of a session: connecting, logging in, logging out.
#include <arpa/inet.h>
#include <iscsi/iscsi.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "tools/iscsid/iscsisession.h"

namespace sp::iscsid {
namespace {

constexpr auto kLogoutLimit = std::chrono::milliseconds(3000);

void AddressText(const sockaddr_storage& ss, std::string& address, std::uint16_t& port) {
  char text[INET6_ADDRSTRLEN] = {};
  if (ss.ss_family == AF_INET) {
    const auto& sin = reinterpret_cast<const sockaddr_in&>(ss);
    inet_ntop(AF_INET, &sin.sin_addr, text, sizeof text);
    port = ntohs(sin.sin_port);
  } else if (ss.ss_family == AF_INET6) {
    const auto& sin6 = reinterpret_cast<const sockaddr_in6&>(ss);
    inet_ntop(AF_INET6, &sin6.sin6_addr, text, sizeof text);
    port = ntohs(sin6.sin6_port);
  }
  address = text;
}

}  // namespace

void IscsiSession::BeginConnect() {
  broken_ = false;
  context_ = iscsi_create_context(config_.initiatorName.c_str());
  if (!context_) {
    nextAttempt_ = Clock::now() + config_.retryInterval;
    return;
  }
  const bool discovery = config_.targetName.empty();
  iscsi_set_session_type(context_, discovery ? ISCSI_SESSION_DISCOVERY : ISCSI_SESSION_NORMAL);
  if (!discovery) iscsi_set_targetname(context_, config_.targetName.c_str());
  iscsi_set_header_digest(context_, config_.headerDigest        ? ISCSI_HEADER_DIGEST_CRC32C
                                    : config_.offerHeaderDigest ? ISCSI_HEADER_DIGEST_NONE_CRC32C
                                                                : ISCSI_HEADER_DIGEST_NONE);
  if (!config_.chapUser.empty()) {
    iscsi_set_initiator_username_pwd(context_, config_.chapUser.c_str(), config_.chapSecret.c_str());
  }
  iscsi_set_isid_random(context_, config_.isidRandom & 0xFFFFFF, config_.isidQualifier);
  iscsi_set_noautoreconnect(context_, 1);
  iscsi_set_reconnect_max_retries(context_, 0);
  iscsi_set_tcp_user_timeout(context_, static_cast<int>(config_.commandTimeout.count()));
  loginPending_ = true;
  loginDeadline_ = Clock::now() + config_.loginTimeout;
  if (iscsi_connect_async(context_, config_.portal.c_str(), &IscsiSession::ConnectCallback, this) != 0) {
    std::lock_guard lock(mutex_);
    failure_ = LoginFailure::kConnect;
    broken_ = true;
  }
}

void IscsiSession::ConnectCallback(iscsi_context*, int status, void*, void* self) {
  static_cast<IscsiSession*>(self)->OnConnected(status);
}

void IscsiSession::LoginCallback(iscsi_context*, int status, void*, void* self) {
  static_cast<IscsiSession*>(self)->OnLoggedIn(status);
}

void IscsiSession::OnConnected(int status) {
  // The same callback reports a connection that breaks later.
  if (status != SCSI_STATUS_GOOD || !loginPending_) {
    std::lock_guard lock(mutex_);
    if (loginPending_) failure_ = LoginFailure::kConnect;
    broken_ = true;
    return;
  }
  if (iscsi_login_async(context_, &IscsiSession::LoginCallback, this) != 0) {
    std::lock_guard lock(mutex_);
    failure_ = LoginFailure::kLogin;
    broken_ = true;
  }
}

void IscsiSession::OnLoggedIn(int status) {
  if (status != SCSI_STATUS_GOOD) {
    std::lock_guard lock(mutex_);
    failure_ = LoginFailure::kLogin;
    broken_ = true;
    return;
  }
  loginPending_ = false;
  lastActivity_ = Clock::now();
  ConnectionInfo info;
  IsidBytes(config_, info.isid);
  const int fd = iscsi_get_fd(context_);
  sockaddr_storage ss{};
  socklen_t len = sizeof ss;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len) == 0) AddressText(ss, info.localAddress, info.localPort);
  len = sizeof ss;
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&ss), &len) == 0)
    AddressText(ss, info.targetAddress, info.targetPort);
  {
    std::lock_guard lock(mutex_);
    connection_ = info;
    everLoggedIn_ = true;
    failure_ = LoginFailure::kNone;
    startFinished_ = true;
  }
  SetState(SessionState::kLoggedIn);
}

void IscsiSession::Logout() {
  if (!context_ || state() != SessionState::kLoggedIn) return;
  // The flag is a member: a logout that does not finish in time is
  // cancelled later, when the context is destroyed, and its callback still
  // writes the flag then.
  logoutDone_ = false;
  auto callback = [](iscsi_context*, int, void*, void* flag) { *static_cast<bool*>(flag) = true; };
  if (iscsi_logout_async(context_, callback, &logoutDone_) != 0) return;
  const auto deadline = Clock::now() + std::min<Clock::duration>(config_.loginTimeout, kLogoutLimit);
  while (!logoutDone_ && !broken_ && Clock::now() < deadline) {
    pollfd fd{iscsi_get_fd(context_), static_cast<short>(iscsi_which_events(context_)), 0};
    if (poll(&fd, 1, 100) > 0 && iscsi_service(context_, fd.revents) < 0) break;
  }
}

}  // namespace sp::iscsid
