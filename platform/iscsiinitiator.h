#pragma once
// The PC's iSCSI initiator: send-targets discovery, static targets, sessions
// and connections, persistent logins, SCSI pass-through, iSNS and the
// initiator's own settings. The command interpreter drives it; the Linux
// backend is our initiator service, tests use the stateful fake.
//
// Conventions every backend keeps:
//  - Every operation returns an IscsiStatus: 0 for success, otherwise an error
//    number that callers pass on unchanged. The numbers below are used where a
//    caller acts on the meaning; a backend may return others of its own.
//  - Report operations read lists in two steps. `capacity` says how many
//    records the caller is ready to take. When the initiator holds more, the
//    call returns kIscsiStatusInsufficientBuffer (122), sets `capacity` to the
//    number it needs and leaves the list empty; the caller asks again with
//    that capacity. On success `capacity` becomes the number of records
//    delivered. Asking with capacity 0 is the size query. The list is a
//    vector the backend fills, so a wrong capacity can never overrun memory.
//    IscsiDeliverSized below implements the rule for backends.
//  - Texts are UTF-8. An absent optional argument is a null pointer.
//  - A persistent login is recorded and re-established whenever the initiator
//    service starts; it does not log in now. An ordinary login logs in now
//    and is forgotten at logout.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sp {

using IscsiStatus = std::uint32_t;

inline constexpr IscsiStatus kIscsiStatusSuccess = 0;
inline constexpr IscsiStatus kIscsiStatusNotEnoughMemory = 8;
inline constexpr IscsiStatus kIscsiStatusInvalidParameter = 87;
inline constexpr IscsiStatus kIscsiStatusInsufficientBuffer = 122;
inline constexpr IscsiStatus kIscsiStatusNotFound = 1168;
inline constexpr IscsiStatus kIscsiStatusConnectionRefused = 1225;
inline constexpr IscsiStatus kIscsiStatusUnreachable = 1231;
// The initiator service is not running, or did not answer in time.
inline constexpr IscsiStatus kIscsiStatusServiceNotActive = 1062;
inline constexpr IscsiStatus kIscsiStatusTimeout = 1460;

// Initiator port number that lets the initiator choose any of its ports.
inline constexpr std::uint32_t kIscsiAnyInitiatorPort = 0xFFFFFFFFu;

// Login option bits of IscsiLoginOptions::informationSpecified: which of the
// option fields carry a value (unset fields take the initiator's default).
inline constexpr std::uint32_t kIscsiLoginOptionHeaderDigest = 0x01;
inline constexpr std::uint32_t kIscsiLoginOptionDataDigest = 0x02;
inline constexpr std::uint32_t kIscsiLoginOptionMaximumConnections = 0x04;
inline constexpr std::uint32_t kIscsiLoginOptionDefaultTime2Wait = 0x08;
inline constexpr std::uint32_t kIscsiLoginOptionDefaultTime2Retain = 0x10;
inline constexpr std::uint32_t kIscsiLoginOptionUsername = 0x20;
inline constexpr std::uint32_t kIscsiLoginOptionPassword = 0x40;
inline constexpr std::uint32_t kIscsiLoginOptionAuthType = 0x80;

inline constexpr std::uint32_t kIscsiLoginFlagRequireIpsec = 0x01;
inline constexpr std::uint32_t kIscsiLoginFlagMultipathEnabled = 0x02;

inline constexpr std::uint32_t kIscsiDigestNone = 0;
inline constexpr std::uint32_t kIscsiDigestCrc32c = 1;

inline constexpr std::uint32_t kIscsiAuthNone = 0;
inline constexpr std::uint32_t kIscsiAuthChap = 1;
inline constexpr std::uint32_t kIscsiAuthMutualChap = 2;

