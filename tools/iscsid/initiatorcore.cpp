// Sessions: login, logout, LUN scans and the session reports. Portals,
// targets, persistent logins and settings are in initiatorcore_targets.cpp.
#include "tools/iscsid/initiatorcore.h"

#include <algorithm>
#include <set>

#include "tools/iscsid/lunscan.h"

namespace sp::iscsid {

using namespace iscsictl;

namespace {

Status FromFailure(LoginFailure failure) {
  switch (failure) {
    case LoginFailure::kNone:
      return kOk;
    case LoginFailure::kConnect:
      return kConnectionFailed;
    case LoginFailure::kLogin:
      return kLoginFailed;
    case LoginFailure::kTimeout:
      return kTimedOut;
  }
  return kLoginFailed;
}

bool SameIdentity(const LunIdentity& a, const LunIdentity& b) {
  return a.lun == b.lun && a.lunField == b.lunField && a.inquiry == b.inquiry &&
         a.capacity.blocks == b.capacity.blocks && a.capacity.blockSize == b.capacity.blockSize;
}

// The report commands a caller may pass to a LUN, with their CDB sizes.
bool IsReportCommand(const Bytes& cdb) {
  if (cdb.empty()) return false;
  switch (cdb[0]) {
    case 0x12:
      return cdb.size() == 6;  // INQUIRY
    case 0x25:
      return cdb.size() == 10;  // READ CAPACITY(10)
    case 0x9E:
      return cdb.size() == 16 && (cdb[1] & 0x1F) == 0x10;  // READ CAPACITY(16)
    case 0xA0:
      return cdb.size() == 12;  // REPORT LUNS
    default:
      return false;
  }
}

constexpr std::uint32_t kMaxReportLength = 1u << 16;

}  // namespace

InitiatorCore::InitiatorCore(ITransport& transport, ILunPublisher& publisher, StateStore* store, CoreSettings settings)
    : transport_(transport), publisher_(publisher), store_(store), settings_(std::move(settings)) {
  rescanThread_ = std::thread([this] { RescanLoop(); });
}

InitiatorCore::~InitiatorCore() { Shutdown(); }

std::string InitiatorCore::DeviceName(const std::string& target, std::uint32_t lun) {
  std::string name;
  for (char c : target) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '-' || c == ':' || c == '_';
    name += plain ? c : '_';
  }
  return name + "-lun" + std::to_string(lun);
}

std::string InitiatorCore::UniqueDeviceName(const Session& session, std::uint32_t lun) const {
  // The first session to a target names its LUN files after the target
  // alone; a further session to the same target (several paths to one
  // disk) gets its own names, so no file ever changes which session it
  // reads through.
  const std::string plain = DeviceName(session.request.target, lun);
  for (const auto& [key, other] : sessions_) {
    if (&other == &session) continue;
    for (const auto& device : other.devices) {
      if (device.name == plain) {
        const std::string prefix = plain.substr(0, plain.size() - ("-lun" + std::to_string(lun)).size());
        return prefix + "-s" + std::to_string(session.id.adapterSpecific) + "-lun" + std::to_string(lun);
      }
    }
  }
  return plain;
}

void InitiatorCore::Shutdown() {
  std::vector<Session> ending;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (auto& [key, session] : sessions_) {
      WithdrawAll(session);
      ending.push_back(std::move(session));
    }
    sessions_.clear();
  }
  // Log out of all targets at once: each logout has its own time limit.
  std::vector<std::thread> closers;
  for (auto& session : ending) {
    if (session.link) closers.emplace_back([link = session.link] { link->Close(); });
  }
  for (auto& closer : closers) closer.join();
  {
    std::lock_guard lock(rescanMutex_);
    rescanStop_ = true;
  }
  rescanWake_.notify_all();
  if (rescanThread_.joinable()) rescanThread_.join();
  if (restoreThread_.joinable()) restoreThread_.join();
}

Status InitiatorCore::CheckLogin(const LoginRequest& request) const {
  if (request.target.empty() || request.target.size() > kMaxNameLength) return kInvalidParameter;
  if (!request.initiator.empty() && request.initiator != kInitiatorInstance) return kInitiatorNotFound;
  if (request.initiatorPort != kAnyInitiatorPort && request.initiatorPort != 0) return kInvalidParameter;
  if (request.portal && (request.portal->address.empty() || request.portal->address.size() > kMaxAddressLength)) {
    return kInvalidParameter;
  }
  // IPsec (keys, IKE, required by the login flags) has no counterpart here.
  if (!request.key.empty() || (request.securityFlags & 0x2) != 0 ||
      (request.options.loginFlags & LoginOptions::kRequireIpsec) != 0) {
    return kNotSupported;
  }
  const LoginOptions& o = request.options;
  if ((o.specified & LoginOptions::kDataDigest) && o.dataDigest != LoginOptions::kDigestNone) return kNotSupported;
  if ((o.specified & LoginOptions::kHeaderDigest) && o.headerDigest > LoginOptions::kDigestCrc32c) {
    return kInvalidParameter;
  }
  if (o.specified & LoginOptions::kAuthType) {
    if (o.authType == LoginOptions::kAuthMutualChap) return kNotSupported;
    if (o.authType > LoginOptions::kAuthMutualChap) return kInvalidParameter;
    if (o.authType == LoginOptions::kAuthChap && !(o.specified & LoginOptions::kPassword)) return kInvalidParameter;
  }
  return kOk;
}

