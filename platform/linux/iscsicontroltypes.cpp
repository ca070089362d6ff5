#include "platform/linux/iscsicontroltypes.h"

#include <cinttypes>
#include <cstdio>

namespace sp::iscsictl {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::uint64_t> ParseIdPart(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  if (text.empty() || text.size() > 16) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    const int digit = HexValue(c);
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<std::uint64_t>(digit);
  }
  return value;
}

bool GetU64(const ControlRecord& record, std::string_view key, std::uint64_t& value, std::uint64_t fallback) {
  if (!record.Has(key)) {
    value = fallback;
    return true;
  }
  const auto parsed = record.GetU64(key);
  if (!parsed) return false;
  value = *parsed;
  return true;
}

bool GetText(const ControlRecord& record, std::string_view key, std::string& value, std::size_t limit) {
  std::string text = record.Get(key);
  if (text.size() > limit) return false;
  value = std::move(text);
  return true;
}

}  // namespace

bool GetU32(const ControlRecord& record, std::string_view key, std::uint32_t& value, std::uint32_t fallback) {
  std::uint64_t wide = 0;
  if (!GetU64(record, key, wide, fallback) || wide > 0xFFFFFFFFull) return false;
  value = static_cast<std::uint32_t>(wide);
  return true;
}

std::string UniqueIdText(const UniqueId& id) {
  char text[40];
  std::snprintf(text, sizeof text, "%" PRIx64 "-%" PRIx64, id.adapterUnique, id.adapterSpecific);
  return text;
}

std::optional<UniqueId> ParseUniqueId(std::string_view text) {
  const std::size_t dash = text.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const auto first = ParseIdPart(text.substr(0, dash));
  const auto second = ParseIdPart(text.substr(dash + 1));
  if (!first || !second) return std::nullopt;
  return UniqueId{*first, *second};
}

void PutOptions(ControlRecord& record, const LoginOptions& options) {
  record.SetU64("opt_version", options.version).SetHex("opt_specified", options.specified);
  record.SetHex("opt_login_flags", options.loginFlags);
  const std::uint32_t s = options.specified;
  if (s & LoginOptions::kHeaderDigest) record.SetU64("opt_header_digest", options.headerDigest);
  if (s & LoginOptions::kDataDigest) record.SetU64("opt_data_digest", options.dataDigest);
  if (s & LoginOptions::kMaxConnections) record.SetU64("opt_max_connections", options.maxConnections);
  if (s & LoginOptions::kTime2Wait) record.SetU64("opt_time2wait", options.time2Wait);
  if (s & LoginOptions::kTime2Retain) record.SetU64("opt_time2retain", options.time2Retain);
  if (s & LoginOptions::kUsername) record.Set("opt_username", options.username);
  if (s & LoginOptions::kPassword) record.Set("opt_password", options.password);
  if (s & LoginOptions::kAuthType) record.SetU64("opt_auth_type", options.authType);
}

bool GetOptions(const ControlRecord& record, LoginOptions& options) {
  LoginOptions o;
  bool ok =
      GetU32(record, "opt_version", o.version, 0) && GetU32(record, "opt_specified", o.specified, 0) &&
      GetU32(record, "opt_login_flags", o.loginFlags, 0) && GetU32(record, "opt_header_digest", o.headerDigest, 0) &&
      GetU32(record, "opt_data_digest", o.dataDigest, 0) &&
      GetU32(record, "opt_max_connections", o.maxConnections, 0) && GetU32(record, "opt_time2wait", o.time2Wait, 0) &&
      GetU32(record, "opt_time2retain", o.time2Retain, 0) && GetU32(record, "opt_auth_type", o.authType, 0) &&
      GetText(record, "opt_username", o.username, 255) && GetText(record, "opt_password", o.password, 255);
  if (!ok) return false;
  options = std::move(o);
  return true;
}

void PutPortal(ControlRecord& record, const Portal& portal) {
  record.Set("address", portal.address).SetU64("socket", portal.socket);
  if (!portal.symbolicName.empty()) record.Set("symbolic", portal.symbolicName);
}

bool GetPortal(const ControlRecord& record, Portal& portal) {
  Portal p;
  std::uint32_t socket = 0;
  if (!GetText(record, "address", p.address, kMaxAddressLength) ||
      !GetText(record, "symbolic", p.symbolicName, kMaxAddressLength) || !GetU32(record, "socket", socket, 3260) ||
      socket > 0xFFFF) {
    return false;
  }
  p.socket = static_cast<std::uint16_t>(socket);
  portal = std::move(p);
  return true;
}