// Security flags (IPsec preferences of a portal or login).
inline constexpr std::uint64_t kIscsiSecurityTunnelMode = 0x40;
inline constexpr std::uint64_t kIscsiSecurityTransportMode = 0x20;
inline constexpr std::uint64_t kIscsiSecurityPfsEnabled = 0x10;
inline constexpr std::uint64_t kIscsiSecurityAggressiveMode = 0x08;
inline constexpr std::uint64_t kIscsiSecurityMainMode = 0x04;
inline constexpr std::uint64_t kIscsiSecurityIkeIpsecEnabled = 0x02;
inline constexpr std::uint64_t kIscsiSecurityValid = 0x01;

// Target flags of a static target.
inline constexpr std::uint32_t kIscsiTargetFlagHideStaticTarget = 0x02;
inline constexpr std::uint32_t kIscsiTargetFlagMergeTargetInformation = 0x04;

// Storage device type of a disk (IscsiStorageDeviceNumber::deviceType).
inline constexpr std::uint32_t kIscsiStorageDeviceTypeDisk = 0x07;

// A session or connection identifier: a part unique to the initiator adapter
// and a part the adapter chose.
struct IscsiUniqueSessionId {
  std::uint64_t adapterUnique = 0;
  std::uint64_t adapterSpecific = 0;
  friend bool operator==(const IscsiUniqueSessionId&, const IscsiUniqueSessionId&) = default;
};
using IscsiUniqueConnectionId = IscsiUniqueSessionId;

struct IscsiTargetPortal {
  std::string symbolicName;
  std::string address;  // host name or IPv4/IPv6 address text
  std::uint16_t socket = 0;
};

struct IscsiPortalGroup {
  std::vector<IscsiTargetPortal> portals;
};

struct IscsiLoginOptions {
  std::uint32_t version = 0;
  std::uint32_t informationSpecified = 0;  // kIscsiLoginOption* bits
  std::uint32_t loginFlags = 0;            // kIscsiLoginFlag* bits
  std::uint32_t authType = kIscsiAuthNone;
  std::uint32_t headerDigest = kIscsiDigestNone;
  std::uint32_t dataDigest = kIscsiDigestNone;
  std::uint32_t maximumConnections = 0;
  std::uint32_t defaultTime2Wait = 0;
  std::uint32_t defaultTime2Retain = 0;
  std::vector<std::uint8_t> username;
  std::vector<std::uint8_t> password;
};

// One LUN of a target mapping. `targetLun` is the target's eight-byte LUN
// field read as a big-endian number (LUN 1 of a flat target is
// 0x0001000000000000); `osLun` is the LUN the PC shows for it.
struct IscsiLunEntry {
  std::uint32_t osLun = 0;
  std::uint64_t targetLun = 0;
};

// How a session's LUNs appear on the PC: one bus and target id for the
// session, one entry per LUN.
struct IscsiTargetMapping {
  std::string initiatorName;  // initiator instance
  std::string targetName;
  std::string osDeviceName;  // initiator's SCSI device
  IscsiUniqueSessionId sessionId;
  std::uint32_t osBusNumber = 0;
  std::uint32_t osTargetNumber = 0;
  std::vector<IscsiLunEntry> luns;
};

struct IscsiConnectionInfo {
  IscsiUniqueConnectionId connectionId;
  std::string initiatorAddress;
  std::string targetAddress;
  std::uint16_t initiatorSocket = 0;
  std::uint16_t targetSocket = 0;
  std::array<std::uint8_t, 2> cid{};
};

struct IscsiSessionInfo {
  IscsiUniqueSessionId sessionId;
  std::string initiatorName;   // the initiator's node name
  std::string targetNodeName;  // name the target gave at login
  std::string targetName;      // name the login asked for
  std::array<std::uint8_t, 6> isid{};
  std::array<std::uint8_t, 2> tsid{};
  std::vector<IscsiConnectionInfo> connections;
};

// Device interface class of a device behind a session.
enum class IscsiDeviceInterface { Disk, Tape, CdRom, WriteOnceDisk, CdChanger, MediumChanger, Floppy, Unknown };