SessionConfig InitiatorCore::ConfigFor(const LoginRequest& request, const Portal& portal,
                                       std::uint16_t qualifier) const {
  SessionConfig config;
  config.initiatorName = NodeNameLocked();
  config.targetName = request.target;
  config.portal = PortalText(portal.address, portal.socket);
  const LoginOptions& o = request.options;
  const bool digestGiven = (o.specified & LoginOptions::kHeaderDigest) != 0;
  config.headerDigest = digestGiven && o.headerDigest == LoginOptions::kDigestCrc32c;
  config.offerHeaderDigest = !digestGiven;
  if ((o.specified & LoginOptions::kAuthType) && o.authType == LoginOptions::kAuthChap) {
    // Without a user name CHAP answers with our node name.
    config.chapUser = (o.specified & LoginOptions::kUsername) ? o.username : config.initiatorName;
    config.chapSecret = o.password;
  }
  config.isidRandom = settings_.isidRandom;
  config.isidQualifier = qualifier;
  config.commandTimeout = settings_.commandTimeout;
  config.loginTimeout = settings_.loginTimeout;
  config.retryInterval = settings_.retryInterval;
  config.nopInterval = settings_.nopInterval;
  return config;
}

std::uint32_t InitiatorCore::FreeOsTarget() const {
  std::set<std::uint32_t> used;
  for (const auto& [key, session] : sessions_) used.insert(session.osTarget);
  std::uint32_t n = 0;
  while (used.count(n)) ++n;
  return n;
}

Status InitiatorCore::Login(const LoginRequest& request, UniqueId& sessionId, UniqueId& connectionId) {
  if (const Status status = CheckLogin(request); status != kOk) return status;
  if (request.persistent) return StorePersistent(request);

  std::uint64_t key = 0;
  SessionConfig config;
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return kInternal;
    const auto portal = request.portal ? request.portal : book_.ResolvePortal(request.target);
    if (!portal) return kTargetNotFound;
    key = nextSpecific_++;
    const std::uint32_t osTarget = FreeOsTarget();
    Session& session = sessions_[key];  // a placeholder keeps a second login out
    session.id = {settings_.adapterUnique, key};
    session.connectionId = {settings_.adapterUnique, key};
    session.request = request;
    session.osTarget = osTarget;
    config = ConfigFor(request, *portal, static_cast<std::uint16_t>(key));
  }
  LoginFailure failure = LoginFailure::kNone;
  auto link = transport_.Open(
      config, false,
      [this, key](SessionState state) {
        if (state == SessionState::kLoggedIn) QueueRescan(key);
      },
      failure);
  if (!link) {
    std::lock_guard lock(mutex_);
    sessions_.erase(key);
    return failure == LoginFailure::kNone ? kLoginFailed : FromFailure(failure);
  }
  std::vector<LunIdentity> luns;
  const bool scanned = !request.informational && ScanLuns(*link, luns);
  {
    std::lock_guard lock(mutex_);
    const auto it = sessions_.find(key);
    if (it != sessions_.end() && !stopping_) {
      it->second.link = link;
      if (scanned) Reconcile(it->second, luns);
      sessionId = it->second.id;
      connectionId = it->second.connectionId;
      return kOk;
    }
  }
  link->Close();  // shut down while logging in
  return kInternal;
}

Status InitiatorCore::Logout(const UniqueId& id) {
  std::shared_ptr<ISessionLink> link;
  {
    std::lock_guard lock(mutex_);
    if (id.adapterUnique != settings_.adapterUnique) return kSessionNotFound;
    const auto it = sessions_.find(id.adapterSpecific);
    if (it == sessions_.end() || !it->second.link) return kSessionNotFound;
    // Pulling a disk out from under a mounted file system loses data: a
    // session whose LUN file is held open stays.
    for (const auto& device : it->second.devices) {
      if (publisher_.InUse(device.name)) return kDeviceBusy;
    }
    WithdrawAll(it->second);
    link = it->second.link;
    sessions_.erase(it);
  }
  link->Close();
  return kOk;
}

void InitiatorCore::WithdrawAll(Session& session) {
  for (auto& device : session.devices) {
    device.device->Detach();
    publisher_.Withdraw(device.name);
  }
  session.devices.clear();
}

