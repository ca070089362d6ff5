#pragma once
// A stateful stand-in for the iSCSI initiator: a little network of reachable
// portals with their targets and LUNs, and an initiator that discovers them,
// logs in, keeps sessions, connections, devices, mappings and persistent
// logins, and remembers every setting it is given. Tests seed the network,
// can make any operation fail with a chosen status, and count the calls.
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/iscsiinitiator.h"

namespace sp {

class FakeIscsiInitiator : public IIscsiInitiator {
 public:
  struct Lun {
    std::uint16_t number = 0;
    std::uint64_t blockCount = 2048;
    std::uint32_t blockSize = 512;
    std::string vendor = "KORVA";
    std::string product = "VBX-207";
    // The path by which the LUN's disk is opened on the PC once logged in;
    // empty: "fake-disk-<disk number>".
    std::string devicePath;
  };
  struct Target {
    std::string name;
    std::string alias;
    std::vector<Lun> luns;
  };

  enum class Op {
    AddIScsiSendTargetPortal,
    RemoveIScsiSendTargetPortal,
    RefreshIScsiSendTargetPortal,
    ReportIScsiSendTargetPortalsEx,
    ReportIScsiTargets,
    GetIScsiTargetInformation,
    AddIScsiStaticTarget,
    RemoveIScsiStaticTarget,
    LoginIScsiTarget,
    LogoutIScsiTarget,
    GetIScsiSessionList,
    GetDevicesForIScsiSession,
    ReportActiveIScsiTargetMappings,
    ReportIScsiPersistentLogins,
    RemoveIScsiPersistentTarget,
    ReportIScsiInitiatorList,
    AddIScsiConnection,
    RemoveIScsiConnection,
    SendScsiInquiry,
    SendScsiReadCapacity,
    SendScsiReportLuns,
    AddISNSServer,
    RemoveISNSServer,
    RefreshISNSServer,
    ReportISNSServerList,
    SetIScsiInitiatorCHAPSharedSecret,
    SetIScsiInitiatorNodeName,
    SetIScsiTunnelModeOuterAddress,
    SetIScsiGroupPresharedKey,
    SetIScsiIKEInfo,
    GetIScsiIKEInfo,
    SetupPersistentIScsiVolumes,
    AddPersistentIScsiDevice,
    RemovePersistentIScsiDevice,
    ClearPersistentIScsiDevices,
    ReportPersistentIScsiDevices,
  };

  struct TunnelSetting {
    std::optional<std::string> initiatorName;
    std::uint32_t initiatorPortNumber = 0;
    std::optional<std::string> destinationAddress;
    std::optional<std::string> outerModeAddress;
    bool persist = false;
  };

  FakeIscsiInitiator();

  // --- The network ---------------------------------------------------------
  // A portal that answers discovery and logins, offering these targets.
  void AddReachablePortal(const std::string& address, std::uint16_t socket, std::vector<Target> targets);
  // Makes a portal stop answering (the appliance moved or went away).
  void RemoveReachablePortal(const std::string& address, std::uint16_t socket);
  void SetInitiatorInstances(std::vector<std::string> instances) { instances_ = std::move(instances); }
  void SetInitiatorAddress(std::string address) { initiatorAddress_ = std::move(address); }
  // Disk number the next device will get (volumes refer to it).
  void SetNextDiskNumber(std::uint32_t n) { nextDiskNumber_ = n; }

