#pragma once
// One simulated VBX-207: its state, how it answers each command, and the
// faults it has been told to show. No sockets here: Handle() says what to
// send and whether the appliance's address moves; the server does it.
#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "devtools/vbx207-sim/ivolumeprovider.h"
#include "devtools/vbx207-sim/simprotocol.h"
#include "devtools/vbx207-sim/simtypes.h"

namespace sp::sim {

using Clock = std::chrono::steady_clock;

struct Outgoing {
  std::vector<std::uint8_t> datagram;
  std::string sourceIp;  // the appliance's address when it answered
  int delayMs = 0;
};

struct AddressMove {
  std::string from;
  std::string to;
  int prefixLength = 24;
};

struct Reaction {
  bool addressed = false;  // the request named this appliance (or all)
  std::vector<Outgoing> sends;
  std::optional<AddressMove> move;  // to apply once the sends have left
  std::string log;                  // one line about what happened
};

class SimAppliance {
 public:
  SimAppliance(ApplianceConfig config, IVolumeProvider& volumes);

  // Reacts to a request that arrived at `now`.
  Reaction Handle(const SimRequest& request, Clock::time_point now);

  // Everything the appliance has received and holds, for tests.
  nlohmann::json State(Clock::time_point now) const;

  void AddFault(const Fault& fault) { faults_.push_back(fault); }
  void ClearFaults() { faults_.clear(); }
  void SetDisks(std::vector<DiskSpec> disks) { disks_ = std::move(disks); }
  void SetProgressSpeed(double percentPerSecond, Clock::time_point now);
  // Restarts as a power cycle would: silent for `downMs`, the format that
  // ran is cut off (progress reads 0 again), what it served goes away, and
  // settings that were not committed are forgotten.
  void Restart(Clock::time_point now, int downMs);
  // Whether a disk setup brings up the iSCSI target and the share.
  void SetServed(bool iscsi, bool share);
  // The iSCSI target goes away now (its sessions end); the format stays.
  void RemoveTarget();

  const Identity& identity() const { return identity_; }
  const std::string& mac() const { return identity_.mac; }
  bool Addresses(const std::string& mac) const;
  int Progress(Clock::time_point now) const;

 private:
  struct Result {
    std::uint8_t code = kReplyAccepted;
    std::vector<std::uint8_t> data;
    std::optional<AddressMove> move;
    std::string note;
  };
  struct Applied {
    bool drop = false, dropReply = false, duplicate = false, wrongMac = false, shortReply = false, garbage = false;
    std::optional<int> refuseCode;
    int delayMs = 0;
  };

  Applied TakeFaults(const SimRequest& request);
  bool HasFault(FaultKind kind) const;
  bool SilentNow(Clock::time_point now) const;
  Reaction Impersonate(const SimRequest& request, Reaction reaction) const;
  Result Act(const SimRequest& request, Clock::time_point now);
  Result SetItem(const SimRequest& request);
  Result Login(const SimRequest& request);
  Result StartFormat(const SimRequest& request, Clock::time_point now);
  Result Commit(const SimRequest& request);
  std::vector<Outgoing> Replies(const SimRequest& request, const Result& result, const Applied& faults,
                                const std::string& sourceIp) const;

  Identity identity_;                // the running identity: what command 0 reports
  std::optional<Identity> pending_;  // set by item 17, running after the next commit
  std::string password_;
  std::vector<DiskSpec> disks_;
  std::vector<Fault> faults_;
  IVolumeProvider& volumes_;

  std::optional<std::array<std::uint8_t, kTimeSettingsSize>> time_;
  struct Committed {
    Identity identity;
    std::string password;
    std::string timeHex;
  };
  std::optional<Committed> committed_;  // what survives a power cycle

  // Disk setup.
  std::optional<FormatProfile> format_;
  int formatCount_ = 0;
  double progressPerSecond_;
  double progressBase_ = 0;
  Clock::time_point progressSince_{};

  Clock::time_point downUntil_{};
  int restarts_ = 0;
  bool serveIscsi_ = true, serveShare_ = true;

  int identifyCount_ = 0;
  int commitCount_ = 0;
  int loginsAccepted_ = 0, loginsRejected_ = 0;
  int dropped_ = 0;
  std::map<int, int> commandCounts_, itemCounts_;
  std::map<int, std::string> lastPayload_, lastItemData_;
};

}  // namespace sp::sim
