#include "tools/iscsid/discovery.h"

#include <iscsi/iscsi.h>
#include <poll.h>

#include <charconv>
#include <chrono>

namespace sp::iscsid {
namespace {

bool ParseNumber(std::string_view text, std::uint16_t& value) {
  if (text.empty()) return false;
  unsigned number = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (ec != std::errc() || end != text.data() + text.size() || number > 0xFFFF) return false;
  value = static_cast<std::uint16_t>(number);
  return true;
}

// State of one discovery run, shared with libiscsi's callbacks.
struct Run {
  iscsi_context* context = nullptr;
  enum class Step { kConnect, kLogin, kDiscover, kLogout, kDone } step = Step::kConnect;
  DiscoveryError error = DiscoveryError::kNone;
  bool failed = false;
  std::vector<DiscoveredTarget>* out = nullptr;
};

void Fail(Run& run, DiscoveryError error) {
  if (!run.failed) run.error = error;
  run.failed = true;
}

void OnLogout(iscsi_context*, int, void*, void* opaque) { static_cast<Run*>(opaque)->step = Run::Step::kDone; }

void OnDiscovery(iscsi_context* context, int status, void* data, void* opaque) {
  Run& run = *static_cast<Run*>(opaque);
  if (status != SCSI_STATUS_GOOD) return Fail(run, DiscoveryError::kLogin);
  for (auto* entry = static_cast<iscsi_discovery_address*>(data); entry; entry = entry->next) {
    if (!entry->target_name) continue;
    DiscoveredTarget target{entry->target_name, {}};
    for (auto* portal = entry->portals; portal; portal = portal->next) {
      if (!portal->portal) continue;
      if (auto parsed = ParseTargetAddress(portal->portal)) target.portals.push_back(*parsed);
    }
    run.out->push_back(std::move(target));
  }
  run.step = Run::Step::kLogout;
  // A failed logout costs nothing: the answer is already in.
  if (iscsi_logout_async(context, &OnLogout, opaque) != 0) run.step = Run::Step::kDone;
}

void OnLogin(iscsi_context* context, int status, void*, void* opaque) {
  Run& run = *static_cast<Run*>(opaque);
  if (status != SCSI_STATUS_GOOD) return Fail(run, DiscoveryError::kLogin);
  run.step = Run::Step::kDiscover;
  if (iscsi_discovery_async(context, &OnDiscovery, opaque) != 0) Fail(run, DiscoveryError::kLogin);
}

void OnConnect(iscsi_context* context, int status, void*, void* opaque) {
  Run& run = *static_cast<Run*>(opaque);
  if (run.step != Run::Step::kConnect) {
    // The connection closing after the answer is expected.
    if (run.step == Run::Step::kLogout)
      run.step = Run::Step::kDone;
    else if (run.step != Run::Step::kDone)
      Fail(run, DiscoveryError::kLogin);
    return;
  }
  if (status != SCSI_STATUS_GOOD) return Fail(run, DiscoveryError::kConnect);
  run.step = Run::Step::kLogin;
  if (iscsi_login_async(context, &OnLogin, opaque) != 0) Fail(run, DiscoveryError::kLogin);
}

}  // namespace

std::optional<DiscoveredPortal> ParseTargetAddress(std::string_view text) {
  DiscoveredPortal portal;
  if (const std::size_t comma = text.rfind(','); comma != std::string_view::npos) {
    if (!ParseNumber(text.substr(comma + 1), portal.group)) return std::nullopt;
    text = text.substr(0, comma);
  }
  std::string_view host = text;
  std::string_view port;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = text.substr(1, close - 1);
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return std::nullopt;
      port = rest.substr(1);
      if (port.empty()) return std::nullopt;
    }
  } else {
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
      if (text.find(':', colon + 1) != std::string_view::npos) return std::nullopt;  // bare IPv6
      host = text.substr(0, colon);
      port = text.substr(colon + 1);
      if (port.empty()) return std::nullopt;
    }
  }
  if (host.empty() || host.find_first_of("[] ") != std::string_view::npos) return std::nullopt;
  if (!port.empty() && !ParseNumber(port, portal.port)) return std::nullopt;
  portal.address = std::string(host);
  return portal;
}

std::string PortalText(std::string_view address, std::uint16_t port) {
  std::string text;
  if (address.find(':') != std::string_view::npos) {
    text = "[" + std::string(address) + "]";
  } else {
    text = std::string(address);
  }
  return text + ":" + std::to_string(port);
}

DiscoveryError DiscoverTargets(const SessionConfig& config, std::vector<DiscoveredTarget>& out) {
  Run run;
  run.out = &out;
  run.context = iscsi_create_context(config.initiatorName.c_str());
  if (!run.context) return DiscoveryError::kConnect;
  iscsi_set_session_type(run.context, ISCSI_SESSION_DISCOVERY);
  iscsi_set_header_digest(run.context,
                          config.headerDigest ? ISCSI_HEADER_DIGEST_CRC32C : ISCSI_HEADER_DIGEST_NONE_CRC32C);
  if (!config.chapUser.empty()) {
    iscsi_set_initiator_username_pwd(run.context, config.chapUser.c_str(), config.chapSecret.c_str());
  }
  iscsi_set_isid_random(run.context, config.isidRandom & 0xFFFFFF, config.isidQualifier);
  iscsi_set_noautoreconnect(run.context, 1);
  iscsi_set_reconnect_max_retries(run.context, 0);

  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + 2 * config.loginTimeout;
  if (iscsi_connect_async(run.context, config.portal.c_str(), &OnConnect, &run) != 0) {
    Fail(run, DiscoveryError::kConnect);
  }
  while (!run.failed && run.step != Run::Step::kDone) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      // Whatever arrived before the time ran out during logout still counts.
      if (run.step != Run::Step::kLogout) Fail(run, DiscoveryError::kTimeout);
      break;
    }
    pollfd fd{iscsi_get_fd(run.context), static_cast<short>(iscsi_which_events(run.context)), 0};
    if (poll(&fd, 1, static_cast<int>(std::min<long long>(left, 200))) > 0 &&
        iscsi_service(run.context, fd.revents) < 0) {
      if (run.step == Run::Step::kLogout) break;
      Fail(run, run.step == Run::Step::kConnect ? DiscoveryError::kConnect : DiscoveryError::kLogin);
    }
  }
  iscsi_destroy_context(run.context);
  return run.failed ? run.error : DiscoveryError::kNone;
}

}  // namespace sp::iscsid
