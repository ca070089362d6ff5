// Portals, targets, persistent logins, settings and the state file.
#include <algorithm>

#include "tools/iscsid/initiatorcore.h"

namespace sp::iscsid {

using namespace iscsictl;

namespace {

Status FromDiscovery(DiscoveryError error) {
  switch (error) {
    case DiscoveryError::kNone:
      return kOk;
    case DiscoveryError::kConnect:
      return kConnectionFailed;
    case DiscoveryError::kLogin:
      return kLoginFailed;
    case DiscoveryError::kTimeout:
      return kTimedOut;
  }
  return kConnectionFailed;
}

bool ValidNodeName(const std::string& name) {
  if (name.size() < 5 || name.size() > kMaxNameLength) return false;
  const std::string prefix = name.substr(0, 4);
  if (prefix != "iqn." && prefix != "eui." && prefix != "naa.") return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':';
  });
}

bool SamePortal(const Portal& a, const Portal& b) { return a.address == b.address && a.socket == b.socket; }

Status CheckPortalOptions(const std::string& initiator, std::uint32_t port, std::uint64_t securityFlags,
                          const LoginOptions& options) {
  if (!initiator.empty() && initiator != kInitiatorInstance) return kInitiatorNotFound;
  if (port != kAnyInitiatorPort && port != 0) return kInvalidParameter;
  if ((securityFlags & 0x2) != 0 || (options.loginFlags & LoginOptions::kRequireIpsec) != 0) return kNotSupported;
  if ((options.specified & LoginOptions::kDataDigest) && options.dataDigest != LoginOptions::kDigestNone) {
    return kNotSupported;
  }
  if ((options.specified & LoginOptions::kAuthType) && options.authType == LoginOptions::kAuthMutualChap) {
    return kNotSupported;
  }
  return kOk;
}

}  // namespace

std::string InitiatorCore::NodeName() const {
  std::lock_guard lock(mutex_);
  return NodeNameLocked();
}

std::string InitiatorCore::NodeNameLocked() const { return nodeName_.empty() ? settings_.defaultNodeName : nodeName_; }

Status InitiatorCore::SetNodeName(const std::string& name) {
  if (!name.empty() && !ValidNodeName(name)) return kInvalidParameter;
  std::lock_guard lock(mutex_);
  nodeName_ = name;
  return SaveLocked() ? kOk : kInternal;
}

Status InitiatorCore::SetChapSecret(const std::string& secret) {
  // The secret proves the target to us in mutual CHAP; RFC 3720 asks for at
  // least 96 bits of it.
  if (!secret.empty() && (secret.size() < 12 || secret.size() > 16)) return kInvalidParameter;
  std::lock_guard lock(mutex_);
  chapSecret_ = secret;
  return SaveLocked() ? kOk : kInternal;
}

bool InitiatorCore::SaveLocked() {
  if (!store_) return true;
  PersistentState state;
  state.nodeName = nodeName_;
  state.chapSecret = chapSecret_;
  state.portals = book_.portals();
  for (const auto& target : book_.statics()) {
    if (target.persist) state.staticTargets.push_back(target);
  }
  state.persistentLogins = persistent_;
  state.persistentDevices = persistentDevices_;
  state.volumes = volumes_;
  return store_->Save(state);
}

void InitiatorCore::Restore(const PersistentState& state) {
  std::lock_guard lock(mutex_);
  nodeName_ = ValidNodeName(state.nodeName) ? state.nodeName : std::string();
  chapSecret_ = state.chapSecret;
  for (const auto& portal : state.portals) book_.SetPortal(portal, {});
  for (const auto& target : state.staticTargets) book_.AddStatic(target);
  persistent_ = state.persistentLogins;
  persistentDevices_ = state.persistentDevices;
  volumes_ = state.volumes;
  for (const auto& login : persistent_) StartPersistentSession(login);
  restoreThread_ = std::thread([this, portals = state.portals] { RestorePortals(portals); });
}

void InitiatorCore::StartPersistentSession(const StoredLogin& login) {
  // Runs under the lock, so a login that completes at once cannot look for
  // its session before the link is stored.
  for (const auto& [key, session] : sessions_) {
    if (session.request.target == login.request.target && !session.request.informational) return;
  }
  const auto portal = login.request.portal ? login.request.portal
                      : login.resolved     ? login.resolved
                                           : book_.ResolvePortal(login.request.target);
  if (!portal) return;  // tried again once the portals have been asked
  const std::uint64_t key = nextSpecific_++;
  Session session;
  session.id = {settings_.adapterUnique, key};
  session.connectionId = {settings_.adapterUnique, key};
  session.request = login.request;
  session.request.persistent = false;
  session.osTarget = FreeOsTarget();
  LoginFailure failure = LoginFailure::kNone;
  session.link = transport_.Open(
      ConfigFor(session.request, *portal, static_cast<std::uint16_t>(key)), true,
      [this, key](SessionState state) {
        if (state == SessionState::kLoggedIn) QueueRescan(key);
      },
      failure);
  if (session.link) sessions_[key] = std::move(session);
}

