// Discovery, targets, sessions and persistent logins of the fake initiator.
#include "platform/fake/fakeiscsiinitiator.h"

#include <algorithm>

namespace sp {

namespace {
constexpr std::uint64_t kAdapterUnique = 0xffffe0000b4c5010ull;  // a full 16 digits, as real ids have
constexpr std::uint64_t kAdapterSpecificBase = 0x4000013700000000ull;

bool SamePortal(const IscsiTargetPortal& a, const std::string& address, std::uint16_t socket) {
  return a.address == address && a.socket == socket;
}
}  // namespace

FakeIscsiInitiator::FakeIscsiInitiator() : instances_{"fake iscsi initiator 0"} {}

void FakeIscsiInitiator::AddReachablePortal(const std::string& address, std::uint16_t socket,
                                            std::vector<Target> targets) {
  RemoveReachablePortal(address, socket);
  network_.push_back(Portal{address, socket, std::move(targets)});
}

void FakeIscsiInitiator::RemoveReachablePortal(const std::string& address, std::uint16_t socket) {
  std::erase_if(network_, [&](const Portal& p) { return p.address == address && p.socket == socket; });
}

int FakeIscsiInitiator::CallCount(Op op) const {
  return static_cast<int>(std::count(calls_.begin(), calls_.end(), op));
}

std::vector<IscsiUniqueSessionId> FakeIscsiInitiator::SessionIds() const {
  std::vector<IscsiUniqueSessionId> ids;
  for (const Session& s : sessions_) ids.push_back(s.info.sessionId);
  return ids;
}

std::optional<IscsiStatus> FakeIscsiInitiator::Enter(Op op) {
  calls_.push_back(op);
  auto it = failures_.find(op);
  if (it == failures_.end() || it->second.empty()) return std::nullopt;
  const IscsiStatus status = it->second.front();
  it->second.pop_front();
  return status;
}

const FakeIscsiInitiator::Portal* FakeIscsiInitiator::FindReachable(const std::string& address,
                                                                    std::uint16_t socket) const {
  for (const Portal& p : network_) {
    if (p.address == address && p.socket == socket) return &p;
  }
  return nullptr;
}

const FakeIscsiInitiator::Target* FakeIscsiInitiator::FindOffered(const Portal& portal,
                                                                  const std::string& targetName) const {
  for (const Target& t : portal.targets) {
    if (t.name == targetName) return &t;
  }
  return nullptr;
}

const FakeIscsiInitiator::Portal* FakeIscsiInitiator::PortalOffering(const std::string& targetName) const {
  for (const IscsiSendTargetPortalInfo& listed : sendTargetPortals_) {
    const Portal* p = FindReachable(listed.portal.address, listed.portal.socket);
    if (p && FindOffered(*p, targetName)) return p;
  }
  for (const StaticTarget& s : statics_) {
    if (s.name != targetName) continue;
    for (const IscsiTargetPortal& portal : s.portals.portals) {
      const Portal* p = FindReachable(portal.address, portal.socket);
      if (p && FindOffered(*p, targetName)) return p;
    }
  }
  return nullptr;
}

bool FakeIscsiInitiator::KnownInstance(const std::string* instance) const {
  return !instance || std::find(instances_.begin(), instances_.end(), *instance) != instances_.end();
}

FakeIscsiInitiator::Session* FakeIscsiInitiator::FindSession(const IscsiUniqueSessionId& id) {
  for (Session& s : sessions_) {
    if (s.info.sessionId == id) return &s;
  }
  return nullptr;
}

IscsiUniqueSessionId FakeIscsiInitiator::NextId() {
  return IscsiUniqueSessionId{kAdapterUnique, kAdapterSpecificBase + ++idCounter_};
}

// --- Send-targets portals --------------------------------------------------

IscsiStatus FakeIscsiInitiator::AddIScsiSendTargetPortal(const std::string* initiatorInstance,
                                                         std::uint32_t initiatorPortNumber,
                                                         const IscsiLoginOptions* loginOptions,
                                                         std::uint64_t securityFlags, const IscsiTargetPortal& portal) {
  if (auto s = Enter(Op::AddIScsiSendTargetPortal)) return *s;
  if (!KnownInstance(initiatorInstance)) return kIscsiStatusInvalidParameter;
  if (!FindReachable(portal.address, portal.socket)) return kIscsiStatusUnreachable;
  IscsiSendTargetPortalInfo info;
  info.initiatorName = initiatorInstance ? *initiatorInstance : std::string();
  info.initiatorPortNumber = initiatorPortNumber;
  info.portal = portal;
  info.securityFlags = securityFlags;
  if (loginOptions) info.loginOptions = *loginOptions;
  for (IscsiSendTargetPortalInfo& listed : sendTargetPortals_) {
    if (SamePortal(listed.portal, portal.address, portal.socket)) {
      listed = info;  // adding again updates the entry
      return kIscsiStatusSuccess;
    }
  }
  sendTargetPortals_.push_back(info);
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::RemoveIScsiSendTargetPortal(const std::string* initiatorInstance,
                                                            std::uint32_t /*initiatorPortNumber*/,
                                                            const IscsiTargetPortal& portal) {
  if (auto s = Enter(Op::RemoveIScsiSendTargetPortal)) return *s;
  if (!KnownInstance(initiatorInstance)) return kIscsiStatusInvalidParameter;
  const auto removed = std::erase_if(sendTargetPortals_, [&](const IscsiSendTargetPortalInfo& p) {
    return SamePortal(p.portal, portal.address, portal.socket);
  });
  return removed ? kIscsiStatusSuccess : kIscsiStatusNotFound;
}

IscsiStatus FakeIscsiInitiator::RefreshIScsiSendTargetPortal(const std::string* initiatorInstance,
                                                             std::uint32_t /*initiatorPortNumber*/,
                                                             const IscsiTargetPortal& portal) {
  if (auto s = Enter(Op::RefreshIScsiSendTargetPortal)) return *s;
  if (!KnownInstance(initiatorInstance)) return kIscsiStatusInvalidParameter;
  for (const IscsiSendTargetPortalInfo& listed : sendTargetPortals_) {
    if (SamePortal(listed.portal, portal.address, portal.socket)) {
      return FindReachable(portal.address, portal.socket) ? kIscsiStatusSuccess : kIscsiStatusUnreachable;
    }
  }
  return kIscsiStatusNotFound;
}

IscsiStatus FakeIscsiInitiator::ReportIScsiSendTargetPortalsEx(std::uint32_t& capacity,
                                                               std::vector<IscsiSendTargetPortalInfo>& portals) {
  if (auto s = Enter(Op::ReportIScsiSendTargetPortalsEx)) return *s;
  return IscsiDeliverSized(capacity, sendTargetPortals_, portals);
}

// --- Targets ----------------------------------------------------------------

IscsiStatus FakeIscsiInitiator::ReportIScsiTargets(bool /*forceUpdate*/, std::uint32_t& capacity,
                                                   std::vector<std::string>& targetNames) {
  if (auto s = Enter(Op::ReportIScsiTargets)) return *s;
  std::vector<std::string> all;
  auto add = [&all](const std::string& name) {
    if (std::find(all.begin(), all.end(), name) == all.end()) all.push_back(name);
  };
  for (const IscsiSendTargetPortalInfo& listed : sendTargetPortals_) {
    if (const Portal* p = FindReachable(listed.portal.address, listed.portal.socket)) {
      for (const Target& t : p->targets) add(t.name);
    }
  }
  for (const StaticTarget& s : statics_) add(s.name);
  return IscsiDeliverSized(capacity, all, targetNames);
}

IscsiStatus FakeIscsiInitiator::AddIScsiStaticTarget(const std::string& targetName, const std::string* targetAlias,
                                                     std::uint32_t targetFlags, bool persist,
                                                     const IscsiTargetMapping* mapping,
                                                     const IscsiLoginOptions* loginOptions,
                                                     const IscsiPortalGroup* portalGroup) {
  if (auto s = Enter(Op::AddIScsiStaticTarget)) return *s;
  if (targetName.empty()) return kIscsiStatusInvalidParameter;
  StaticTarget st;
  st.name = targetName;
  st.alias = targetAlias ? *targetAlias : std::string();
  st.flags = targetFlags;
  st.persist = persist;
  if (mapping) st.mapping = *mapping;
  if (loginOptions) st.loginOptions = *loginOptions;
  if (portalGroup) st.portals = *portalGroup;
  std::erase_if(statics_, [&](const StaticTarget& s) { return s.name == targetName; });
  statics_.push_back(std::move(st));
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::RemoveIScsiStaticTarget(const std::string& targetName) {
  if (auto s = Enter(Op::RemoveIScsiStaticTarget)) return *s;
  return std::erase_if(statics_, [&](const StaticTarget& s) { return s.name == targetName; }) ? kIscsiStatusSuccess
                                                                                              : kIscsiStatusNotFound;
}

// --- Sessions ---------------------------------------------------------------

IscsiStatus FakeIscsiInitiator::LoginIScsiTarget(const IscsiLoginRequest& request, IscsiUniqueSessionId& sessionId,
                                                 IscsiUniqueConnectionId& connectionId) {
  if (auto s = Enter(Op::LoginIScsiTarget)) return *s;
  if (request.targetName.empty()) return kIscsiStatusInvalidParameter;
  if (!KnownInstance(request.initiatorInstance ? &*request.initiatorInstance : nullptr)) {
    return kIscsiStatusInvalidParameter;
  }
  const Portal* portal = nullptr;
  if (request.targetPortal) {
    portal = FindReachable(request.targetPortal->address, request.targetPortal->socket);
    if (!portal) return kIscsiStatusUnreachable;
  } else {
    portal = PortalOffering(request.targetName);
  }
  const Target* target = portal ? FindOffered(*portal, request.targetName) : nullptr;
  if (!target) return kIscsiStatusNotFound;
  if (request.isPersistent) return RecordPersistentLogin(request, *portal);
  return OpenSession(request, *portal, *target, sessionId, connectionId);
}

IscsiStatus FakeIscsiInitiator::RecordPersistentLogin(const IscsiLoginRequest& request, const Portal& portal) {
  IscsiPersistentLogin login;
  login.targetName = request.targetName;
  login.isInformationalSession = request.isInformationalSession;
  // Like a real initiator, the record names the instance and portal that
  // were actually chosen, not the caller's "any".
  login.initiatorInstance = request.initiatorInstance ? *request.initiatorInstance : DefaultInstance();
  login.initiatorPortNumber = request.initiatorPortNumber;
  login.targetPortal =
      request.targetPortal ? *request.targetPortal : IscsiTargetPortal{"", portal.address, portal.socket};
  login.securityFlags = request.securityFlags;
  login.mapping = request.mapping;
  if (request.loginOptions) login.loginOptions = *request.loginOptions;
  for (IscsiPersistentLogin& existing : persistentLogins_) {
    if (existing.targetName == login.targetName && existing.initiatorInstance == login.initiatorInstance &&
        SamePortal(existing.targetPortal, login.targetPortal.address, login.targetPortal.socket)) {
      existing = login;
      return kIscsiStatusSuccess;
    }
  }
  persistentLogins_.push_back(std::move(login));
  return kIscsiStatusSuccess;
}

IscsiConnectionInfo FakeIscsiInitiator::MakeConnection(const Portal& portal) {
  IscsiConnectionInfo c;
  c.connectionId = NextId();
  c.initiatorAddress = initiatorAddress_;
  c.initiatorSocket = nextLocalSocket_++;
  c.targetAddress = portal.address;
  c.targetSocket = portal.socket;
  c.cid = {static_cast<std::uint8_t>(idCounter_ >> 8), static_cast<std::uint8_t>(idCounter_)};
  return c;
}

IscsiStatus FakeIscsiInitiator::OpenSession(const IscsiLoginRequest& request, const Portal& portal,
                                            const Target& target, IscsiUniqueSessionId& sessionId,
                                            IscsiUniqueConnectionId& connectionId) {
  if (request.mapping) {
    for (const IscsiLunEntry& e : request.mapping->luns) {
      const bool offered = std::any_of(target.luns.begin(), target.luns.end(),
                                       [&](const Lun& l) { return FakeIscsiTargetLun(l.number) == e.targetLun; });
      if (!offered) return kIscsiStatusInvalidParameter;  // the mapping names a LUN the target lacks
    }
  }
  Session s;
  s.info.sessionId = NextId();
  s.info.initiatorName = nodeName_ ? *nodeName_ : kDefaultNodeName;
  s.info.targetNodeName = target.name;
  s.info.targetName = request.targetName;
  s.info.isid = {0x40, 0x00, 0x01, 0x37, 0x00, static_cast<std::uint8_t>(idCounter_)};
  s.info.tsid = {static_cast<std::uint8_t>(idCounter_ >> 8), static_cast<std::uint8_t>(idCounter_)};
  s.info.connections.push_back(MakeConnection(portal));
  const std::string instance = request.initiatorInstance ? *request.initiatorInstance : DefaultInstance();
  s.mapping.initiatorName = instance;
  s.mapping.targetName = request.targetName;
  s.mapping.osDeviceName = "fake-scsi-host" + std::to_string(nextOsTarget_);
  s.mapping.sessionId = s.info.sessionId;
  if (request.mapping) {
    s.mapping.osBusNumber = request.mapping->osBusNumber;
    s.mapping.osTargetNumber = request.mapping->osTargetNumber;
  } else {
    s.mapping.osTargetNumber = nextOsTarget_;
  }
  ++nextOsTarget_;
  for (const Lun& lun : target.luns) {
    const std::uint64_t targetLun = FakeIscsiTargetLun(lun.number);
    std::uint32_t osLun = lun.number;
    if (request.mapping) {
      const auto& entries = request.mapping->luns;
      auto it = std::find_if(entries.begin(), entries.end(),
                             [&](const IscsiLunEntry& e) { return e.targetLun == targetLun; });
      if (it == entries.end()) continue;  // an explicit mapping shows only the LUNs it names
      osLun = it->osLun;
    }
    s.luns.push_back(lun);
    s.mapping.luns.push_back(IscsiLunEntry{osLun, targetLun});
    if (request.isInformationalSession) continue;  // such sessions show no disks
    IscsiDeviceOnSession d;
    d.initiatorName = instance;
    d.targetName = request.targetName;
    d.interfaceClass = IscsiDeviceInterface::Disk;
    d.storageDeviceNumber = {kIscsiStorageDeviceTypeDisk, nextDiskNumber_++, 0};
    d.deviceInterfaceName =
        lun.devicePath.empty() ? "fake-disk-" + std::to_string(d.storageDeviceNumber.deviceNumber) : lun.devicePath;
    d.osLun = osLun;
    s.devices.push_back(d);
  }
  sessionId = s.info.sessionId;
  connectionId = s.info.connections.front().connectionId;
  sessions_.push_back(std::move(s));
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::LogoutIScsiTarget(const IscsiUniqueSessionId& sessionId) {
  if (auto s = Enter(Op::LogoutIScsiTarget)) return *s;
  return std::erase_if(sessions_, [&](const Session& s) { return s.info.sessionId == sessionId; })
             ? kIscsiStatusSuccess
             : kIscsiStatusNotFound;
}

IscsiStatus FakeIscsiInitiator::GetIScsiSessionList(std::uint32_t& capacity, std::vector<IscsiSessionInfo>& out) {
  if (auto s = Enter(Op::GetIScsiSessionList)) return *s;
  std::vector<IscsiSessionInfo> all;
  for (const Session& s : sessions_) all.push_back(s.info);
  return IscsiDeliverSized(capacity, all, out);
}

IscsiStatus FakeIscsiInitiator::GetDevicesForIScsiSession(const IscsiUniqueSessionId& sessionId,
                                                          std::uint32_t& capacity,
                                                          std::vector<IscsiDeviceOnSession>& devices) {
  if (auto s = Enter(Op::GetDevicesForIScsiSession)) return *s;
  devices.clear();
  Session* session = FindSession(sessionId);
  if (!session) return kIscsiStatusNotFound;
  return IscsiDeliverSized(capacity, session->devices, devices);
}

IscsiStatus FakeIscsiInitiator::ReportActiveIScsiTargetMappings(std::uint32_t& capacity,
                                                                std::vector<IscsiTargetMapping>& mappings) {
  if (auto s = Enter(Op::ReportActiveIScsiTargetMappings)) return *s;
  std::vector<IscsiTargetMapping> all;
  for (const Session& s : sessions_) {
    if (!s.mapping.luns.empty()) all.push_back(s.mapping);
  }
  return IscsiDeliverSized(capacity, all, mappings);
}

// --- Persistent logins ------------------------------------------------------

IscsiStatus FakeIscsiInitiator::ReportIScsiPersistentLogins(std::uint32_t& capacity,
                                                            std::vector<IscsiPersistentLogin>& logins) {
  if (auto s = Enter(Op::ReportIScsiPersistentLogins)) return *s;
  return IscsiDeliverSized(capacity, persistentLogins_, logins);
}

IscsiStatus FakeIscsiInitiator::RemoveIScsiPersistentTarget(const std::string* initiatorInstance,
                                                            std::uint32_t initiatorPortNumber,
                                                            const std::string& targetName,
                                                            const IscsiTargetPortal* portal) {
  if (auto s = Enter(Op::RemoveIScsiPersistentTarget)) return *s;
  const auto removed = std::erase_if(persistentLogins_, [&](const IscsiPersistentLogin& p) {
    if (p.targetName != targetName) return false;
    if (initiatorInstance && p.initiatorInstance != *initiatorInstance) return false;
    if (initiatorPortNumber != kIscsiAnyInitiatorPort && p.initiatorPortNumber != initiatorPortNumber) {
      return false;
    }
    return !portal || SamePortal(p.targetPortal, portal->address, portal->socket);
  });
  return removed ? kIscsiStatusSuccess : kIscsiStatusNotFound;
}

IscsiStatus FakeIscsiInitiator::ReportIScsiInitiatorList(std::uint32_t& capacity,
                                                         std::vector<std::string>& initiators) {
  if (auto s = Enter(Op::ReportIScsiInitiatorList)) return *s;
  return IscsiDeliverSized(capacity, instances_, initiators);
}

}  // namespace sp
