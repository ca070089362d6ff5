#pragma once
// The initiator service's bookkeeping: portals and targets, sessions with
// their devices, persistent logins and settings, kept in the state file.
//
// Every operation is safe to call from several control connections at once.
// Network work (discovery, login, LUN scan, logout) runs without the lock,
// so a slow target never stalls reports about the others.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/iscsicontroltypes.h"
#include "tools/iscsid/lunpublisher.h"
#include "tools/iscsid/statestore.h"
#include "tools/iscsid/targetbook.h"
#include "tools/iscsid/transport.h"

namespace sp::iscsid {

struct CoreSettings {
  std::string defaultNodeName;
  std::uint64_t adapterUnique = 0;  // first part of every session and connection id
  std::uint32_t isidRandom = 0;
  std::chrono::milliseconds commandTimeout{15000};
  std::chrono::milliseconds loginTimeout{10000};
  std::chrono::milliseconds retryInterval{2000};
  std::chrono::milliseconds nopInterval{5000};
};

struct DeviceReport {
  std::string name;  // file name under the mount
  std::string path;  // full path of the LUN file
  std::uint64_t lunField = 0;
  std::uint32_t osBus = 0, osTarget = 0, osLun = 0;
  std::uint8_t deviceType = 0;  // SCSI peripheral device type
  std::uint64_t size = 0;
  std::uint32_t blockSize = 0;
  Bytes inquiry;
};

struct SessionReport {
  iscsictl::UniqueId id;
  iscsictl::UniqueId connectionId;
  std::string target;
  std::string initiatorInstance;
  std::string initiatorNode;
  SessionState state = SessionState::kConnecting;
  bool informational = false;
  ConnectionInfo connection;  // addresses only while logged in
  std::uint8_t isid[6] = {};
  std::vector<DeviceReport> devices;
};

class InitiatorCore {
 public:
  InitiatorCore(ITransport& transport, ILunPublisher& publisher, StateStore* store, CoreSettings settings);
  ~InitiatorCore();
  InitiatorCore(const InitiatorCore&) = delete;
  InitiatorCore& operator=(const InitiatorCore&) = delete;

  // Takes the saved state and starts its persistent logins (they log in in
  // the background and keep trying); then refreshes the portals.
  void Restore(const PersistentState& state);
  // Ends every session (devices withdrawn, logout) without touching the
  // persistent logins. Idempotent; also done by the destructor.
  void Shutdown();

  std::string NodeName() const;
  iscsictl::Status SetNodeName(const std::string& name);  // empty: default
  iscsictl::Status SetChapSecret(const std::string& secret);

  iscsictl::Status AddPortal(const iscsictl::SendTargetsPortal& portal);
  iscsictl::Status RemovePortal(const iscsictl::Portal& portal);
  iscsictl::Status RefreshPortal(const iscsictl::Portal& portal);
  std::vector<iscsictl::SendTargetsPortal> Portals() const;

  iscsictl::Status AddStaticTarget(const iscsictl::StaticTarget& target);
  iscsictl::Status RemoveStaticTarget(const std::string& name);
  std::vector<std::string> Targets(bool refresh);
  iscsictl::Status GetTargetInfo(const std::string& name, const std::string& mechanism, TargetInfo& info) const;

  iscsictl::Status Login(const iscsictl::LoginRequest& request, iscsictl::UniqueId& session,
                         iscsictl::UniqueId& connection);
  iscsictl::Status Logout(const iscsictl::UniqueId& session);
  std::vector<SessionReport> Sessions() const;

  // Persistent logins as reported: the initiator instance and the portal a
  // login without them will use are filled in.
  std::vector<iscsictl::LoginRequest> PersistentLogins() const;
  iscsictl::Status RemovePersistent(const std::string& initiator, const std::string& target,
                                    const std::optional<iscsictl::Portal>& portal);

  // Report commands passed to a session's LUN (INQUIRY, READ CAPACITY and
  // REPORT LUNS only).
  iscsictl::Status Scsi(const iscsictl::UniqueId& session, std::uint64_t lunField, const Bytes& cdb,
                        std::uint32_t inLength, ScsiResult& result);

  std::vector<std::string> PersistentDevices() const;
  iscsictl::Status AddPersistentDevice(const std::string& path);
  iscsictl::Status RemovePersistentDevice(const std::string& path);
  iscsictl::Status ClearPersistentDevices();

  // Prepared volumes to mount again. Only of a target with a persistent
  // login: without one nothing would bring the LUN back. A volume replaces
  // any kept at the same letter or on the same LUN; removing the target's
  // last persistent login forgets its volumes too.
  iscsictl::Status RememberVolume(const iscsictl::RememberedVolume& volume);
  iscsictl::Status ForgetVolume(char letter);
  std::vector<iscsictl::RememberedVolume> Volumes() const;
  bool HasPersistentLogin(const std::string& target) const;

  // File name of a LUN of a target. A second session to the same target
  // names its files "<target>-s<n>-lun<lun>".
  static std::string DeviceName(const std::string& target, std::uint32_t lun);

 private:
  struct Device {
    std::string name;
    std::string path;
    std::shared_ptr<LunDevice> device;
    std::uint32_t osLun = 0;
  };
  struct Session {
    iscsictl::UniqueId id;
    iscsictl::UniqueId connectionId;
    iscsictl::LoginRequest request;
    std::shared_ptr<ISessionLink> link;  // null while the first login runs
    std::uint32_t osTarget = 0;
    std::vector<Device> devices;
  };

  std::string NodeNameLocked() const;
  std::string UniqueDeviceName(const Session& session, std::uint32_t lun) const;
  iscsictl::Status CheckLogin(const iscsictl::LoginRequest& request) const;
  iscsictl::Status StorePersistent(const iscsictl::LoginRequest& request);
  // Called with the lock held.
  SessionConfig ConfigFor(const iscsictl::LoginRequest& request, const iscsictl::Portal& portal,
                          std::uint16_t qualifier) const;
  SessionConfig DiscoveryConfig(const iscsictl::SendTargetsPortal& portal) const;
  std::uint32_t FreeOsTarget() const;
  void StartPersistentSession(const StoredLogin& login);
  void Rescan(std::uint64_t key);
  void Reconcile(Session& session, const std::vector<LunIdentity>& luns);
  void WithdrawAll(Session& session);
  void QueueRescan(std::uint64_t key);
  void RescanLoop();
  void RestorePortals(std::vector<iscsictl::SendTargetsPortal> portals);
  bool SaveLocked();
  iscsictl::Status Discover(const iscsictl::SendTargetsPortal& portal, std::vector<DiscoveredTarget>& out);

  ITransport& transport_;
  ILunPublisher& publisher_;
  StateStore* store_;
  const CoreSettings settings_;

  mutable std::mutex mutex_;
  std::string nodeName_;
  std::string chapSecret_;
  TargetBook book_;
  std::vector<StoredLogin> persistent_;
  std::vector<std::string> persistentDevices_;
  std::vector<iscsictl::RememberedVolume> volumes_;
  std::map<std::uint64_t, Session> sessions_;  // by the id's second part
  std::uint64_t nextSpecific_ = 1;
  bool stopping_ = false;

  std::mutex rescanMutex_;
  std::condition_variable rescanWake_;
  std::deque<std::uint64_t> rescanQueue_;
  bool rescanStop_ = false;
  std::thread rescanThread_;
  std::thread restoreThread_;
};

}  // namespace sp::iscsid