void InitiatorCore::Reconcile(Session& session, const std::vector<LunIdentity>& luns) {
  if (session.request.informational || !session.link) return;
  std::vector<Device> next;
  std::vector<Device> old = std::move(session.devices);
  for (const auto& lun : luns) {
    auto same =
        std::find_if(old.begin(), old.end(), [&](const Device& d) { return SameIdentity(d.device->identity(), lun); });
    if (same != old.end()) {
      next.push_back(std::move(*same));
      old.erase(same);
      continue;
    }
    Device device;
    device.name = UniqueDeviceName(session, lun.lun);
    device.device = std::make_shared<LunDevice>(session.link, lun);
    device.osLun = lun.lun;
    for (const auto& mapping : session.request.mappings) {
      if (mapping.targetLun == lun.lunField) device.osLun = mapping.osLun;
    }
    // A LUN that changed (size, identity) replaces its file; handles still
    // open on the old one fail rather than reach the wrong blocks.
    for (auto& stale : old) {
      if (stale.name == device.name) stale.device->Detach();
    }
    device.path = publisher_.Publish(device.name, device.device);
    next.push_back(std::move(device));
  }
  for (auto& gone : old) {
    gone.device->Detach();
    const bool replaced = std::any_of(next.begin(), next.end(), [&](const Device& d) { return d.name == gone.name; });
    if (!replaced) publisher_.Withdraw(gone.name);
  }
  session.devices = std::move(next);
}

void InitiatorCore::QueueRescan(std::uint64_t key) {
  {
    std::lock_guard lock(rescanMutex_);
    rescanQueue_.push_back(key);
  }
  rescanWake_.notify_one();
}

void InitiatorCore::RescanLoop() {
  for (;;) {
    std::uint64_t key = 0;
    {
      std::unique_lock lock(rescanMutex_);
      rescanWake_.wait(lock, [this] { return rescanStop_ || !rescanQueue_.empty(); });
      if (rescanStop_) return;
      key = rescanQueue_.front();
      rescanQueue_.pop_front();
    }
    Rescan(key);
  }
}

void InitiatorCore::Rescan(std::uint64_t key) {
  std::shared_ptr<ISessionLink> link;
  {
    std::lock_guard lock(mutex_);
    const auto it = sessions_.find(key);
    // A session still in its first login is scanned by the login itself.
    if (it == sessions_.end() || !it->second.link || it->second.request.informational) return;
    link = it->second.link;
  }
  std::vector<LunIdentity> luns;
  if (!ScanLuns(*link, luns)) return;  // lost again; the next login rescans
  std::lock_guard lock(mutex_);
  const auto it = sessions_.find(key);
  if (it != sessions_.end() && it->second.link == link && !stopping_) Reconcile(it->second, luns);
}

std::vector<SessionReport> InitiatorCore::Sessions() const {
  std::lock_guard lock(mutex_);
  std::vector<SessionReport> reports;
  for (const auto& [key, session] : sessions_) {
    if (!session.link) continue;
    SessionReport report;
    report.id = session.id;
    report.connectionId = session.connectionId;
    report.target = session.request.target;
    report.initiatorInstance = kInitiatorInstance;
    report.initiatorNode = NodeNameLocked();
    report.state = session.link->state();
    report.informational = session.request.informational;
    report.connection = session.link->connection();
    std::copy(std::begin(report.connection.isid), std::end(report.connection.isid), report.isid);
    if (report.state != SessionState::kLoggedIn) {
      report.connection.localAddress.clear();
      report.connection.targetAddress.clear();
    }
    for (const auto& device : session.devices) {
      const LunIdentity& identity = device.device->identity();
      DeviceReport d;
      d.name = device.name;
      d.path = device.path;
      d.lunField = identity.lunField;
      d.osBus = 0;
      d.osTarget = session.osTarget;
      d.osLun = device.osLun;
      d.deviceType = identity.inquiry.empty() ? 0 : identity.inquiry[0] & 0x1F;
      d.size = device.device->size();
      d.blockSize = identity.capacity.blockSize;
      d.inquiry = identity.inquiry;
      report.devices.push_back(std::move(d));
    }
    reports.push_back(std::move(report));
  }
  return reports;
}

Status InitiatorCore::Scsi(const UniqueId& id, std::uint64_t lunField, const Bytes& cdb, std::uint32_t inLength,
                           ScsiResult& result) {
  if (!IsReportCommand(cdb)) return kNotSupported;
  const auto lun = LunNumberFromField(lunField);
  if (!lun || inLength > kMaxReportLength) return kInvalidParameter;
  std::shared_ptr<ISessionLink> link;
  {
    std::lock_guard lock(mutex_);
    if (id.adapterUnique != settings_.adapterUnique) return kSessionNotFound;
    const auto it = sessions_.find(id.adapterSpecific);
    if (it == sessions_.end() || !it->second.link) return kSessionNotFound;
    link = it->second.link;
  }
  ScsiCommand command;
  command.lun = *lun;
  command.cdb = cdb;
  command.direction = inLength ? ScsiDirection::kIn : ScsiDirection::kNone;
  command.inLength = inLength;
  result = link->Execute(command);
  return result.error ? kScsiFailed : kOk;
}

}  // namespace sp::iscsid