struct IscsiStorageDeviceNumber {
  std::uint32_t deviceType = 0;    // kIscsiStorageDeviceTypeDisk for disks
  std::uint32_t deviceNumber = 0;  // disk number; volumes name it in their extents
  std::uint32_t partitionNumber = 0;
};

struct IscsiDeviceOnSession {
  std::string initiatorName;
  std::string targetName;
  IscsiDeviceInterface interfaceClass = IscsiDeviceInterface::Unknown;
  std::string deviceInterfaceName;  // path by which the device is opened
  IscsiStorageDeviceNumber storageDeviceNumber;
  std::uint32_t osLun = 0;
};

struct IscsiPersistentLogin {
  std::string targetName;
  bool isInformationalSession = false;
  std::string initiatorInstance;
  std::uint32_t initiatorPortNumber = kIscsiAnyInitiatorPort;
  IscsiTargetPortal targetPortal;  // empty address: any portal of the target
  std::uint64_t securityFlags = 0;
  std::optional<IscsiTargetMapping> mapping;
  IscsiLoginOptions loginOptions;
};

struct IscsiSendTargetPortalInfo {
  std::string initiatorName;
  std::uint32_t initiatorPortNumber = kIscsiAnyInitiatorPort;
  IscsiTargetPortal portal;
  std::uint64_t securityFlags = 0;
  IscsiLoginOptions loginOptions;
};

// Everything a login needs. Optional parts are absent by default.
struct IscsiLoginRequest {
  std::string targetName;
  bool isInformationalSession = false;  // true: not reported to the disk layer
  std::optional<std::string> initiatorInstance;
  std::uint32_t initiatorPortNumber = kIscsiAnyInitiatorPort;
  std::optional<IscsiTargetPortal> targetPortal;
  std::uint64_t securityFlags = 0;
  std::optional<IscsiTargetMapping> mapping;
  std::optional<IscsiLoginOptions> loginOptions;
  std::vector<std::uint8_t> key;  // IPsec pre-shared key, empty for none
  bool isPersistent = false;
};

enum class IscsiTargetInfoClass {
  ProtocolType,
  TargetAlias,
  DiscoveryMechanisms,
  PortalGroups,
  PersistentTargetMappings,
  InitiatorName,
  TargetFlags,
  LoginOptions,
};

inline constexpr std::uint32_t kIscsiProtocolTcp = 0;

// The answer of one information class; only the fields of the asked class
// are meaningful.
struct IscsiTargetInformation {
  std::uint32_t protocolType = kIscsiProtocolTcp;
  std::string alias;
  std::vector<std::string> discoveryMechanisms;
  std::vector<IscsiPortalGroup> portalGroups;
  std::vector<IscsiTargetMapping> persistentMappings;
  std::vector<std::string> initiatorNames;
  std::uint32_t targetFlags = 0;
  IscsiLoginOptions loginOptions;
};

// Result of a SCSI command sent through a session. A transport status of 0
// means the command reached the target; `scsiStatus` then says how it ended
// (0 good, 2 check condition with `sense` filled). `response` holds at most
// the allocation length the caller gave.
struct IscsiScsiResult {
  std::uint8_t scsiStatus = 0;
  std::vector<std::uint8_t> response;
  std::vector<std::uint8_t> sense;
};

// IKE identity types of IscsiIkeAuthInfo::idType.
inline constexpr std::uint8_t kIscsiIkeIdIpv4Address = 1;
inline constexpr std::uint8_t kIscsiIkeIdFqdn = 2;
inline constexpr std::uint8_t kIscsiIkeIdUserFqdn = 3;
inline constexpr std::uint8_t kIscsiIkeIdIpv6Address = 5;

inline constexpr std::uint32_t kIscsiIkeAuthPresharedKey = 1;

struct IscsiIkeAuthInfo {
  std::uint32_t authMethod = kIscsiIkeAuthPresharedKey;
  std::uint64_t securityFlags = 0;
  std::uint8_t idType = 0;
  std::vector<std::uint8_t> id;  // 4 or 16 address bytes, or the name's text
  std::vector<std::uint8_t> key;
};

