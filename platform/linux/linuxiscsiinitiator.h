#pragma once
// The initiator interface on Linux: our initiator service (setuppilot-iscsid,
// libiscsi with LUN files through FUSE), reached over its control socket.
//
// What the service cannot do here answers with ERROR_NOT_SUPPORTED (50):
// extra connections in a session (libiscsi carries one connection per
// session), IPsec and IKE (pre-shared keys, group keys, tunnel-mode
// addresses, security flags asking for IPsec), mutual CHAP, CRC32C data
// digests, and adding, removing or refreshing iSNS servers (the list of
// iSNS servers is always empty). Persistent devices are kept and reported;
// the service does not wait for them at start, because nothing mounts iSCSI
// volumes before it runs.
//
// Status numbers: 0 success, 122 size query, 87 invalid parameter, 50 not
// supported, 1168 not found (target, session, portal, persistent login,
// device, initiator instance), 1225 connection refused by the portal, 5
// login refused by the target, 1460 timed out, 170 a device of the session
// is in use (a mounted or looped LUN file is not pulled away), 183 already
// exists, 1117 a SCSI command got no answer, 1062 the service is not
// running, 1359 a broken exchange with the service.
#include <string>

#include "platform/blockdevices.h"
#include "platform/iscsiinitiator.h"
#include "platform/linux/iscsicontrolclient.h"
#include "platform/volumeenumerator.h"

namespace sp {

inline constexpr IscsiStatus kIscsiStatusAccessDenied = 5;
inline constexpr IscsiStatus kIscsiStatusNotSupported = 50;
inline constexpr IscsiStatus kIscsiStatusBusy = 170;
inline constexpr IscsiStatus kIscsiStatusAlreadyExists = 183;
inline constexpr IscsiStatus kIscsiStatusIoDevice = 1117;
inline constexpr IscsiStatus kIscsiStatusInternal = 1359;

class LinuxIscsiInitiator : public IIscsiInitiator {
 public:
  // `disks` numbers the LUN files as physical drives (the device numbers
  // the session reports give); `volumes` finds the volumes on them for
  // SetupPersistentIScsiVolumes.
  LinuxIscsiInitiator(std::string socketPath, IBlockDevices& disks, IVolumeEnumerator& volumes);

  // Maps a control-protocol status onto this interface's numbers.
  static IscsiStatus StatusFromService(std::uint32_t status);