  // --- Faults and observation ---------------------------------------------
  // The next call of `op` returns `status` without doing anything; several
  // calls queue up in order.
  void FailNext(Op op, IscsiStatus status) { failures_[op].push_back(status); }
  int CallCount(Op op) const;
  const std::vector<Op>& calls() const { return calls_; }
  // The session ids of all live sessions, oldest first.
  std::vector<IscsiUniqueSessionId> SessionIds() const;
  const std::vector<std::uint8_t>& chapSecret() const { return chapSecret_; }
  const std::optional<std::string>& nodeName() const { return nodeName_; }
  const std::vector<TunnelSetting>& tunnelSettings() const { return tunnels_; }
  const std::vector<std::uint8_t>& groupKey() const { return groupKey_; }
  bool groupKeyPersisted() const { return groupKeyPersist_; }
  bool persistentVolumesBound() const { return volumesBound_; }
  // Static targets added with their flags and persist choice.
  struct StaticTarget {
    std::string name;
    std::string alias;
    std::uint32_t flags = 0;
    bool persist = false;
    std::optional<IscsiTargetMapping> mapping;
    std::optional<IscsiLoginOptions> loginOptions;
    IscsiPortalGroup portals;
  };
  const std::vector<StaticTarget>& staticTargets() const { return statics_; }
  const std::vector<std::string>& isnsServers() const { return isns_; }

  // --- IIscsiInitiator ----------------------------------------------------
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

  // The default node name of the fake initiator.
  static constexpr const char* kDefaultNodeName = "iqn.2024-01.org.setup-pilot:fake-initiator";

 private:
  struct Portal {
    std::string address;
    std::uint16_t socket = 0;
    std::vector<Target> targets;
  };
  struct Session {
    IscsiSessionInfo info;
    IscsiTargetMapping mapping;
    std::vector<IscsiDeviceOnSession> devices;
    std::vector<Lun> luns;
  };
  struct IkeEntry {
    std::optional<std::string> initiatorName;
    std::uint32_t initiatorPortNumber = 0;
    IscsiIkeAuthInfo info;
  };

  std::optional<IscsiStatus> Enter(Op op);
  const Portal* FindReachable(const std::string& address, std::uint16_t socket) const;
  // Where a target can be reached: the first listed or static portal that
  // offers it, or null.
  const Portal* PortalOffering(const std::string& targetName) const;
  const Target* FindOffered(const Portal& portal, const std::string& targetName) const;
  bool KnownInstance(const std::string* instance) const;
  Session* FindSession(const IscsiUniqueSessionId& id);
  IscsiUniqueSessionId NextId();
  IscsiStatus RecordPersistentLogin(const IscsiLoginRequest& request, const Portal& portal);
  IscsiStatus OpenSession(const IscsiLoginRequest& request, const Portal& portal, const Target& target,
                          IscsiUniqueSessionId& sessionId, IscsiUniqueConnectionId& connectionId);
  IscsiConnectionInfo MakeConnection(const Portal& portal);
  const Lun* FindLun(const Session& session, std::uint64_t lun) const;
  std::string DefaultInstance() const { return instances_.empty() ? std::string() : instances_.front(); }

  std::vector<Portal> network_;
  std::vector<IscsiSendTargetPortalInfo> sendTargetPortals_;
  std::vector<StaticTarget> statics_;
  std::vector<Session> sessions_;
  std::vector<IscsiPersistentLogin> persistentLogins_;
  std::vector<std::string> instances_;
  std::string initiatorAddress_ = "10.77.0.1";
  std::uint32_t nextDiskNumber_ = 1;
  std::uint32_t nextOsTarget_ = 0;
  std::uint64_t idCounter_ = 0;
  std::uint16_t nextLocalSocket_ = 49152;

  std::vector<std::string> isns_;
  std::vector<std::uint8_t> chapSecret_;
  std::optional<std::string> nodeName_;
  std::vector<TunnelSetting> tunnels_;
  std::vector<std::uint8_t> groupKey_;
  bool groupKeyPersist_ = false;
  std::vector<IkeEntry> ike_;
  bool volumesBound_ = false;
  std::vector<std::string> persistentDevices_;

  std::map<Op, std::deque<IscsiStatus>> failures_;
  std::vector<Op> calls_;
};

// Encodes a small LUN number the way targets report it (peripheral device
// addressing in the first two bytes of the eight-byte LUN field).
constexpr std::uint64_t FakeIscsiTargetLun(std::uint16_t number) {
  return static_cast<std::uint64_t>(number & 0x3FFF) << 48 | (number > 255 ? 0x4000ull << 48 : 0);
}

}  // namespace sp
