#include "tests/tools/iscsid/iscsidfakes.h"

#include <cerrno>
#include <cstring>

namespace sp::iscsid::testing {
namespace {

std::uint64_t Be(const Bytes& b, std::size_t at, int n) {
  std::uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | b[at + i];
  return v;
}

void PutBe(Bytes& b, std::size_t at, std::uint64_t v, int n) {
  for (int i = n - 1; i >= 0; --i) {
    b[at + i] = static_cast<std::uint8_t>(v);
    v >>= 8;
  }
}

ScsiResult Good(Bytes data, std::uint32_t allocation) {
  if (data.size() > allocation) data.resize(allocation);
  return ScsiResult{0, 0, std::move(data), {}};
}

}  // namespace

FakeScsiTarget::FakeScsiTarget() = default;

void FakeScsiTarget::AddDisk(std::uint32_t lun, Disk disk) {
  std::lock_guard lock(mutex_);
  disks_[lun] = std::move(disk);
}

void FakeScsiTarget::SetCapacity(std::uint32_t lun, std::uint64_t blocks) {
  std::lock_guard lock(mutex_);
  disks_[lun].blocks = blocks;
}

std::vector<std::uint8_t> FakeScsiTarget::BlockOf(std::uint32_t lun, std::uint64_t lba) {
  std::lock_guard lock(mutex_);
  const auto& blocks = data_[lun];
  const auto it = blocks.find(lba);
  if (it != blocks.end()) return it->second;
  return Bytes(disks_[lun].blockSize, 0);
}

ScsiResult FakeScsiTarget::CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  Bytes sense(18, 0);
  sense[0] = 0x70;
  sense[2] = key;
  sense[7] = 10;
  sense[12] = asc;
  sense[13] = ascq;
  return ScsiResult{0, kScsiStatusCheckCondition, {}, sense};
}

ScsiResult FakeScsiTarget::ReadWrite(const ScsiCommand& c, Disk& disk, std::map<std::uint64_t, Bytes>& blocks) {
  const bool sixteen = c.cdb.size() == 16;
  const std::uint64_t lba = sixteen ? Be(c.cdb, 2, 8) : Be(c.cdb, 2, 4);
  const std::uint64_t count = sixteen ? Be(c.cdb, 10, 4) : Be(c.cdb, 7, 2);
  if (lba + count > disk.blocks) return CheckCondition(0x5, 0x21, 0x00);
  const bool write = c.cdb[0] == 0x2A || c.cdb[0] == 0x8A;
  if (write) {
    if (c.outLength != count * disk.blockSize || !c.out) return CheckCondition(0x5, 0x24, 0x00);
    for (std::uint64_t i = 0; i < count; ++i) {
      const auto* p = c.out + i * disk.blockSize;
      blocks[lba + i] = Bytes(p, p + disk.blockSize);
    }
    return ScsiResult{};
  }
  Bytes data;
  data.reserve(count * disk.blockSize);
  for (std::uint64_t i = 0; i < count; ++i) {
    const auto it = blocks.find(lba + i);
    if (it == blocks.end())
      data.insert(data.end(), disk.blockSize, 0);
    else
      data.insert(data.end(), it->second.begin(), it->second.end());
  }
  return Good(std::move(data), c.inLength);
}

ScsiResult FakeScsiTarget::Execute(const ScsiCommand& c) {
  ++commands_;
  if (observe) observe(c);
  if (failTransport) return ScsiResult{EIO, 0, {}, {}};
  if (unitAttentions > 0) {
    --unitAttentions;
    return CheckCondition(0x6, 0x29, 0x00);
  }
  std::lock_guard lock(mutex_);
  const auto disk = disks_.find(c.lun);
  switch (c.cdb.at(0)) {
    case 0x00:
      return ScsiResult{};
    case 0xA0: {
      if (reportLunsUnsupported) return CheckCondition(0x5, 0x20, 0x00);
      std::set<std::uint32_t> luns = {0};  // LUN 0 always answers
      for (const auto& [lun, d] : disks_) luns.insert(lun);
      Bytes data(8 + 8 * luns.size(), 0);
      PutBe(data, 0, 8 * luns.size(), 4);
      std::size_t at = 8;
      for (const std::uint32_t lun : luns) {
        PutBe(data, at, LunFieldFromNumber(lun), 8);
        at += 8;
      }
      return Good(std::move(data), static_cast<std::uint32_t>(Be(c.cdb, 6, 4)));
    }
    case 0x12: {
      Bytes data(66, 0);
      // Without a disk there, LUN 0 is the target's controller.
      data[0] = disk != disks_.end() ? 0x00 : c.lun == 0 ? 0x0C : 0x7F;
      data[2] = 5;
      data[3] = 2;
      data[4] = 66 - 5;
      std::string vendor = disk == disks_.end() ? "IET" : disk->second.vendor;
      vendor.resize(8, ' ');
      std::memcpy(&data[8], vendor.data(), 8);
      std::memcpy(&data[16], "VIRTUAL-DISK    ", 16);
      std::memcpy(&data[32], "0001", 4);
      return Good(std::move(data), static_cast<std::uint32_t>(Be(c.cdb, 3, 2)));
    }
    case 0x25: {
      if (disk == disks_.end()) return CheckCondition(0x5, 0x25, 0x00);
      Bytes data(8, 0);
      const std::uint64_t last = disk->second.blocks - 1;
      PutBe(data, 0, last > 0xFFFFFFFFull ? 0xFFFFFFFFull : last, 4);
      PutBe(data, 4, disk->second.blockSize, 4);
      return Good(std::move(data), 8);
    }
    case 0x9E: {
      if (disk == disks_.end()) return CheckCondition(0x5, 0x25, 0x00);
      Bytes data(32, 0);
      PutBe(data, 0, disk->second.blocks - 1, 8);
      PutBe(data, 8, disk->second.blockSize, 4);
      return Good(std::move(data), static_cast<std::uint32_t>(Be(c.cdb, 10, 4)));
    }
    case 0x28:
    case 0x88:
    case 0x2A:
    case 0x8A:
      if (disk == disks_.end()) return CheckCondition(0x5, 0x25, 0x00);
      return ReadWrite(c, disk->second, data_[c.lun]);
    case 0x35:
    case 0x91:
      return ScsiResult{};
    default:
      return CheckCondition(0x5, 0x20, 0x00);
  }
}

