#pragma once
// The appliance's real iSCSI target: a tgtd of its own in the simulator's
// network namespace, with one target and one LUN backed by a sparse file.
//
// Every TgtVolume runs its own tgtd with its own control port number
// (tgtd -C N, control socket /var/run/tgtd/socket.N), so several simulators
// and tests can each have one. tgtd ignores SIGTERM; it is stopped by
// deleting its targets and then the system through tgtadm, and killed only
// when that does not work.
#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "devtools/vbx207-sim/ivolumeprovider.h"

namespace sp::sim {

struct TgtVolumeConfig {
  std::string backingDir;  // where the LUN's sparse file goes
  std::string portalAddress = "0.0.0.0";
  std::uint16_t portalPort = 3260;
  std::string vendor = "KORVA";  // INQUIRY vendor (blank-padded to 8 by tgtd)
  std::string tgtd = "tgtd";
  std::string tgtadm = "tgtadm";
  int controlPort = -1;  // -1: a free one is picked
};

// Bytes of the iSCSI volume for a format profile: the usable capacity (the
// smaller disk for RAID 1, level code 4; all disks together otherwise) times
// the part that is not NAS. Capped at `capBytes` when that is not 0.
std::uint64_t IscsiVolumeBytes(const std::vector<std::uint32_t>& diskSizesMb, int nasPercent, int levelCode,
                               std::uint64_t capBytes = 0);

class TgtVolume {
 public:
  explicit TgtVolume(TgtVolumeConfig config);
  ~TgtVolume();
  TgtVolume(const TgtVolume&) = delete;
  TgtVolume& operator=(const TgtVolume&) = delete;

  // Starts tgtd (if not running) and waits until it answers.
  bool Start(std::string* error);
  // Makes `targetName` the one target, with LUN 1 over a fresh sparse file
  // of `sizeBytes`; an earlier target and its file are dropped first.
  // Starts tgtd when needed.
  bool CreateTarget(const std::string& targetName, std::uint64_t sizeBytes, std::string* error);
  // Drops the target (ending its sessions) and its file.
  void RemoveTarget();
  // Drops the target, stops tgtd and waits for it. Idempotent.
  void Stop();

  // For tests of a target that goes away: kills tgtd as a power cut would,
  // keeping the target's name and data; Revive starts tgtd again on the same
  // control port and brings the target back over the same data.
  void Kill();
  bool Revive(std::string* error);

  bool running() const { return pid_ > 0; }
  int controlPort() const { return controlPort_; }
  const std::string& targetName() const { return targetName_; }
  const std::string& backingFile() const { return backingFile_; }
  const std::string& portalAddress() const { return config_.portalAddress; }

 private:
  bool Admin(std::vector<std::string> args, std::string* output = nullptr) const;
  bool AddTarget(std::string* error);
  bool Launch(int port, std::string* error);
  bool Exited(int waitMs);

  TgtVolumeConfig config_;
  pid_t pid_ = -1;
  int controlPort_ = -1;
  std::string targetName_;
  std::string backingFile_;
};

// The simulator's volume provider with real iSCSI targets: when an
// appliance is told to format with a profile that has an iSCSI part, its
// target (named from its MAC text as the wizard names it) is made afresh with
// a LUN of that part's size, at the appliance's current address; a profile
// without iSCSI drops the appliance's target. Every request also goes to
// `next` (the logging provider), which decides first. The environment
// variable VBX207_SIM_ISCSI_MAX_MB caps the LUN size (for small test
// machines). All targets and their files go when the provider does.
class TgtVolumeProvider : public IVolumeProvider {
 public:
  TgtVolumeProvider(IVolumeProvider& next, std::FILE* log, std::string backingDir = {});
  ~TgtVolumeProvider() override;
  bool FormatRequested(const FormatProfile& profile) override;
  void Withdraw(const std::string& mac, bool iscsi, bool share) override;

  // The target of an appliance, or null.
  const TgtVolume* VolumeOf(const std::string& mac) const;

 private:
  IVolumeProvider& next_;
  std::FILE* log_;
  std::string backingDir_;
  bool ownsDir_ = false;
  std::uint64_t capBytes_ = 0;
  std::map<std::string, std::unique_ptr<TgtVolume>> volumes_;  // by lower-case MAC text
};

}  // namespace sp::sim