  IscsiStatus AddIScsiSendTargetPortal(const std::string* initiatorInstance, std::uint32_t initiatorPortNumber,
                                       const IscsiLoginOptions* loginOptions, std::uint64_t securityFlags,
                                       const IscsiTargetPortal& portal) override;
  IscsiStatus RemoveIScsiSendTargetPortal(const std::string* initiatorInstance, std::uint32_t initiatorPortNumber,
                                          const IscsiTargetPortal& portal) override;
  IscsiStatus RefreshIScsiSendTargetPortal(const std::string* initiatorInstance, std::uint32_t initiatorPortNumber,
                                           const IscsiTargetPortal& portal) override;
  IscsiStatus ReportIScsiSendTargetPortalsEx(std::uint32_t& capacity,
                                             std::vector<IscsiSendTargetPortalInfo>& portals) override;
  IscsiStatus ReportIScsiTargets(bool forceUpdate, std::uint32_t& capacity,
                                 std::vector<std::string>& targetNames) override;
  IscsiStatus GetIScsiTargetInformation(const std::string& targetName, const std::string* discoveryMechanism,
                                        IscsiTargetInfoClass infoClass, IscsiTargetInformation& info) override;
  IscsiStatus AddIScsiStaticTarget(const std::string& targetName, const std::string* targetAlias,
                                   std::uint32_t targetFlags, bool persist, const IscsiTargetMapping* mapping,
                                   const IscsiLoginOptions* loginOptions, const IscsiPortalGroup* portalGroup) override;
  IscsiStatus RemoveIScsiStaticTarget(const std::string& targetName) override;
  IscsiStatus LoginIScsiTarget(const IscsiLoginRequest& request, IscsiUniqueSessionId& sessionId,
                               IscsiUniqueConnectionId& connectionId) override;
  IscsiStatus LogoutIScsiTarget(const IscsiUniqueSessionId& sessionId) override;
  IscsiStatus GetIScsiSessionList(std::uint32_t& capacity, std::vector<IscsiSessionInfo>& sessions) override;
  IscsiStatus GetDevicesForIScsiSession(const IscsiUniqueSessionId& sessionId, std::uint32_t& capacity,
                                        std::vector<IscsiDeviceOnSession>& devices) override;
  IscsiStatus ReportActiveIScsiTargetMappings(std::uint32_t& capacity,
                                              std::vector<IscsiTargetMapping>& mappings) override;
  IscsiStatus ReportIScsiPersistentLogins(std::uint32_t& capacity, std::vector<IscsiPersistentLogin>& logins) override;
  IscsiStatus RemoveIScsiPersistentTarget(const std::string* initiatorInstance, std::uint32_t initiatorPortNumber,
                                          const std::string& targetName, const IscsiTargetPortal* portal) override;
  IscsiStatus ReportIScsiInitiatorList(std::uint32_t& capacity, std::vector<std::string>& initiators) override;
  IscsiStatus AddIScsiConnection(const IscsiUniqueSessionId& sessionId, const std::string* initiatorInstance,
                                 std::uint32_t initiatorPortNumber, const IscsiTargetPortal* portal,
                                 std::uint64_t securityFlags, const IscsiLoginOptions* loginOptions,
                                 const std::vector<std::uint8_t>& key, IscsiUniqueConnectionId& connectionId) override;
  IscsiStatus RemoveIScsiConnection(const IscsiUniqueSessionId& sessionId,
                                    const IscsiUniqueConnectionId& connectionId) override;
  IscsiStatus SendScsiInquiry(const IscsiUniqueSessionId& sessionId, std::uint64_t lun, std::uint8_t evpdCmddt,
                              std::uint8_t pageCode, std::uint32_t allocationLength, IscsiScsiResult& result) override;
  IscsiStatus SendScsiReadCapacity(const IscsiUniqueSessionId& sessionId, std::uint64_t lun,
                                   std::uint32_t allocationLength, IscsiScsiResult& result) override;
  IscsiStatus SendScsiReportLuns(const IscsiUniqueSessionId& sessionId, std::uint32_t allocationLength,
                                 IscsiScsiResult& result) override;
  IscsiStatus AddISNSServer(const std::string& address) override;
  IscsiStatus RemoveISNSServer(const std::string& address) override;
  IscsiStatus RefreshISNSServer(const std::string* address) override;
  IscsiStatus ReportISNSServerList(std::uint32_t& capacity, std::vector<std::string>& servers) override;
  IscsiStatus SetIScsiInitiatorCHAPSharedSecret(const std::vector<std::uint8_t>& secret) override;
  IscsiStatus SetIScsiInitiatorNodeName(const std::string* nodeName) override;
  IscsiStatus SetIScsiTunnelModeOuterAddress(const std::string* initiatorName, std::uint32_t initiatorPortNumber,
                                             const std::string* destinationAddress, const std::string* outerModeAddress,
                                             bool persist) override;
  IscsiStatus SetIScsiGroupPresharedKey(const std::vector<std::uint8_t>& key, bool persist) override;
  IscsiStatus SetIScsiIKEInfo(const std::string* initiatorName, std::uint32_t initiatorPortNumber,
                              const IscsiIkeAuthInfo& authInfo, bool persist) override;
  IscsiStatus GetIScsiIKEInfo(const std::string* initiatorName, std::uint32_t initiatorPortNumber,
                              IscsiIkeAuthInfo& authInfo) override;
  IscsiStatus SetupPersistentIScsiVolumes() override;
  IscsiStatus AddPersistentIScsiDevice(const std::string& path) override;
  IscsiStatus RemovePersistentIScsiDevice(const std::string& path) override;
  IscsiStatus ClearPersistentIScsiDevices() override;
  IscsiStatus ReportPersistentIScsiDevices(std::uint32_t& capacity, std::vector<std::string>& paths) override;

 private:
  // One request; the reply in *reply. Returns the interface status.
  IscsiStatus Call(const ControlMessage& request, ControlMessage* reply, int timeoutMs);
  IscsiStatus Simple(const char* op, std::vector<std::pair<const char*, std::string>> fields);
  IscsiStatus Sessions(std::vector<IscsiSessionInfo>& sessions, std::vector<IscsiDeviceOnSession>* devices,
                       const IscsiUniqueSessionId* only, std::vector<IscsiTargetMapping>* mappings);
  IscsiStatus Scsi(const IscsiUniqueSessionId& sessionId, std::uint64_t lun, std::vector<std::uint8_t> cdb,
                   std::uint32_t inLength, std::uint32_t allocationLength, IscsiScsiResult& result);
  IscsiStatus PortalRequest(const char* op, const std::string* initiatorInstance, std::uint32_t initiatorPortNumber,
                            const IscsiTargetPortal& portal);

  IscsiControlClient client_;
  IBlockDevices& disks_;
  IVolumeEnumerator& volumes_;
};

}  // namespace sp
