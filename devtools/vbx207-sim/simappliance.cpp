#include "devtools/vbx207-sim/simappliance.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sp::sim {

namespace {

// Bytes that no reader takes for a reply or a request: no magic.
std::vector<std::uint8_t> Garbage(std::size_t length) {
  std::vector<std::uint8_t> g(std::max<std::size_t>(length, 8));
  for (std::size_t i = 0; i < g.size(); ++i) g[i] = static_cast<std::uint8_t>(0xa5 ^ (i * 37));
  return g;
}

// Faults that are a state of the appliance rather than something done to
// one request.
bool IsStateFault(FaultKind kind) {
  return kind == FaultKind::kSilentAfterCommit || kind == FaultKind::kSilentAfterFormat || kind == FaultKind::kImpostor;
}

bool FaultMatches(const Fault& f, const SimRequest& r) {
  if (f.count == 0 || IsStateFault(f.kind)) return false;
  if (f.command >= 0 && f.command != r.command) return false;
  return f.item < 0 || f.item == r.item;
}

}  // namespace

SimAppliance::SimAppliance(ApplianceConfig config, IVolumeProvider& volumes)
    : identity_(std::move(config.identity)),
      password_(std::move(config.password)),
      disks_(std::move(config.disks)),
      faults_(std::move(config.faults)),
      volumes_(volumes),
      progressPerSecond_(config.progressPerSecond) {}

bool SimAppliance::Addresses(const std::string& mac) const {
  return mac == kAllAppliancesMac || strcasecmp(mac.c_str(), identity_.mac.c_str()) == 0;
}

bool SimAppliance::HasFault(FaultKind kind) const {
  return std::any_of(faults_.begin(), faults_.end(), [kind](const Fault& f) { return f.kind == kind; });
}

bool SimAppliance::SilentNow(Clock::time_point now) const {
  if (now < downUntil_) return true;
  if (commitCount_ > 0 && HasFault(FaultKind::kSilentAfterCommit)) return true;
  return format_ && HasFault(FaultKind::kSilentAfterFormat);
}

Reaction SimAppliance::Impersonate(const SimRequest& request, Reaction reaction) const {
  // It claims whatever it is asked: every login good, every format done.
  std::vector<std::uint8_t> data;
  if (request.command == kQueryIdentity) data = EncodeIdentity(identity_);
  if (request.command == kQueryProgress) data = {'1', '0', '0', 0};
  Outgoing out;
  out.datagram = BuildReply(request.macField, kReplyAccepted, request.command, data);
  out.sourceIp = identity_.ip;
  reaction.sends.push_back(std::move(out));
  reaction.log += ": claimed by an impostor";
  return reaction;
}

SimAppliance::Applied SimAppliance::TakeFaults(const SimRequest& request) {
  Applied a;
  for (Fault& f : faults_) {
    if (!FaultMatches(f, request)) continue;
    if (f.count > 0) --f.count;
    switch (f.kind) {
      case FaultKind::kDrop:
        a.drop = true;
        break;
      case FaultKind::kDropReply:
        a.dropReply = true;
        break;
      case FaultKind::kDelay:
        a.delayMs += f.delayMs;
        break;
      case FaultKind::kDuplicate:
        a.duplicate = true;
        break;
      case FaultKind::kWrongMac:
        a.wrongMac = true;
        break;
      case FaultKind::kShort:
        a.shortReply = true;
        break;
      case FaultKind::kGarbage:
        a.garbage = true;
        break;
      case FaultKind::kRefuse:
        a.refuseCode = f.code;
        break;
      case FaultKind::kSilentAfterCommit:
      case FaultKind::kSilentAfterFormat:
      case FaultKind::kImpostor:
        break;
    }
  }
  return a;
}

Reaction SimAppliance::Handle(const SimRequest& request, Clock::time_point now) {
  Reaction reaction;
  if (!Addresses(request.mac)) return reaction;
  reaction.addressed = true;
  ++commandCounts_[request.command];
  lastPayload_[request.command] = Hex(request.payload);
  if (request.command == kSetItem) {
    ++itemCounts_[request.item];
    lastItemData_[request.item] = Hex(request.itemData);
  }
  std::string what = "command " + std::to_string(request.command);
  if (request.item >= 0) what += " item " + std::to_string(request.item);

  if (SilentNow(now)) {
    reaction.log = what + ": silent";
    return reaction;
  }
  if (HasFault(FaultKind::kImpostor)) {
    reaction.log = what;
    return Impersonate(request, std::move(reaction));
  }
  const Applied faults = TakeFaults(request);
  if (faults.drop) {
    ++dropped_;
    reaction.log = what + ": request dropped";
    return reaction;
  }
  // Replies leave from the address the request reached, even when the
  // request (a commit) moves the appliance elsewhere.
  const std::string answeringIp = identity_.ip;
  Result result;
  if (faults.refuseCode) {
    result.code = static_cast<std::uint8_t>(*faults.refuseCode);
    result.note = "refused by fault";
  } else {
    result = Act(request, now);
  }
  if (!faults.dropReply) reaction.sends = Replies(request, result, faults, answeringIp);
  reaction.move = result.move;
  reaction.log = what + ": code " + std::to_string(result.code) +
                 (result.note.empty() ? "" : " (" + result.note + ")") + (faults.dropReply ? ", reply dropped" : "");
  return reaction;
}