ControlRecord MappingRecord(const LunMapping& mapping) {
  ControlRecord record("mapping");
  record.SetHex("target_lun", mapping.targetLun).SetU64("os_bus", mapping.osBus);
  record.SetU64("os_target", mapping.osTarget).SetU64("os_lun", mapping.osLun);
  return record;
}

bool GetMapping(const ControlRecord& record, LunMapping& mapping) {
  LunMapping m;
  if (!GetU64(record, "target_lun", m.targetLun, 0) || !GetU32(record, "os_bus", m.osBus, 0) ||
      !GetU32(record, "os_target", m.osTarget, 0) || !GetU32(record, "os_lun", m.osLun, 0)) {
    return false;
  }
  mapping = m;
  return true;
}

void PutLoginRequest(ControlRecord& record, const LoginRequest& login) {
  record.Set("target", login.target).SetBool("informational", login.informational);
  if (!login.initiator.empty()) record.Set("initiator", login.initiator);
  record.SetHex("port", login.initiatorPort).SetHex("security_flags", login.securityFlags);
  if (login.portal) PutPortal(record, *login.portal);
  PutOptions(record, login.options);
  if (!login.key.empty()) record.Set("key", login.key);
  record.SetBool("persistent", login.persistent);
}

bool GetLoginRequest(const ControlRecord& record, LoginRequest& login) {
  LoginRequest l;
  if (!GetText(record, "target", l.target, kMaxNameLength) ||
      !GetText(record, "initiator", l.initiator, kMaxAddressLength) ||
      !GetU32(record, "port", l.initiatorPort, kAnyInitiatorPort) ||
      !GetU64(record, "security_flags", l.securityFlags, 0) || !GetOptions(record, l.options) ||
      !GetText(record, "key", l.key, 1024)) {
    return false;
  }
  if (record.Has("address")) {
    Portal portal;
    if (!GetPortal(record, portal)) return false;
    l.portal = std::move(portal);
  }
  l.informational = record.GetBool("informational");
  l.persistent = record.GetBool("persistent");
  login = std::move(l);
  return true;
}

void PutSendTargetsPortal(ControlRecord& record, const SendTargetsPortal& portal) {
  PutPortal(record, portal.portal);
  if (!portal.initiator.empty()) record.Set("initiator", portal.initiator);
  record.SetHex("port", portal.initiatorPort).SetHex("security_flags", portal.securityFlags);
  PutOptions(record, portal.options);
}

bool GetSendTargetsPortal(const ControlRecord& record, SendTargetsPortal& portal) {
  SendTargetsPortal p;
  if (!GetPortal(record, p.portal) || !GetText(record, "initiator", p.initiator, kMaxAddressLength) ||
      !GetU32(record, "port", p.initiatorPort, kAnyInitiatorPort) ||
      !GetU64(record, "security_flags", p.securityFlags, 0) || !GetOptions(record, p.options)) {
    return false;
  }
  portal = std::move(p);
  return true;
}

char GetLetter(const ControlRecord& record, std::string_view key) {
  const std::string* text = record.Find(key);
  if (!text || text->size() != 1) return 0;
  const char c = (*text)[0];
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return c >= 'a' && c <= 'z' ? c : 0;
}

void PutVolume(ControlRecord& record, const RememberedVolume& volume) {
  record.Set("target", volume.target).SetHex("target_lun", volume.lunField);
  record.SetU64("offset", volume.offset).SetU64("size", volume.size).Set("fs", volume.fileSystem);
  record.Set("letter", std::string(1, volume.letter));
  record.SetU64("owner_uid", volume.ownerUid).SetU64("owner_gid", volume.ownerGid);
}

bool GetVolume(const ControlRecord& record, RememberedVolume& volume) {
  RememberedVolume v;
  v.letter = GetLetter(record, "letter");
  const auto lun = record.GetU64("target_lun");
  if (!v.letter || !lun || !GetText(record, "target", v.target, kMaxNameLength) || v.target.empty() ||
      !GetU64(record, "offset", v.offset, 0) || !GetU64(record, "size", v.size, 0) ||
      !GetU32(record, "owner_uid", v.ownerUid, 0) || !GetU32(record, "owner_gid", v.ownerGid, 0)) {
    return false;
  }
  v.lunField = *lun;
  v.fileSystem = record.Get("fs");
  // Only what the disk layer makes: NTFS in a partition past the MBR.
  if (v.fileSystem != "ntfs" || v.offset == 0 || v.offset % 512 != 0 || v.size % 512 != 0) return false;
  volume = std::move(v);
  return true;
}

std::string HexText(const std::uint8_t* data, std::size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 15];
  }
  return text;
}

std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = HexValue(text[i]);
    const int lo = HexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  return bytes;
}

}  // namespace sp::iscsictl
