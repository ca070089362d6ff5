#pragma once
// Doubles for the service's tests: a SCSI disk in memory, a transport whose
// portals, targets and sessions live in memory (sessions can be taken down
// and brought back), and a publisher that records what it shows.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tools/iscsid/lunpublisher.h"
#include "tools/iscsid/transport.h"

namespace sp::iscsid::testing {

// A target's LUNs as SCSI sees them: LUN 0 a controller (as tgtd has it),
// further LUNs disks with sparse in-memory blocks.
class FakeScsiTarget : public IScsiExecutor {
 public:
  struct Disk {
    std::uint64_t blocks = 2048;
    std::uint32_t blockSize = 512;
    std::string vendor = "KORVA";
  };
  FakeScsiTarget();
  void AddDisk(std::uint32_t lun, Disk disk);
  void SetCapacity(std::uint32_t lun, std::uint64_t blocks);

  ScsiResult Execute(const ScsiCommand& command) override;

  // Knobs.
  std::atomic<bool> reportLunsUnsupported{false};
  std::atomic<int> unitAttentions{0};               // next commands answered with UNIT ATTENTION
  std::atomic<bool> failTransport{false};           // every command fails with EIO
  std::function<void(const ScsiCommand&)> observe;  // sees every command

  std::vector<std::uint8_t> BlockOf(std::uint32_t lun, std::uint64_t lba);
  int commands() const { return commands_.load(); }

 private:
  ScsiResult CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
  ScsiResult ReadWrite(const ScsiCommand& command, Disk& disk, std::map<std::uint64_t, Bytes>& blocks);

  std::mutex mutex_;
  std::map<std::uint32_t, Disk> disks_;
  std::map<std::uint32_t, std::map<std::uint64_t, Bytes>> data_;
  std::atomic<int> commands_{0};
};

// A session link over a FakeScsiTarget that a test can take down and up.
class FakeLink : public ISessionLink {
 public:
  FakeLink(std::shared_ptr<FakeScsiTarget> target, std::function<void(SessionState)> onState, SessionConfig config);
  ScsiResult Execute(const ScsiCommand& command) override;
  SessionState state() const override { return state_.load(); }
  ConnectionInfo connection() const override;
  void Close() override;

  void GoDown();
  void ComeUp();
  const SessionConfig& config() const { return config_; }
  bool closed() const { return state_.load() == SessionState::kClosed; }

 private:
  std::shared_ptr<FakeScsiTarget> target_;
  std::function<void(SessionState)> onState_;
  SessionConfig config_;
  std::atomic<SessionState> state_{SessionState::kConnecting};
};

class FakeTransport : public ITransport {
 public:
  // A portal that answers discovery with these targets.
  void AddPortal(const std::string& portal, std::vector<std::string> targets);
  void SetTarget(const std::string& name, std::shared_ptr<FakeScsiTarget> target);
  void SetReachable(const std::string& portal, bool reachable);

  DiscoveryError Discover(const SessionConfig& config, std::vector<DiscoveredTarget>& out) override;
  std::shared_ptr<ISessionLink> Open(const SessionConfig& config, bool keepTrying,
                                     std::function<void(SessionState)> onState, LoginFailure& failure) override;

  std::vector<std::shared_ptr<FakeLink>> links();
  std::vector<SessionConfig> discoveries();

 private:
  std::mutex mutex_;
  std::map<std::string, std::vector<std::string>> portals_;
  std::set<std::string> unreachable_;
  std::map<std::string, std::shared_ptr<FakeScsiTarget>> targets_;
  std::vector<std::shared_ptr<FakeLink>> links_;
  std::vector<SessionConfig> discoveries_;
};

class RecordingPublisher : public ILunPublisher {
 public:
  std::string Publish(const std::string& name, std::shared_ptr<LunDevice> device) override;
  void Withdraw(const std::string& name) override;
  bool InUse(const std::string& name) const override;

  void SetInUse(const std::string& name, bool inUse);
  std::shared_ptr<LunDevice> Find(const std::string& name) const;
  std::vector<std::string> Names() const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<LunDevice>> shown_;
  std::set<std::string> inUse_;
};

}  // namespace sp::iscsid::testing