void InitiatorCore::RestorePortals(std::vector<SendTargetsPortal> portals) {
  for (const auto& portal : portals) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    std::vector<DiscoveredTarget> targets;
    if (Discover(portal, targets) != kOk) continue;
    std::lock_guard lock(mutex_);
    book_.SetReported(portal.portal, std::move(targets));
  }
  // Persistent logins that had nowhere to go may have somewhere now.
  std::lock_guard lock(mutex_);
  if (stopping_) return;
  for (const auto& login : persistent_) StartPersistentSession(login);
}

SessionConfig InitiatorCore::DiscoveryConfig(const SendTargetsPortal& portal) const {
  LoginRequest request;
  request.options = portal.options;
  SessionConfig config = ConfigFor(request, portal.portal, 0);
  config.targetName.clear();
  return config;
}

Status InitiatorCore::Discover(const SendTargetsPortal& portal, std::vector<DiscoveredTarget>& out) {
  SessionConfig config;
  {
    std::lock_guard lock(mutex_);
    config = DiscoveryConfig(portal);
  }
  return FromDiscovery(transport_.Discover(config, out));
}

Status InitiatorCore::AddPortal(const SendTargetsPortal& portal) {
  if (portal.portal.address.empty() || portal.portal.address.size() > kMaxAddressLength) return kInvalidParameter;
  if (const Status status =
          CheckPortalOptions(portal.initiator, portal.initiatorPort, portal.securityFlags, portal.options);
      status != kOk) {
    return status;
  }
  std::vector<DiscoveredTarget> targets;
  if (const Status status = Discover(portal, targets); status != kOk) return status;
  std::lock_guard lock(mutex_);
  book_.SetPortal(portal, std::move(targets));
  return SaveLocked() ? kOk : kInternal;
}

Status InitiatorCore::RemovePortal(const Portal& portal) {
  std::lock_guard lock(mutex_);
  if (!book_.RemovePortal(portal)) return kPortalNotFound;
  return SaveLocked() ? kOk : kInternal;
}

Status InitiatorCore::RefreshPortal(const Portal& portal) {
  SendTargetsPortal known;
  {
    std::lock_guard lock(mutex_);
    const SendTargetsPortal* found = book_.FindPortal(portal);
    if (!found) return kPortalNotFound;
    known = *found;
  }
  std::vector<DiscoveredTarget> targets;
  if (const Status status = Discover(known, targets); status != kOk) return status;
  std::lock_guard lock(mutex_);
  book_.SetReported(portal, std::move(targets));
  return kOk;
}

std::vector<SendTargetsPortal> InitiatorCore::Portals() const {
  std::lock_guard lock(mutex_);
  return book_.portals();
}

Status InitiatorCore::AddStaticTarget(const StaticTarget& target) {
  if (target.name.empty() || target.name.size() > kMaxNameLength) return kInvalidParameter;
  for (const auto& portal : target.portals) {
    if (portal.address.empty() || portal.address.size() > kMaxAddressLength) return kInvalidParameter;
  }
  std::lock_guard lock(mutex_);
  book_.AddStatic(target);
  return !target.persist || SaveLocked() ? kOk : kInternal;
}

Status InitiatorCore::RemoveStaticTarget(const std::string& name) {
  std::lock_guard lock(mutex_);
  if (!book_.RemoveStatic(name)) return kTargetNotFound;
  return SaveLocked() ? kOk : kInternal;
}

std::vector<std::string> InitiatorCore::Targets(bool refresh) {
  if (refresh) {
    for (const auto& portal : Portals()) {
      std::vector<DiscoveredTarget> targets;
      if (Discover(portal, targets) != kOk) continue;  // keep what it said before
      std::lock_guard lock(mutex_);
      book_.SetReported(portal.portal, std::move(targets));
    }
  }
  std::lock_guard lock(mutex_);
  return book_.Names();
}

Status InitiatorCore::GetTargetInfo(const std::string& name, const std::string& mechanism, TargetInfo& info) const {
  std::lock_guard lock(mutex_);
  return book_.Info(name, mechanism, info);
}

Status InitiatorCore::StorePersistent(const LoginRequest& request) {
  std::lock_guard lock(mutex_);
  StoredLogin login{request, std::nullopt};
  if (!request.portal) {
    login.resolved = book_.ResolvePortal(request.target);
    if (!login.resolved) return kTargetNotFound;  // it could never log in
  }
  // The same login made again replaces the earlier one.
  auto same = [&](const StoredLogin& known) {
    return known.request.target == request.target && known.request.initiator == request.initiator &&
           known.request.portal.has_value() == request.portal.has_value() &&
           (!request.portal || SamePortal(*known.request.portal, *request.portal));
  };
  const auto before = persistent_;
  persistent_.erase(std::remove_if(persistent_.begin(), persistent_.end(), same), persistent_.end());
  persistent_.push_back(std::move(login));
  if (SaveLocked()) return kOk;
  persistent_ = before;
  return kInternal;
}