class IIscsiInitiator {
 public:
  virtual ~IIscsiInitiator() = default;

  // Send-targets portals. Adding a portal discovers its targets at once; a
  // portal that cannot be reached is not added.
  virtual IscsiStatus AddIScsiSendTargetPortal(const std::string* initiatorInstance, std::uint32_t initiatorPortNumber,
                                               const IscsiLoginOptions* loginOptions, std::uint64_t securityFlags,
                                               const IscsiTargetPortal& portal) = 0;
  virtual IscsiStatus RemoveIScsiSendTargetPortal(const std::string* initiatorInstance,
                                                  std::uint32_t initiatorPortNumber,
                                                  const IscsiTargetPortal& portal) = 0;
  virtual IscsiStatus RefreshIScsiSendTargetPortal(const std::string* initiatorInstance,
                                                   std::uint32_t initiatorPortNumber,
                                                   const IscsiTargetPortal& portal) = 0;
  virtual IscsiStatus ReportIScsiSendTargetPortalsEx(std::uint32_t& capacity,
                                                     std::vector<IscsiSendTargetPortalInfo>& portals) = 0;

  // Targets known from discovery and static entries.
  virtual IscsiStatus ReportIScsiTargets(bool forceUpdate, std::uint32_t& capacity,
                                         std::vector<std::string>& targetNames) = 0;
  virtual IscsiStatus GetIScsiTargetInformation(const std::string& targetName, const std::string* discoveryMechanism,
                                                IscsiTargetInfoClass infoClass, IscsiTargetInformation& info) = 0;
  virtual IscsiStatus AddIScsiStaticTarget(const std::string& targetName, const std::string* targetAlias,
                                           std::uint32_t targetFlags, bool persist, const IscsiTargetMapping* mapping,
                                           const IscsiLoginOptions* loginOptions,
                                           const IscsiPortalGroup* portalGroup) = 0;
  virtual IscsiStatus RemoveIScsiStaticTarget(const std::string& targetName) = 0;

  // Sessions. A persistent request records the login and leaves both ids
  // untouched; an ordinary one logs in and fills them.
  virtual IscsiStatus LoginIScsiTarget(const IscsiLoginRequest& request, IscsiUniqueSessionId& sessionId,
                                       IscsiUniqueConnectionId& connectionId) = 0;
  virtual IscsiStatus LogoutIScsiTarget(const IscsiUniqueSessionId& sessionId) = 0;
  virtual IscsiStatus GetIScsiSessionList(std::uint32_t& capacity, std::vector<IscsiSessionInfo>& sessions) = 0;
  virtual IscsiStatus GetDevicesForIScsiSession(const IscsiUniqueSessionId& sessionId, std::uint32_t& capacity,
                                                std::vector<IscsiDeviceOnSession>& devices) = 0;
  virtual IscsiStatus ReportActiveIScsiTargetMappings(std::uint32_t& capacity,
                                                      std::vector<IscsiTargetMapping>& mappings) = 0;

  // Persistent logins. Removal matches the target name and every given
  // criterion: a null initiator, kIscsiAnyInitiatorPort or a null portal
  // match any.
  virtual IscsiStatus ReportIScsiPersistentLogins(std::uint32_t& capacity,
                                                  std::vector<IscsiPersistentLogin>& logins) = 0;
  virtual IscsiStatus RemoveIScsiPersistentTarget(const std::string* initiatorInstance,
                                                  std::uint32_t initiatorPortNumber, const std::string& targetName,
                                                  const IscsiTargetPortal* portal) = 0;

  virtual IscsiStatus ReportIScsiInitiatorList(std::uint32_t& capacity, std::vector<std::string>& initiators) = 0;

