// Portals, targets, logins, sessions and persistent logins. SCSI commands,
// settings and what is not supported here are in linuxiscsiinitiator_misc.cpp.
#include "platform/linux/linuxiscsiinitiator.h"

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/iscsicontroltypes.h"

namespace sp {

namespace op = iscsictl::op;

namespace {

constexpr int kQuickMs = 30000;
constexpr int kDiscoveryMs = 90000;  // discovery and logins wait on the network
constexpr int kLoginMs = 120000;

iscsictl::LoginOptions ToOptions(const IscsiLoginOptions& o) {
  iscsictl::LoginOptions out;
  out.version = o.version;
  out.specified = o.informationSpecified;
  out.loginFlags = o.loginFlags;
  out.authType = o.authType;
  out.headerDigest = o.headerDigest;
  out.dataDigest = o.dataDigest;
  out.maxConnections = o.maximumConnections;
  out.time2Wait = o.defaultTime2Wait;
  out.time2Retain = o.defaultTime2Retain;
  out.username.assign(o.username.begin(), o.username.end());
  out.password.assign(o.password.begin(), o.password.end());
  return out;
}

IscsiLoginOptions FromOptions(const iscsictl::LoginOptions& o) {
  IscsiLoginOptions out;
  out.version = o.version;
  out.informationSpecified = o.specified;
  out.loginFlags = o.loginFlags;
  out.authType = o.authType;
  out.headerDigest = o.headerDigest;
  out.dataDigest = o.dataDigest;
  out.maximumConnections = o.maxConnections;
  out.defaultTime2Wait = o.time2Wait;
  out.defaultTime2Retain = o.time2Retain;
  out.username.assign(o.username.begin(), o.username.end());
  out.password.assign(o.password.begin(), o.password.end());
  return out;
}

iscsictl::Portal ToPortal(const IscsiTargetPortal& p) { return {p.symbolicName, p.address, p.socket}; }
IscsiTargetPortal FromPortal(const iscsictl::Portal& p) { return {p.symbolicName, p.address, p.socket}; }

std::vector<ControlRecord> MappingRecords(const IscsiTargetMapping& mapping) {
  std::vector<ControlRecord> records;
  for (const auto& lun : mapping.luns) {
    records.push_back(iscsictl::MappingRecord({lun.targetLun, mapping.osBusNumber, mapping.osTargetNumber, lun.osLun}));
  }
  return records;
}

}  // namespace

LinuxIscsiInitiator::LinuxIscsiInitiator(std::string socketPath, IBlockDevices& disks, IVolumeEnumerator& volumes)
    : client_(std::move(socketPath)), disks_(disks), volumes_(volumes) {}

IscsiStatus LinuxIscsiInitiator::StatusFromService(std::uint32_t status) {
  switch (status) {
    case iscsictl::kOk:
      return kIscsiStatusSuccess;
    case iscsictl::kNotSupported:
      return kIscsiStatusNotSupported;
    case iscsictl::kInvalidParameter:
      return kIscsiStatusInvalidParameter;
    case iscsictl::kTargetNotFound:
    case iscsictl::kSessionNotFound:
    case iscsictl::kPortalNotFound:
    case iscsictl::kPersistentNotFound:
    case iscsictl::kDeviceNotFound:
    case iscsictl::kInitiatorNotFound:
      return kIscsiStatusNotFound;
    case iscsictl::kConnectionFailed:
      return kIscsiStatusConnectionRefused;
    case iscsictl::kLoginFailed:
      return kIscsiStatusAccessDenied;
    case iscsictl::kTimedOut:
      return kIscsiStatusTimeout;
    case iscsictl::kDeviceBusy:
      return kIscsiStatusBusy;
    case iscsictl::kAlreadyExists:
      return kIscsiStatusAlreadyExists;
    case iscsictl::kScsiFailed:
      return kIscsiStatusIoDevice;
    default:
      return kIscsiStatusInternal;  // a request this service did not understand
  }
}

IscsiStatus LinuxIscsiInitiator::Call(const ControlMessage& request, ControlMessage* reply, int timeoutMs) {
  IscsiControlClient::Error error = IscsiControlClient::Error::kNone;
  auto answer = client_.Call(request, timeoutMs, &error);
  if (!answer) {
    switch (error) {
      case IscsiControlClient::Error::kNoService:
        return kIscsiStatusServiceNotActive;
      case IscsiControlClient::Error::kTimedOut:
        return kIscsiStatusTimeout;
      default:
        return kIscsiStatusInternal;
    }
  }
  const IscsiStatus status = StatusFromService(static_cast<std::uint32_t>((*answer)[0].GetU64Or("status", 0)));
  if (reply) *reply = std::move(*answer);
  return status;
}

IscsiStatus LinuxIscsiInitiator::Simple(const char* operation,
                                        std::vector<std::pair<const char*, std::string>> fields) {
  ControlRecord request = IscsiControlClient::Request(operation);
  for (const auto& [key, value] : fields) request.Set(key, value);
  return Call({request}, nullptr, kQuickMs);
}

IscsiStatus LinuxIscsiInitiator::AddIScsiSendTargetPortal(const std::string* initiatorInstance,
                                                          std::uint32_t initiatorPortNumber,
                                                          const IscsiLoginOptions* loginOptions,
                                                          std::uint64_t securityFlags,
                                                          const IscsiTargetPortal& portal) {
  iscsictl::SendTargetsPortal p;
  p.portal = ToPortal(portal);
  if (initiatorInstance) p.initiator = *initiatorInstance;
  p.initiatorPort = initiatorPortNumber;
  p.securityFlags = securityFlags;
  if (loginOptions) p.options = ToOptions(*loginOptions);
  ControlRecord request = IscsiControlClient::Request(op::kAddPortal);
  iscsictl::PutSendTargetsPortal(request, p);
  return Call({request}, nullptr, kDiscoveryMs);
}

IscsiStatus LinuxIscsiInitiator::PortalRequest(const char* operation, const std::string* initiatorInstance,
                                               std::uint32_t initiatorPortNumber, const IscsiTargetPortal& portal) {
  if (initiatorInstance && *initiatorInstance != iscsictl::kInitiatorInstance) return kIscsiStatusNotFound;
  if (initiatorPortNumber != kIscsiAnyInitiatorPort && initiatorPortNumber != 0) return kIscsiStatusInvalidParameter;
  ControlRecord request = IscsiControlClient::Request(operation);
  iscsictl::PutPortal(request, ToPortal(portal));
  return Call({request}, nullptr, kDiscoveryMs);
}

IscsiStatus LinuxIscsiInitiator::RemoveIScsiSendTargetPortal(const std::string* initiatorInstance,
                                                             std::uint32_t initiatorPortNumber,
                                                             const IscsiTargetPortal& portal) {
  return PortalRequest(op::kRemovePortal, initiatorInstance, initiatorPortNumber, portal);
}

IscsiStatus LinuxIscsiInitiator::RefreshIScsiSendTargetPortal(const std::string* initiatorInstance,
                                                              std::uint32_t initiatorPortNumber,
                                                              const IscsiTargetPortal& portal) {
  return PortalRequest(op::kRefreshPortal, initiatorInstance, initiatorPortNumber, portal);
}

IscsiStatus LinuxIscsiInitiator::ReportIScsiSendTargetPortalsEx(std::uint32_t& capacity,
                                                                std::vector<IscsiSendTargetPortalInfo>& portals) {
  ControlMessage reply;
  if (const IscsiStatus status = Call({IscsiControlClient::Request(op::kPortals)}, &reply, kQuickMs)) {
    portals.clear();
    return status;
  }
  std::vector<IscsiSendTargetPortalInfo> all;
  for (std::size_t i = 1; i < reply.size(); ++i) {
    iscsictl::SendTargetsPortal p;
    if (reply[i].type() != "portal" || !iscsictl::GetSendTargetsPortal(reply[i], p)) continue;
    all.push_back({p.initiator, p.initiatorPort, FromPortal(p.portal), p.securityFlags, FromOptions(p.options)});
  }
  return IscsiDeliverSized(capacity, all, portals);
}

IscsiStatus LinuxIscsiInitiator::ReportIScsiTargets(bool forceUpdate, std::uint32_t& capacity,
                                                    std::vector<std::string>& targetNames) {
  ControlRecord request = IscsiControlClient::Request(op::kTargets);
  request.SetBool("force", forceUpdate);
  ControlMessage reply;
  if (const IscsiStatus status = Call({request}, &reply, forceUpdate ? kDiscoveryMs : kQuickMs)) {
    targetNames.clear();
    return status;
  }
  std::vector<std::string> all;
  for (std::size_t i = 1; i < reply.size(); ++i) {
    if (reply[i].type() == "target") all.push_back(reply[i].Get("name"));
  }
  return IscsiDeliverSized(capacity, all, targetNames);
}

IscsiStatus LinuxIscsiInitiator::GetIScsiTargetInformation(const std::string& targetName,
                                                           const std::string* discoveryMechanism,
                                                           IscsiTargetInfoClass infoClass,
                                                           IscsiTargetInformation& info) {
  ControlRecord request = IscsiControlClient::Request(op::kTargetInfo);
  request.Set("name", targetName);
  if (discoveryMechanism) request.Set("mechanism", *discoveryMechanism);
  ControlMessage reply;
  if (const IscsiStatus status = Call({request}, &reply, kQuickMs)) return status;
  info = IscsiTargetInformation{};
  const ControlRecord& head = reply[0];
  switch (infoClass) {
    case IscsiTargetInfoClass::ProtocolType:
      info.protocolType = kIscsiProtocolTcp;
      break;
    case IscsiTargetInfoClass::TargetAlias:
      info.alias = head.Get("alias");
      break;
    case IscsiTargetInfoClass::InitiatorName: {
      const std::string initiator = head.Get("initiator");
      info.initiatorNames = {initiator.empty() ? std::string(iscsictl::kInitiatorInstance) : initiator};
      break;
    }
    case IscsiTargetInfoClass::TargetFlags:
      info.targetFlags = static_cast<std::uint32_t>(head.GetU64Or("flags", 0));
      break;
    case IscsiTargetInfoClass::LoginOptions: {
      iscsictl::LoginOptions options;
      if (iscsictl::GetOptions(head, options)) info.loginOptions = FromOptions(options);
      break;
    }
    default:
      break;
  }
  IscsiTargetMapping mapping;
  for (std::size_t i = 1; i < reply.size(); ++i) {
    const ControlRecord& r = reply[i];
    if (r.type() == "mechanism" && infoClass == IscsiTargetInfoClass::DiscoveryMechanisms) {
      info.discoveryMechanisms.push_back(r.Get("name"));
    } else if (r.type() == "group" && infoClass == IscsiTargetInfoClass::PortalGroups) {
      info.portalGroups.emplace_back();
    } else if (r.type() == "portal" && infoClass == IscsiTargetInfoClass::PortalGroups && !info.portalGroups.empty()) {
      iscsictl::Portal portal;
      if (iscsictl::GetPortal(r, portal)) info.portalGroups.back().portals.push_back(FromPortal(portal));
    } else if (r.type() == "mapping" && infoClass == IscsiTargetInfoClass::PersistentTargetMappings) {
      iscsictl::LunMapping m;
      if (!iscsictl::GetMapping(r, m)) continue;
      mapping.targetName = targetName;
      mapping.osBusNumber = m.osBus;
      mapping.osTargetNumber = m.osTarget;
      mapping.luns.push_back({m.osLun, m.targetLun});
    }
  }
  if (!mapping.luns.empty()) info.persistentMappings.push_back(std::move(mapping));
  return kIscsiStatusSuccess;
}

IscsiStatus LinuxIscsiInitiator::AddIScsiStaticTarget(const std::string& targetName, const std::string* targetAlias,
                                                      std::uint32_t targetFlags, bool persist,
                                                      const IscsiTargetMapping* mapping,
                                                      const IscsiLoginOptions* loginOptions,
                                                      const IscsiPortalGroup* portalGroup) {
  ControlRecord head = IscsiControlClient::Request(op::kAddTarget);
  head.Set("name", targetName).SetHex("flags", targetFlags).SetBool("persist", persist);
  if (targetAlias) head.Set("alias", *targetAlias);
  if (loginOptions) iscsictl::PutOptions(head, ToOptions(*loginOptions));
  ControlMessage request{head};
  if (portalGroup) {
    for (const auto& portal : portalGroup->portals) {
      ControlRecord record("portal");
      iscsictl::PutPortal(record, ToPortal(portal));
      request.push_back(std::move(record));
    }
  }
  if (mapping) {
    for (auto& record : MappingRecords(*mapping)) request.push_back(std::move(record));
  }
  return Call(request, nullptr, kQuickMs);
}

IscsiStatus LinuxIscsiInitiator::RemoveIScsiStaticTarget(const std::string& targetName) {
  return Simple(op::kRemoveTarget, {{"name", targetName}});
}

IscsiStatus LinuxIscsiInitiator::LoginIScsiTarget(const IscsiLoginRequest& request, IscsiUniqueSessionId& sessionId,
                                                  IscsiUniqueConnectionId& connectionId) {
  iscsictl::LoginRequest login;
  login.target = request.targetName;
  login.informational = request.isInformationalSession;
  if (request.initiatorInstance) login.initiator = *request.initiatorInstance;
  login.initiatorPort = request.initiatorPortNumber;
  if (request.targetPortal) login.portal = ToPortal(*request.targetPortal);
  login.securityFlags = request.securityFlags;
  if (request.loginOptions) login.options = ToOptions(*request.loginOptions);
  login.key.assign(request.key.begin(), request.key.end());
  login.persistent = request.isPersistent;
  ControlRecord head = IscsiControlClient::Request(op::kLogin);
  iscsictl::PutLoginRequest(head, login);
  ControlMessage message{head};
  if (request.mapping) {
    for (auto& record : MappingRecords(*request.mapping)) message.push_back(std::move(record));
  }
  ControlMessage reply;
  const IscsiStatus status = Call(message, &reply, kLoginMs);
  if (status != kIscsiStatusSuccess || request.isPersistent) return status;
  const auto session = iscsictl::ParseUniqueId(reply[0].Get("session"));
  const auto connection = iscsictl::ParseUniqueId(reply[0].Get("connection"));
  if (!session || !connection) return kIscsiStatusInternal;
  sessionId = {session->adapterUnique, session->adapterSpecific};
  connectionId = {connection->adapterUnique, connection->adapterSpecific};
  return status;
}

IscsiStatus LinuxIscsiInitiator::LogoutIScsiTarget(const IscsiUniqueSessionId& sessionId) {
  return Simple(op::kLogout,
                {{"session", iscsictl::UniqueIdText({sessionId.adapterUnique, sessionId.adapterSpecific})}});
}

IscsiStatus LinuxIscsiInitiator::ReportIScsiPersistentLogins(std::uint32_t& capacity,
                                                             std::vector<IscsiPersistentLogin>& logins) {
  ControlMessage reply;
  if (const IscsiStatus status = Call({IscsiControlClient::Request(op::kPersistentLogins)}, &reply, kQuickMs)) {
    logins.clear();
    return status;
  }
  std::vector<IscsiPersistentLogin> all;
  for (std::size_t i = 1; i < reply.size(); ++i) {
    const ControlRecord& r = reply[i];
    iscsictl::LunMapping m;
    if (r.type() == "mapping" && !all.empty() && iscsictl::GetMapping(r, m)) {
      if (!all.back().mapping) {
        all.back().mapping = IscsiTargetMapping{};
        all.back().mapping->targetName = all.back().targetName;
        all.back().mapping->osBusNumber = m.osBus;
        all.back().mapping->osTargetNumber = m.osTarget;
      }
      all.back().mapping->luns.push_back({m.osLun, m.targetLun});
      continue;
    }
    iscsictl::LoginRequest login;
    if (r.type() != "login" || !iscsictl::GetLoginRequest(r, login)) continue;
    IscsiPersistentLogin p;
    p.targetName = login.target;
    p.isInformationalSession = login.informational;
    p.initiatorInstance = login.initiator;
    p.initiatorPortNumber = login.initiatorPort;
    if (login.portal) p.targetPortal = FromPortal(*login.portal);
    p.securityFlags = login.securityFlags;
    p.loginOptions = FromOptions(login.options);
    all.push_back(std::move(p));
  }
  return IscsiDeliverSized(capacity, all, logins);
}

IscsiStatus LinuxIscsiInitiator::RemoveIScsiPersistentTarget(const std::string* initiatorInstance,
                                                             std::uint32_t initiatorPortNumber,
                                                             const std::string& targetName,
                                                             const IscsiTargetPortal* portal) {
  if (initiatorPortNumber != kIscsiAnyInitiatorPort && initiatorPortNumber != 0) return kIscsiStatusNotFound;
  ControlRecord request = IscsiControlClient::Request(op::kRemovePersistent);
  request.Set("target", targetName);
  if (initiatorInstance) request.Set("initiator", *initiatorInstance);
  if (portal) iscsictl::PutPortal(request, ToPortal(*portal));
  return Call({request}, nullptr, kQuickMs);
}

IscsiStatus LinuxIscsiInitiator::ReportIScsiInitiatorList(std::uint32_t& capacity,
                                                          std::vector<std::string>& initiators) {
  ControlMessage reply;
  if (const IscsiStatus status = Call({IscsiControlClient::Request(op::kInitiators)}, &reply, kQuickMs)) {
    initiators.clear();
    return status;
  }
  std::vector<std::string> all;
  for (std::size_t i = 1; i < reply.size(); ++i) {
    if (reply[i].type() == "initiator") all.push_back(reply[i].Get("name"));
  }
  return IscsiDeliverSized(capacity, all, initiators);
}

}  // namespace sp