std::vector<LoginRequest> InitiatorCore::PersistentLogins() const {
  std::lock_guard lock(mutex_);
  std::vector<LoginRequest> out;
  for (const auto& login : persistent_) {
    LoginRequest request = login.request;
    if (request.initiator.empty()) request.initiator = kInitiatorInstance;
    if (!request.portal && login.resolved) request.portal = login.resolved;
    out.push_back(std::move(request));
  }
  return out;
}

Status InitiatorCore::RemovePersistent(const std::string& initiator, const std::string& target,
                                       const std::optional<Portal>& portal) {
  std::lock_guard lock(mutex_);
  auto matches = [&](const StoredLogin& login) {
    if (login.request.target != target) return false;
    const std::string used = login.request.initiator.empty() ? kInitiatorInstance : login.request.initiator;
    if (!initiator.empty() && initiator != used) return false;
    if (!portal) return true;
    const auto where = login.request.portal ? login.request.portal : login.resolved;
    return where && SamePortal(*where, *portal);
  };
  const auto before = persistent_;
  const auto volumesBefore = volumes_;
  persistent_.erase(std::remove_if(persistent_.begin(), persistent_.end(), matches), persistent_.end());
  if (persistent_.size() == before.size()) return kPersistentNotFound;
  const bool stillPersistent = std::any_of(persistent_.begin(), persistent_.end(),
                                           [&](const StoredLogin& login) { return login.request.target == target; });
  if (!stillPersistent) std::erase_if(volumes_, [&](const RememberedVolume& v) { return v.target == target; });
  if (SaveLocked()) return kOk;
  persistent_ = before;
  volumes_ = volumesBefore;
  return kInternal;
}

std::vector<std::string> InitiatorCore::PersistentDevices() const {
  std::lock_guard lock(mutex_);
  return persistentDevices_;
}

Status InitiatorCore::AddPersistentDevice(const std::string& path) {
  if (path.empty() || path.size() > 4096) return kInvalidParameter;
  std::lock_guard lock(mutex_);
  if (std::find(persistentDevices_.begin(), persistentDevices_.end(), path) != persistentDevices_.end()) {
    return kAlreadyExists;
  }
  persistentDevices_.push_back(path);
  return SaveLocked() ? kOk : kInternal;
}

Status InitiatorCore::RemovePersistentDevice(const std::string& path) {
  std::lock_guard lock(mutex_);
  const auto it = std::find(persistentDevices_.begin(), persistentDevices_.end(), path);
  if (it == persistentDevices_.end()) return kDeviceNotFound;
  persistentDevices_.erase(it);
  return SaveLocked() ? kOk : kInternal;
}

Status InitiatorCore::ClearPersistentDevices() {
  std::lock_guard lock(mutex_);
  persistentDevices_.clear();
  return SaveLocked() ? kOk : kInternal;
}

bool InitiatorCore::HasPersistentLogin(const std::string& target) const {
  std::lock_guard lock(mutex_);
  return std::any_of(persistent_.begin(), persistent_.end(),
                     [&](const StoredLogin& login) { return login.request.target == target; });
}

Status InitiatorCore::RememberVolume(const RememberedVolume& volume) {
  if (volume.letter < 'a' || volume.letter > 'z' || volume.fileSystem != "ntfs") return kInvalidParameter;
  std::lock_guard lock(mutex_);
  const bool persistent = std::any_of(persistent_.begin(), persistent_.end(),
                                      [&](const StoredLogin& login) { return login.request.target == volume.target; });
  if (!persistent) return kPersistentNotFound;
  const auto before = volumes_;
  std::erase_if(volumes_, [&](const RememberedVolume& v) {
    return v.letter == volume.letter || (v.target == volume.target && v.lunField == volume.lunField);
  });
  volumes_.push_back(volume);
  if (SaveLocked()) return kOk;
  volumes_ = before;
  return kInternal;
}

Status InitiatorCore::ForgetVolume(char letter) {
  std::lock_guard lock(mutex_);
  const auto before = volumes_;
  if (std::erase_if(volumes_, [&](const RememberedVolume& v) { return v.letter == letter; }) == 0) {
    return kDeviceNotFound;
  }
  if (SaveLocked()) return kOk;
  volumes_ = before;
  return kInternal;
}

std::vector<RememberedVolume> InitiatorCore::Volumes() const {
  std::lock_guard lock(mutex_);
  return volumes_;
}

}  // namespace sp::iscsid