  // Connections of a session. A null portal reuses the session's first one.
  virtual IscsiStatus AddIScsiConnection(const IscsiUniqueSessionId& sessionId, const std::string* initiatorInstance,
                                         std::uint32_t initiatorPortNumber, const IscsiTargetPortal* portal,
                                         std::uint64_t securityFlags, const IscsiLoginOptions* loginOptions,
                                         const std::vector<std::uint8_t>& key,
                                         IscsiUniqueConnectionId& connectionId) = 0;
  virtual IscsiStatus RemoveIScsiConnection(const IscsiUniqueSessionId& sessionId,
                                            const IscsiUniqueConnectionId& connectionId) = 0;

  // SCSI commands through a session, to the LUN given in the target's form.
  virtual IscsiStatus SendScsiInquiry(const IscsiUniqueSessionId& sessionId, std::uint64_t lun, std::uint8_t evpdCmddt,
                                      std::uint8_t pageCode, std::uint32_t allocationLength,
                                      IscsiScsiResult& result) = 0;
  virtual IscsiStatus SendScsiReadCapacity(const IscsiUniqueSessionId& sessionId, std::uint64_t lun,
                                           std::uint32_t allocationLength, IscsiScsiResult& result) = 0;
  virtual IscsiStatus SendScsiReportLuns(const IscsiUniqueSessionId& sessionId, std::uint32_t allocationLength,
                                         IscsiScsiResult& result) = 0;

  // iSNS servers. Refresh with a null address refreshes all of them.
  virtual IscsiStatus AddISNSServer(const std::string& address) = 0;
  virtual IscsiStatus RemoveISNSServer(const std::string& address) = 0;
  virtual IscsiStatus RefreshISNSServer(const std::string* address) = 0;
  virtual IscsiStatus ReportISNSServerList(std::uint32_t& capacity, std::vector<std::string>& servers) = 0;

  // Initiator settings. An empty CHAP secret clears it; a null node name
  // restores the default one.
  virtual IscsiStatus SetIScsiInitiatorCHAPSharedSecret(const std::vector<std::uint8_t>& secret) = 0;
  virtual IscsiStatus SetIScsiInitiatorNodeName(const std::string* nodeName) = 0;
  virtual IscsiStatus SetIScsiTunnelModeOuterAddress(const std::string* initiatorName,
                                                     std::uint32_t initiatorPortNumber,
                                                     const std::string* destinationAddress,
                                                     const std::string* outerModeAddress, bool persist) = 0;
  virtual IscsiStatus SetIScsiGroupPresharedKey(const std::vector<std::uint8_t>& key, bool persist) = 0;
  virtual IscsiStatus SetIScsiIKEInfo(const std::string* initiatorName, std::uint32_t initiatorPortNumber,
                                      const IscsiIkeAuthInfo& authInfo, bool persist) = 0;
  // `authInfo` carries the identity asked for (idType, id) in and the stored
  // information out.
  virtual IscsiStatus GetIScsiIKEInfo(const std::string* initiatorName, std::uint32_t initiatorPortNumber,
                                      IscsiIkeAuthInfo& authInfo) = 0;

  // Devices and volumes the initiator service waits for at start-up.
  virtual IscsiStatus SetupPersistentIScsiVolumes() = 0;
  virtual IscsiStatus AddPersistentIScsiDevice(const std::string& path) = 0;
  virtual IscsiStatus RemovePersistentIScsiDevice(const std::string& path) = 0;
  virtual IscsiStatus ClearPersistentIScsiDevices() = 0;
  virtual IscsiStatus ReportPersistentIScsiDevices(std::uint32_t& capacity, std::vector<std::string>& paths) = 0;
};

// The two-step read rule for backends: deliver `all` into `out` when the
// caller's capacity suffices, else report the size needed.
template <typename T>
IscsiStatus IscsiDeliverSized(std::uint32_t& capacity, const std::vector<T>& all, std::vector<T>& out) {
  out.clear();
  const auto needed = static_cast<std::uint32_t>(all.size());
  if (capacity < needed) {
    capacity = needed;
    return kIscsiStatusInsufficientBuffer;
  }
  out = all;
  capacity = needed;
  return kIscsiStatusSuccess;
}

}  // namespace sp
