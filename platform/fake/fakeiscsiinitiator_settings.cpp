// Target information, iSNS servers, initiator settings and persistent devices
// of the fake initiator.
#include <algorithm>

#include "platform/fake/fakeiscsiinitiator.h"

namespace sp {

IscsiStatus FakeIscsiInitiator::GetIScsiTargetInformation(const std::string& targetName,
                                                          const std::string* discoveryMechanism,
                                                          IscsiTargetInfoClass infoClass,
                                                          IscsiTargetInformation& info) {
  if (auto s = Enter(Op::GetIScsiTargetInformation)) return *s;
  info = IscsiTargetInformation{};
  std::vector<std::string> mechanisms;
  IscsiPortalGroup group;
  const Target* target = nullptr;
  const IscsiLoginOptions* options = nullptr;
  for (const IscsiSendTargetPortalInfo& listed : sendTargetPortals_) {
    const Portal* p = FindReachable(listed.portal.address, listed.portal.socket);
    const Target* t = p ? FindOffered(*p, targetName) : nullptr;
    if (!t) continue;
    target = target ? target : t;
    options = options ? options : &listed.loginOptions;
    mechanisms.push_back("SendTargets " + p->address + " " + std::to_string(p->socket));
    group.portals.push_back(IscsiTargetPortal{"", p->address, p->socket});
  }
  auto st = std::find_if(statics_.begin(), statics_.end(), [&](const StaticTarget& s) { return s.name == targetName; });
  if (st != statics_.end()) {
    mechanisms.push_back("Static");
    for (const IscsiTargetPortal& p : st->portals.portals) group.portals.push_back(p);
    if (st->loginOptions) options = &*st->loginOptions;
  }
  if (mechanisms.empty()) return kIscsiStatusNotFound;
  if (discoveryMechanism && std::find(mechanisms.begin(), mechanisms.end(), *discoveryMechanism) == mechanisms.end()) {
    return kIscsiStatusNotFound;
  }
  switch (infoClass) {
    case IscsiTargetInfoClass::ProtocolType:
      info.protocolType = kIscsiProtocolTcp;
      break;
    case IscsiTargetInfoClass::TargetAlias:
      info.alias = st != statics_.end() && !st->alias.empty() ? st->alias : target ? target->alias : std::string();
      if (info.alias.empty()) return kIscsiStatusNotFound;  // the target announced no alias
      break;
    case IscsiTargetInfoClass::DiscoveryMechanisms:
      info.discoveryMechanisms = mechanisms;
      break;
    case IscsiTargetInfoClass::PortalGroups:
      info.portalGroups.push_back(group);
      break;
    case IscsiTargetInfoClass::PersistentTargetMappings:
      for (const IscsiPersistentLogin& p : persistentLogins_) {
        if (p.targetName == targetName && p.mapping) info.persistentMappings.push_back(*p.mapping);
      }
      break;
    case IscsiTargetInfoClass::InitiatorName:
      info.initiatorNames = instances_;
      break;
    case IscsiTargetInfoClass::TargetFlags:
      info.targetFlags = st != statics_.end() ? st->flags : 0;
      break;
    case IscsiTargetInfoClass::LoginOptions:
      if (options) info.loginOptions = *options;
      break;
  }
  return kIscsiStatusSuccess;
}

// --- iSNS -------------------------------------------------------------------

IscsiStatus FakeIscsiInitiator::AddISNSServer(const std::string& address) {
  if (auto s = Enter(Op::AddISNSServer)) return *s;
  if (address.empty()) return kIscsiStatusInvalidParameter;
  if (std::find(isns_.begin(), isns_.end(), address) == isns_.end()) isns_.push_back(address);
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::RemoveISNSServer(const std::string& address) {
  if (auto s = Enter(Op::RemoveISNSServer)) return *s;
  return std::erase(isns_, address) ? kIscsiStatusSuccess : kIscsiStatusNotFound;
}

IscsiStatus FakeIscsiInitiator::RefreshISNSServer(const std::string* address) {
  if (auto s = Enter(Op::RefreshISNSServer)) return *s;
  if (!address) return kIscsiStatusSuccess;
  return std::find(isns_.begin(), isns_.end(), *address) != isns_.end() ? kIscsiStatusSuccess : kIscsiStatusNotFound;
}

IscsiStatus FakeIscsiInitiator::ReportISNSServerList(std::uint32_t& capacity, std::vector<std::string>& servers) {
  if (auto s = Enter(Op::ReportISNSServerList)) return *s;
  return IscsiDeliverSized(capacity, isns_, servers);
}

// --- Initiator settings -----------------------------------------------------

IscsiStatus FakeIscsiInitiator::SetIScsiInitiatorCHAPSharedSecret(const std::vector<std::uint8_t>& secret) {
  if (auto s = Enter(Op::SetIScsiInitiatorCHAPSharedSecret)) return *s;
  chapSecret_ = secret;
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::SetIScsiInitiatorNodeName(const std::string* nodeName) {
  if (auto s = Enter(Op::SetIScsiInitiatorNodeName)) return *s;
  if (nodeName && nodeName->empty()) return kIscsiStatusInvalidParameter;
  nodeName_ = nodeName ? std::optional<std::string>(*nodeName) : std::nullopt;
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::SetIScsiTunnelModeOuterAddress(const std::string* initiatorName,
                                                               std::uint32_t initiatorPortNumber,
                                                               const std::string* destinationAddress,
                                                               const std::string* outerModeAddress, bool persist) {
  if (auto s = Enter(Op::SetIScsiTunnelModeOuterAddress)) return *s;
  TunnelSetting t;
  if (initiatorName) t.initiatorName = *initiatorName;
  t.initiatorPortNumber = initiatorPortNumber;
  if (destinationAddress) t.destinationAddress = *destinationAddress;
  if (outerModeAddress) t.outerModeAddress = *outerModeAddress;
  t.persist = persist;
  tunnels_.push_back(std::move(t));
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::SetIScsiGroupPresharedKey(const std::vector<std::uint8_t>& key, bool persist) {
  if (auto s = Enter(Op::SetIScsiGroupPresharedKey)) return *s;
  groupKey_ = key;
  groupKeyPersist_ = persist;
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::SetIScsiIKEInfo(const std::string* initiatorName, std::uint32_t initiatorPortNumber,
                                                const IscsiIkeAuthInfo& authInfo, bool /*persist*/) {
  if (auto s = Enter(Op::SetIScsiIKEInfo)) return *s;
  if (authInfo.authMethod != kIscsiIkeAuthPresharedKey) return kIscsiStatusInvalidParameter;
  IkeEntry entry{initiatorName ? std::optional<std::string>(*initiatorName) : std::nullopt, initiatorPortNumber,
                 authInfo};
  std::erase_if(ike_, [&](const IkeEntry& e) {
    return e.initiatorName == entry.initiatorName && e.initiatorPortNumber == initiatorPortNumber &&
           e.info.idType == authInfo.idType && e.info.id == authInfo.id;
  });
  ike_.push_back(std::move(entry));
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::GetIScsiIKEInfo(const std::string* initiatorName, std::uint32_t initiatorPortNumber,
                                                IscsiIkeAuthInfo& authInfo) {
  if (auto s = Enter(Op::GetIScsiIKEInfo)) return *s;
  const std::optional<std::string> name = initiatorName ? std::optional<std::string>(*initiatorName) : std::nullopt;
  for (const IkeEntry& e : ike_) {
    if (e.initiatorName == name && e.initiatorPortNumber == initiatorPortNumber && e.info.idType == authInfo.idType &&
        e.info.id == authInfo.id) {
      authInfo = e.info;
      return kIscsiStatusSuccess;
    }
  }
  return kIscsiStatusNotFound;
}

// --- Persistent devices -----------------------------------------------------

IscsiStatus FakeIscsiInitiator::SetupPersistentIScsiVolumes() {
  if (auto s = Enter(Op::SetupPersistentIScsiVolumes)) return *s;
  volumesBound_ = true;
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::AddPersistentIScsiDevice(const std::string& path) {
  if (auto s = Enter(Op::AddPersistentIScsiDevice)) return *s;
  if (path.empty()) return kIscsiStatusInvalidParameter;
  if (std::find(persistentDevices_.begin(), persistentDevices_.end(), path) == persistentDevices_.end()) {
    persistentDevices_.push_back(path);
  }
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::RemovePersistentIScsiDevice(const std::string& path) {
  if (auto s = Enter(Op::RemovePersistentIScsiDevice)) return *s;
  return std::erase(persistentDevices_, path) ? kIscsiStatusSuccess : kIscsiStatusNotFound;
}

IscsiStatus FakeIscsiInitiator::ClearPersistentIScsiDevices() {
  if (auto s = Enter(Op::ClearPersistentIScsiDevices)) return *s;
  persistentDevices_.clear();
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::ReportPersistentIScsiDevices(std::uint32_t& capacity, std::vector<std::string>& paths) {
  if (auto s = Enter(Op::ReportPersistentIScsiDevices)) return *s;
  return IscsiDeliverSized(capacity, persistentDevices_, paths);
}

}  // namespace sp