FakeLink::FakeLink(std::shared_ptr<FakeScsiTarget> target, std::function<void(SessionState)> onState,
                   SessionConfig config)
    : target_(std::move(target)), onState_(std::move(onState)), config_(std::move(config)) {}

ScsiResult FakeLink::Execute(const ScsiCommand& command) {
  if (state_.load() != SessionState::kLoggedIn) return ScsiResult{ENOTCONN, 0, {}, {}};
  return target_->Execute(command);
}

ConnectionInfo FakeLink::connection() const {
  ConnectionInfo info;
  info.localAddress = "10.77.0.1";
  info.localPort = 40000;
  const auto colon = config_.portal.rfind(':');
  info.targetAddress = config_.portal.substr(0, colon);
  info.targetPort = static_cast<std::uint16_t>(std::stoi(config_.portal.substr(colon + 1)));
  IscsiSession::IsidBytes(config_, info.isid);
  return info;
}

void FakeLink::Close() { state_ = SessionState::kClosed; }

void FakeLink::GoDown() {
  state_ = SessionState::kDown;
  if (onState_) onState_(SessionState::kDown);
}

void FakeLink::ComeUp() {
  state_ = SessionState::kLoggedIn;
  if (onState_) onState_(SessionState::kLoggedIn);
}

void FakeTransport::AddPortal(const std::string& portal, std::vector<std::string> targets) {
  std::lock_guard lock(mutex_);
  portals_[portal] = std::move(targets);
}

void FakeTransport::SetTarget(const std::string& name, std::shared_ptr<FakeScsiTarget> target) {
  std::lock_guard lock(mutex_);
  targets_[name] = std::move(target);
}

void FakeTransport::SetReachable(const std::string& portal, bool reachable) {
  std::lock_guard lock(mutex_);
  if (reachable)
    unreachable_.erase(portal);
  else
    unreachable_.insert(portal);
}

DiscoveryError FakeTransport::Discover(const SessionConfig& config, std::vector<DiscoveredTarget>& out) {
  std::lock_guard lock(mutex_);
  discoveries_.push_back(config);
  const auto it = portals_.find(config.portal);
  if (it == portals_.end() || unreachable_.count(config.portal)) return DiscoveryError::kConnect;
  out.clear();
  const auto parsed = ParseTargetAddress(config.portal);
  for (const auto& name : it->second) out.push_back({name, {*parsed}});
  return DiscoveryError::kNone;
}

std::shared_ptr<ISessionLink> FakeTransport::Open(const SessionConfig& config, bool keepTrying,
                                                  std::function<void(SessionState)> onState, LoginFailure& failure) {
  std::shared_ptr<FakeScsiTarget> target;
  bool reachable = false;
  {
    std::lock_guard lock(mutex_);
    reachable = portals_.count(config.portal) && !unreachable_.count(config.portal);
    const auto it = targets_.find(config.targetName);
    if (it != targets_.end()) target = it->second;
  }
  failure = !reachable ? LoginFailure::kConnect : !target ? LoginFailure::kLogin : LoginFailure::kNone;
  if (failure != LoginFailure::kNone && !keepTrying) return nullptr;
  if (!target) target = std::make_shared<FakeScsiTarget>();
  auto link = std::make_shared<FakeLink>(target, std::move(onState), config);
  {
    std::lock_guard lock(mutex_);
    links_.push_back(link);
  }
  if (failure == LoginFailure::kNone) link->ComeUp();
  failure = LoginFailure::kNone;
  return link;
}

std::vector<std::shared_ptr<FakeLink>> FakeTransport::links() {
  std::lock_guard lock(mutex_);
  return links_;
}

std::vector<SessionConfig> FakeTransport::discoveries() {
  std::lock_guard lock(mutex_);
  return discoveries_;
}

std::string RecordingPublisher::Publish(const std::string& name, std::shared_ptr<LunDevice> device) {
  std::lock_guard lock(mutex_);
  shown_[name] = std::move(device);
  return "/luns/" + name;
}

void RecordingPublisher::Withdraw(const std::string& name) {
  std::lock_guard lock(mutex_);
  shown_.erase(name);
}

bool RecordingPublisher::InUse(const std::string& name) const {
  std::lock_guard lock(mutex_);
  return inUse_.count(name) != 0;
}

void RecordingPublisher::SetInUse(const std::string& name, bool inUse) {
  std::lock_guard lock(mutex_);
  if (inUse)
    inUse_.insert(name);
  else
    inUse_.erase(name);
}

std::shared_ptr<LunDevice> RecordingPublisher::Find(const std::string& name) const {
  std::lock_guard lock(mutex_);
  const auto it = shown_.find(name);
  return it == shown_.end() ? nullptr : it->second;
}

std::vector<std::string> RecordingPublisher::Names() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (const auto& [name, device] : shown_) names.push_back(name);
  return names;
}

}  // namespace sp::iscsid::testing