std::vector<Outgoing> SimAppliance::Replies(const SimRequest& request, const Result& result, const Applied& faults,
                                            const std::string& sourceIp) const {
  const auto field = faults.wrongMac ? MacField(identity_.mac) : request.macField;
  Outgoing out;
  out.datagram = BuildReply(field, result.code, request.command, result.data);
  if (faults.shortReply) out.datagram.resize(12);
  if (faults.garbage) out.datagram = Garbage(out.datagram.size());
  out.sourceIp = sourceIp;
  out.delayMs = faults.delayMs;
  std::vector<Outgoing> sends{out};
  if (faults.duplicate) sends.push_back(out);
  return sends;
}

SimAppliance::Result SimAppliance::Act(const SimRequest& request, Clock::time_point now) {
  Result r;
  switch (request.command) {
    case kQueryIdentity:
      r.data = EncodeIdentity(identity_);
      break;
    case kSetItem:
      return SetItem(request);
    case kLoginCheck:
      return Login(request);
    case kStartDiskSetup:
      return StartFormat(request, now);
    case kQueryDisks:
      r.data = EncodeDisks(disks_);
      break;
    case kQueryProgress: {
      const std::string text = std::to_string(Progress(now));
      r.data.assign(text.begin(), text.end());
      r.data.push_back(0);
      break;
    }
    case kIdentify:
      ++identifyCount_;
      r.note = "bay lights purple";
      break;
    default:
      r.code = kReplyRefused;
  }
  return r;
}

SimAppliance::Result SimAppliance::SetItem(const SimRequest& request) {
  Result r;
  const std::uint8_t* data = request.itemData.data();
  switch (request.item) {
    case kTimeSettings:
      time_.emplace();
      std::memcpy(time_->data(), data, kTimeSettingsSize);
      break;
    case kAdminPassword:
      if (FieldString(data, 16) != "admin") {
        r.code = kReplyRefused;
        r.note = "unknown user";
      } else {
        password_ = FieldString(data + 16, 16);
      }
      break;
    case kCommit:
      return Commit(request);
    case kIdentityItem: {
      Identity next = DecodeIdentity(data);
      if (!IsIpv4(next.ip) || PrefixLength(next.netmask) < 1) {
        r.code = kReplyRefused;
        r.note = "bad address or netmask";
        break;
      }
      next.mac = identity_.mac;  // the hardware address is not a setting
      pending_ = next;
      break;
    }
    default:
      r.code = kReplyRefused;
  }
  return r;
}

SimAppliance::Result SimAppliance::Commit(const SimRequest& request) {
  Result r;
  if (std::string(request.itemData.begin(), request.itemData.end()) != kCommitWord) {
    r.code = kReplyRefused;
    r.note = "not nvram_commit";
    return r;
  }
  ++commitCount_;
  if (pending_) {
    if (pending_->ip != identity_.ip) {
      r.move = AddressMove{identity_.ip, pending_->ip, PrefixLength(pending_->netmask)};
      r.note = "moving to " + pending_->ip;
    }
    identity_ = *pending_;
    pending_.reset();
  }
  committed_ = Committed{identity_, password_, time_ ? Hex(time_->data(), time_->size()) : ""};
  return r;
}

SimAppliance::Result SimAppliance::Login(const SimRequest& request) {
  Result r;
  const auto user = Md5("admin");
  const auto pass = Md5(password_);
  const std::uint8_t* p = request.payload.data();
  if (std::memcmp(p, user.data(), 16) == 0 && std::memcmp(p + 16, pass.data(), 16) == 0) {
    ++loginsAccepted_;
  } else {
    ++loginsRejected_;
    r.code = kReplyRefused;
    r.note = "wrong password";
  }
  return r;
}

SimAppliance::Result SimAppliance::StartFormat(const SimRequest& request, Clock::time_point now) {
  Result r;
  const int nas = request.payload[0], level = request.payload[1];
  if (disks_.empty() || nas > 100 || level < 2 || level > 4) {
    r.code = kReplyRefused;
    r.note = disks_.empty() ? "no disks" : "bad profile";
    return r;
  }
  FormatProfile profile{identity_.mac, identity_.ip, nas, level, {}, serveIscsi_, serveShare_};
  for (const auto& d : disks_) profile.diskSizesMb.push_back(d.capacityMb);
  if (!volumes_.FormatRequested(profile)) {
    r.code = kReplyRefused;
    r.note = "volumes refused";
    return r;
  }
  format_ = profile;
  ++formatCount_;
  progressBase_ = 0;
  progressSince_ = now;
  return r;
}

int SimAppliance::Progress(Clock::time_point now) const {
  if (!format_) return 0;
  const double seconds = std::chrono::duration<double>(now - progressSince_).count();
  return static_cast<int>(std::min(100.0, std::floor(progressBase_ + seconds * progressPerSecond_)));
}

void SimAppliance::SetProgressSpeed(double percentPerSecond, Clock::time_point now) {
  if (format_) {
    progressBase_ = Progress(now);
    progressSince_ = now;
  }
  progressPerSecond_ = std::max(0.0, percentPerSecond);
}

void SimAppliance::Restart(Clock::time_point now, int downMs) {
  downUntil_ = now + std::chrono::milliseconds(std::max(downMs, 0));
  ++restarts_;
  if (format_) volumes_.Withdraw(identity_.mac, true, true);
  format_.reset();
  progressBase_ = 0;
  pending_.reset();
  if (committed_) {
    identity_ = committed_->identity;
    password_ = committed_->password;
  }
}

void SimAppliance::SetServed(bool iscsi, bool share) {
  serveIscsi_ = iscsi;
  serveShare_ = share;
}

void SimAppliance::RemoveTarget() { volumes_.Withdraw(identity_.mac, true, false); }

}  // namespace sp::sim
