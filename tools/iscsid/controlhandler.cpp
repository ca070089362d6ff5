#include "tools/iscsid/controlhandler.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <map>

#include "tools/iscsid/storageops.h"

namespace sp::iscsid {

using namespace iscsictl;

namespace {

const char* StateText(SessionState state) {
  switch (state) {
    case SessionState::kConnecting:
      return "connecting";
    case SessionState::kLoggedIn:
      return "logged_in";
    case SessionState::kDown:
      return "down";
    case SessionState::kClosed:
      return "closed";
  }
  return "unknown";
}

ControlMessage Reply(std::uint32_t status) {
  ControlRecord head("rsp");
  head.SetU64("v", kVersion).SetU64("status", status);
  if (status != kOk) head.Set("error", ControlHandler::StatusText(status));
  return {head};
}

// Mapping records that follow the request's first record.
bool GetMappings(const ControlMessage& request, std::vector<LunMapping>& mappings) {
  for (std::size_t i = 1; i < request.size(); ++i) {
    if (request[i].type() != "mapping") continue;
    LunMapping mapping;
    if (!GetMapping(request[i], mapping)) return false;
    mappings.push_back(mapping);
  }
  return mappings.size() <= 256;
}

std::optional<UniqueId> GetId(const ControlRecord& record, std::string_view key) {
  const std::string* text = record.Find(key);
  return text ? ParseUniqueId(*text) : std::nullopt;
}

ControlMessage Ping(InitiatorCore& core, const ControlRecord&) {
  ControlMessage reply = Reply(kOk);
  reply[0].SetU64("version", kVersion).SetU64("pid", static_cast<std::uint64_t>(getpid()));
  reply[0].Set("node_name", core.NodeName());
  return reply;
}

ControlMessage Portals(InitiatorCore& core) {
  ControlMessage reply = Reply(kOk);
  for (const auto& portal : core.Portals()) {
    ControlRecord record("portal");
    PutSendTargetsPortal(record, portal);
    reply.push_back(std::move(record));
  }
  return reply;
}

ControlMessage AddTarget(InitiatorCore& core, const ControlMessage& request) {
  const ControlRecord& r = request[0];
  StaticTarget target;
  target.name = r.Get("name");
  target.alias = r.Get("alias");
  target.persist = r.GetBool("persist");
  if (!GetU32(r, "flags", target.flags, 0) || !GetOptions(r, target.options) ||
      !GetMappings(request, target.mappings) || target.alias.size() > kMaxAddressLength) {
    return Reply(kInvalidParameter);
  }
  for (std::size_t i = 1; i < request.size(); ++i) {
    if (request[i].type() != "portal") continue;
    Portal portal;
    if (!GetPortal(request[i], portal) || target.portals.size() >= 64) return Reply(kInvalidParameter);
    target.portals.push_back(std::move(portal));
  }
  return Reply(core.AddStaticTarget(target));
}

ControlMessage TargetInformation(InitiatorCore& core, const ControlRecord& r) {
  TargetInfo info;
  const Status status = core.GetTargetInfo(r.Get("name"), r.Get("mechanism"), info);
  ControlMessage reply = Reply(status);
  if (status != kOk) return reply;
  reply[0].Set("alias", info.alias).Set("initiator", info.initiator).SetHex("flags", info.flags);
  PutOptions(reply[0], info.options);
  for (const auto& mechanism : info.mechanisms) reply.push_back(ControlRecord("mechanism").Set("name", mechanism));
  for (const auto& group : info.groups) {
    reply.push_back(ControlRecord("group").SetU64("tag", group.tag));
    for (const auto& portal : group.portals) {
      ControlRecord record("portal");
      PutPortal(record, portal);
      reply.push_back(std::move(record));
    }
  }
  for (const auto& mapping : info.mappings) reply.push_back(MappingRecord(mapping));
  return reply;
}

ControlMessage Login(InitiatorCore& core, const ControlMessage& request) {
  LoginRequest login;
  if (!GetLoginRequest(request[0], login) || !GetMappings(request, login.mappings)) return Reply(kInvalidParameter);
  UniqueId session, connection;
  const Status status = core.Login(login, session, connection);
  ControlMessage reply = Reply(status);
  if (status == kOk) reply[0].Set("session", UniqueIdText(session)).Set("connection", UniqueIdText(connection));
  return reply;
}

ControlMessage Sessions(InitiatorCore& core) {
  ControlMessage reply = Reply(kOk);
  for (const auto& s : core.Sessions()) {
    ControlRecord session("session");
    session.Set("id", UniqueIdText(s.id)).Set("target", s.target).Set("initiator", s.initiatorInstance);
    session.Set("initiator_node", s.initiatorNode).Set("state", StateText(s.state));
    session.SetBool("informational", s.informational).Set("isid", HexText(s.isid, sizeof s.isid));
    reply.push_back(std::move(session));
    if (s.state == SessionState::kLoggedIn) {
      ControlRecord connection("connection");
      connection.Set("id", UniqueIdText(s.connectionId)).Set("local_address", s.connection.localAddress);
      connection.SetU64("local_port", s.connection.localPort).Set("target_address", s.connection.targetAddress);
      connection.SetU64("target_port", s.connection.targetPort).SetU64("cid", 0);
      reply.push_back(std::move(connection));
    }
    for (const auto& d : s.devices) {
      ControlRecord device("device");
      device.Set("name", d.name).Set("path", d.path).SetHex("target_lun", d.lunField);
      device.SetU64("os_bus", d.osBus).SetU64("os_target", d.osTarget).SetU64("os_lun", d.osLun);
      device.SetU64("type", d.deviceType).SetU64("size", d.size).SetU64("block_size", d.blockSize);
      device.Set("inquiry", HexText(d.inquiry.data(), d.inquiry.size()));
      reply.push_back(std::move(device));
    }
  }
  return reply;
}

ControlMessage PersistentLogins(InitiatorCore& core) {
  ControlMessage reply = Reply(kOk);
  for (const auto& login : core.PersistentLogins()) {
    ControlRecord record("login");
    PutLoginRequest(record, login);
    reply.push_back(std::move(record));
    for (const auto& mapping : login.mappings) reply.push_back(MappingRecord(mapping));
  }
  return reply;
}

ControlMessage RemovePersistent(InitiatorCore& core, const ControlRecord& r) {
  std::optional<Portal> portal;
  if (r.Has("address")) {
    Portal p;
    if (!GetPortal(r, p)) return Reply(kInvalidParameter);
    portal = std::move(p);
  }
  const std::string target = r.Get("target");
  if (target.empty() || target.size() > kMaxNameLength) return Reply(kInvalidParameter);
  return Reply(core.RemovePersistent(r.Get("initiator"), target, portal));
}

ControlMessage Scsi(InitiatorCore& core, const ControlRecord& r) {
  const auto session = GetId(r, "session");
  const auto cdb = ParseHex(r.Get("cdb"));
  std::uint32_t inLength = 0;
  if (!session || !cdb || !r.GetU64("lun") || !GetU32(r, "in_length", inLength, 0)) return Reply(kInvalidParameter);
  ScsiResult result;
  const Status status = core.Scsi(*session, *r.GetU64("lun"), *cdb, inLength, result);
  ControlMessage reply = Reply(status);
  if (status != kOk) return reply;
  reply[0].SetU64("scsi_status", result.status).Set("data", HexText(result.data.data(), result.data.size()));
  reply[0].Set("sense", HexText(result.sense.data(), result.sense.size()));
  return reply;
}

ControlMessage ListOf(const char* type, const char* key, const std::vector<std::string>& values) {
  ControlMessage reply = Reply(kOk);
  for (const auto& value : values) reply.push_back(ControlRecord(type).Set(key, value));
  return reply;
}

Portal PortalOf(const ControlRecord& r, bool& ok) {
  Portal portal;
  ok = GetPortal(r, portal) && !portal.address.empty();
  return portal;
}

using Handler = std::function<ControlMessage(InitiatorCore&, const ControlMessage&)>;

const std::map<std::string, Handler>& Handlers() {
  static const std::map<std::string, Handler> handlers = {
      {op::kPing, [](InitiatorCore& c, const ControlMessage& m) { return Ping(c, m[0]); }},
      {op::kNodeName,
       [](InitiatorCore& c, const ControlMessage&) {
         ControlMessage reply = Reply(kOk);
         reply[0].Set("name", c.NodeName());
         return reply;
       }},
      {op::kSetNodeName,
       [](InitiatorCore& c, const ControlMessage& m) { return Reply(c.SetNodeName(m[0].Get("name"))); }},
      {op::kSetChapSecret,
       [](InitiatorCore& c, const ControlMessage& m) { return Reply(c.SetChapSecret(m[0].Get("secret"))); }},
      {op::kInitiators,
       [](InitiatorCore&, const ControlMessage&) { return ListOf("initiator", "name", {kInitiatorInstance}); }},
      {op::kAddPortal,
       [](InitiatorCore& c, const ControlMessage& m) {
         SendTargetsPortal portal;
         return GetSendTargetsPortal(m[0], portal) ? Reply(c.AddPortal(portal)) : Reply(kInvalidParameter);
       }},
      {op::kRemovePortal,
       [](InitiatorCore& c, const ControlMessage& m) {
         bool ok = false;
         const Portal portal = PortalOf(m[0], ok);
         return ok ? Reply(c.RemovePortal(portal)) : Reply(kInvalidParameter);
       }},
      {op::kRefreshPortal,
       [](InitiatorCore& c, const ControlMessage& m) {
         bool ok = false;
         const Portal portal = PortalOf(m[0], ok);
         return ok ? Reply(c.RefreshPortal(portal)) : Reply(kInvalidParameter);
       }},
      {op::kPortals, [](InitiatorCore& c, const ControlMessage&) { return Portals(c); }},
      {op::kAddTarget, [](InitiatorCore& c, const ControlMessage& m) { return AddTarget(c, m); }},
      {op::kRemoveTarget,
       [](InitiatorCore& c, const ControlMessage& m) { return Reply(c.RemoveStaticTarget(m[0].Get("name"))); }},
      {op::kTargets,
       [](InitiatorCore& c, const ControlMessage& m) {
         return ListOf("target", "name", c.Targets(m[0].GetBool("force")));
       }},
      {op::kTargetInfo, [](InitiatorCore& c, const ControlMessage& m) { return TargetInformation(c, m[0]); }},
      {op::kLogin, [](InitiatorCore& c, const ControlMessage& m) { return Login(c, m); }},
      {op::kLogout,
       [](InitiatorCore& c, const ControlMessage& m) {
         const auto id = GetId(m[0], "session");
         return id ? Reply(c.Logout(*id)) : Reply(kInvalidParameter);
       }},
      {op::kSessions, [](InitiatorCore& c, const ControlMessage&) { return Sessions(c); }},
      {op::kPersistentLogins, [](InitiatorCore& c, const ControlMessage&) { return PersistentLogins(c); }},
      {op::kRemovePersistent, [](InitiatorCore& c, const ControlMessage& m) { return RemovePersistent(c, m[0]); }},
      {op::kScsi, [](InitiatorCore& c, const ControlMessage& m) { return Scsi(c, m[0]); }},
      {op::kPersistentDevices,
       [](InitiatorCore& c, const ControlMessage&) { return ListOf("device", "path", c.PersistentDevices()); }},
      {op::kAddPersistentDevice,
       [](InitiatorCore& c, const ControlMessage& m) { return Reply(c.AddPersistentDevice(m[0].Get("path"))); }},
      {op::kRemovePersistentDevice,
       [](InitiatorCore& c, const ControlMessage& m) { return Reply(c.RemovePersistentDevice(m[0].Get("path"))); }},
      {op::kClearPersistentDevices,
       [](InitiatorCore& c, const ControlMessage&) { return Reply(c.ClearPersistentDevices()); }},
  };
  return handlers;
}

}  // namespace

bool IsReadOnlyOperation(std::string_view op) {
  static const std::string_view kReadOnly[] = {
      op::kPing,       op::kNodeName, op::kInitiators,       op::kPortals,           op::kTargets,
      op::kTargetInfo, op::kSessions, op::kPersistentLogins, op::kPersistentDevices, op::kVolumes};
  for (const auto& name : kReadOnly) {
    if (name == op) return true;
  }
  return StorageOps::IsReadOnly(op);
}

bool IsSelfAuthorisingOperation(std::string_view op) {
  // A handler listed here must call authority_ itself for everything but
  // what it can prove the caller already owns.
  return IsShareOperation(op);
}

std::uint32_t OwnUserAuthority(std::string_view op, const Caller& caller) {
  if (caller.uid == 0 || caller.uid == geteuid() || IsReadOnlyOperation(op)) return kOk;
  return kNotAuthorised;
}

const char* ControlHandler::StatusText(std::uint32_t status) {
  switch (status) {
    case kOk:
      return "ok";
    case kBadRequest:
      return "malformed request";
    case kBadVersion:
      return "unsupported protocol version";
    case kUnknownOperation:
      return "unknown operation";
    case kNotSupported:
      return "not supported by this initiator";
    case kInvalidParameter:
      return "invalid parameter";
    case kTargetNotFound:
      return "target not found";
    case kSessionNotFound:
      return "session not found";
    case kPortalNotFound:
      return "portal not found";
    case kPersistentNotFound:
      return "persistent login not found";
    case kConnectionFailed:
      return "connection failed";
    case kLoginFailed:
      return "login failed";
    case kTimedOut:
      return "timed out";
    case kDeviceBusy:
      return "a device of the session is in use";
    case kAlreadyExists:
      return "already exists";
    case kScsiFailed:
      return "SCSI command failed";
    case kInternal:
      return "internal error";
    case kDeviceNotFound:
      return "device not found";
    case kInitiatorNotFound:
      return "initiator instance not found";
    case kNotAuthorised:
      return "not authorised";
    case kSetupInProgress:
      return "another user is setting up an appliance on this PC";
    default:
      return "unknown status";
  }
}

ControlMessage ControlHandler::Handle(const ControlMessage& request, const Caller& caller, std::stop_token stop) {
  if (request.empty() || request[0].type() != "req") return Reply(kBadRequest);
  const auto version = request[0].GetU64("v");
  if (!version) return Reply(kBadRequest);
  if (*version != kVersion) return Reply(kBadVersion);
  const std::string op = request[0].Get("op");
  if (op == op::kBeginSetup && lease_.begin) return Reply(lease_.begin(caller));
  // Giving up a lease needs no permission (there may be none to give up).
  if (op == op::kEndSetup) return Reply(lease_.end ? lease_.end(caller) : kOk);
  // An operation nobody offers is answered as such, without asking polkit.
  const bool known = op == op::kBeginSetup || IsShareOperation(op) || op == op::kRememberVolume ||
                     op == op::kForgetVolume || op == op::kVolumes || StorageOps::Handles(op) ||
                     Handlers().count(op) != 0;
  if (!known) return Reply(kUnknownOperation);
  if (!IsSelfAuthorisingOperation(op)) {
    if (const std::uint32_t allowed = authority_(op, caller); allowed != kOk) return Reply(allowed);
  }
  // Without a lease, asking for one is only a question of being allowed.
  if (op == op::kBeginSetup) return Reply(kOk);
  if (IsShareOperation(op)) return Reply(shares_ ? shares_->Handle(op, request[0], caller, authority_) : kNotSupported);
  if (op == op::kRememberVolume || op == op::kForgetVolume || op == op::kVolumes) return HandleVolumes(op, request[0]);
  if (StorageOps::Handles(op))
    return storage_ ? storage_->Handle(op, request, caller, std::move(stop)) : Reply(kNotSupported);
  return Handlers().find(op)->second(core_, request);
}

ControlMessage ControlHandler::HandleVolumes(const std::string& op, const ControlRecord& r) {
  if (op == op::kVolumes) {
    ControlMessage reply = Reply(kOk);
    for (const auto& volume : core_.Volumes()) {
      ControlRecord record("volume");
      PutVolume(record, volume);
      reply.push_back(std::move(record));
    }
    return reply;
  }
  // Fields are checked first, so that a service without volumes still
  // answers a malformed request as such.
  const char letter = GetLetter(r, "letter");
  if (!letter) return Reply(kInvalidParameter);
  if (op == op::kForgetVolume) return Reply(volumes_ ? volumes_->Forget(letter) : kNotSupported);
  const std::string target = r.Get("target");
  std::uint32_t uid = 0, gid = 0;
  if (target.empty() || target.size() > kMaxNameLength || !GetU32(r, "owner_uid", uid, 0) ||
      !GetU32(r, "owner_gid", gid, 0) || uid == 0xFFFFFFFFu || gid == 0xFFFFFFFFu) {
    return Reply(kInvalidParameter);
  }
  return Reply(volumes_ ? volumes_->Remember(target, letter, uid, gid) : kNotSupported);
}

std::string ControlHandler::HandleText(std::string_view text, const Caller& caller, std::stop_token stop) {
  const auto request = DecodeControlMessage(text);
  return EncodeControlMessage(request ? Handle(*request, caller, std::move(stop)) : Reply(kBadRequest));
}

}  // namespace sp::iscsid
