#include "devtools/vbx207-sim/simprotocol.h"

#include <arpa/inet.h>
#include <nettle/md5.h>

#include <algorithm>
#include <cstring>

namespace sp::sim {

namespace {

constexpr char kMagic[5] = {'@', 'k', '#', 'v', '$'};

std::size_t RequestSize(std::uint8_t command) {
  switch (command) {
    case kQueryIdentity:
    case kQueryDisks:
    case kQueryProgress:
    case kIdentify:
      return kRequestHeaderSize;
    case kLoginCheck:
      return kRequestHeaderSize + 32;
    case kStartDiskSetup:
      return kRequestHeaderSize + 2;
    default:
      return 0;
  }
}

int ItemSize(int item) {
  switch (item) {
    case kTimeSettings:
      return static_cast<int>(kTimeSettingsSize);
    case kAdminPassword:
      return static_cast<int>(kPasswordDataSize);
    case kCommit:
      return static_cast<int>(kCommitWord.size());
    case kIdentityItem:
      return static_cast<int>(kIdentityRecordSize);
    default:
      return -1;
  }
}

void PutText(std::vector<std::uint8_t>& out, std::size_t offset, std::size_t width, const std::string& text) {
  std::memcpy(out.data() + offset, text.data(), std::min(text.size(), width - 1));  // keeps its zero
}

}  // namespace

ParseResult ParseRequest(const std::uint8_t* d, std::size_t length, SimRequest* out) {
  if (length < kRequestHeaderSize || std::memcmp(d, kMagic, sizeof kMagic) != 0) return ParseResult::kNotProtocol;
  SimRequest r;
  std::memcpy(r.macField.data(), d + 5, r.macField.size());
  r.mac = FieldString(d + 5, r.macField.size());
  r.command = d[22];
  r.payload.assign(d + kRequestHeaderSize, d + length);
  if (r.command == kSetItem) {
    if (length < kRequestHeaderSize + 4) return ParseResult::kBadLength;
    r.item = d[23] | d[24] << 8;
    const std::size_t dataLength = static_cast<std::size_t>(d[25] | d[26] << 8);
    if (length != kRequestHeaderSize + 4 + dataLength) return ParseResult::kBadLength;
    const int expected = ItemSize(r.item);
    if (expected < 0) return ParseResult::kUnknownItem;
    if (dataLength != static_cast<std::size_t>(expected)) return ParseResult::kBadLength;
    r.itemData.assign(d + kRequestHeaderSize + 4, d + length);
  } else {
    const std::size_t expected = RequestSize(r.command);
    if (expected == 0) return ParseResult::kUnknownCommand;
    if (length != expected) return ParseResult::kBadLength;
  }
  if (out) *out = std::move(r);
  return ParseResult::kRequest;
}

const char* ParseResultName(ParseResult result) {
  switch (result) {
    case ParseResult::kRequest:
      return "request";
    case ParseResult::kNotProtocol:
      return "not-protocol";
    case ParseResult::kUnknownCommand:
      return "unknown-command";
    case ParseResult::kBadLength:
      return "bad-length";
    case ParseResult::kUnknownItem:
      return "unknown-item";
  }
  return "?";
}

std::vector<std::uint8_t> BuildReply(const std::array<std::uint8_t, 17>& macField, std::uint8_t code,
                                     std::uint8_t command, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> reply(kReplyDataOffset + data.size(), 0);
  std::memcpy(reply.data(), kMagic, sizeof kMagic);
  std::memcpy(reply.data() + 5, macField.data(), macField.size());
  reply[22] = code;
  reply[23] = command;
  if (!data.empty()) std::memcpy(reply.data() + kReplyDataOffset, data.data(), data.size());
  return reply;
}

std::array<std::uint8_t, 17> MacField(const std::string& mac) {
  std::array<std::uint8_t, 17> field{};
  std::memcpy(field.data(), mac.data(), std::min(mac.size(), field.size()));
  return field;
}

std::vector<std::uint8_t> EncodeIdentity(const Identity& id) {
  std::vector<std::uint8_t> r(kIdentityRecordSize, 0);
  PutText(r, 0, 20, id.name);
  PutText(r, 20, 16, id.ip);
  PutText(r, 36, 20, id.mac);
  PutText(r, 56, 16, id.netmask);
  PutText(r, 72, 16, id.gateway);
  PutText(r, 137, 20, id.workgroup);
  PutText(r, 157, 20, id.description);
  return r;
}

Identity DecodeIdentity(const std::uint8_t* r) {
  Identity id;
  id.name = FieldString(r, 20);
  id.ip = FieldString(r + 20, 16);
  id.mac = FieldString(r + 36, 20);
  id.netmask = FieldString(r + 56, 16);
  id.gateway = FieldString(r + 72, 16);
  id.workgroup = FieldString(r + 137, 20);
  id.description = FieldString(r + 157, 20);
  return id;
}

std::vector<std::uint8_t> EncodeDisks(const std::vector<DiskSpec>& disks) {
  std::vector<std::uint8_t> out(2 * kDiskSlotSize, 0);
  for (std::size_t i = 0; i < disks.size() && i < 2; ++i) {
    const DiskSpec& d = disks[i];
    std::uint8_t* slot = out.data() + i * kDiskSlotSize;
    // Full 16-byte texts without a zero are what a real firmware may send.
    std::memcpy(slot, d.manufacturer.data(), std::min<std::size_t>(d.manufacturer.size(), 16));
    std::memcpy(slot + 16, d.model.data(), std::min<std::size_t>(d.model.size(), 16));
    std::memcpy(slot + 32, d.serial.data(), std::min<std::size_t>(d.serial.size(), 16));
    slot[48] = static_cast<std::uint8_t>(d.bay);
    for (int b = 0; b < 4; ++b) slot[52 + b] = static_cast<std::uint8_t>(d.capacityMb >> (8 * b));
  }
  return out;
}

std::array<std::uint8_t, 16> Md5(std::string_view text) {
  md5_ctx ctx;
  md5_init(&ctx);
  md5_update(&ctx, text.size(), reinterpret_cast<const std::uint8_t*>(text.data()));
  std::array<std::uint8_t, 16> digest{};
  md5_digest(&ctx, digest.size(), digest.data());
  return digest;
}

std::string Hex(const std::uint8_t* data, std::size_t length) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  s.reserve(length * 2);
  for (std::size_t i = 0; i < length; ++i) {
    s.push_back(digits[data[i] >> 4]);
    s.push_back(digits[data[i] & 15]);
  }
  return s;
}

std::string FieldString(const std::uint8_t* field, std::size_t width) {
  std::size_t n = 0;
  while (n < width && field[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(field), n);
}

bool IsIpv4(const std::string& text) {
  in_addr a{};
  return inet_pton(AF_INET, text.c_str(), &a) == 1;
}

int PrefixLength(const std::string& netmask) {
  in_addr a{};
  if (inet_pton(AF_INET, netmask.c_str(), &a) != 1) return -1;
  const std::uint32_t m = ntohl(a.s_addr);
  const int ones = __builtin_popcount(m);
  const std::uint32_t expected = ones == 0 ? 0 : ~0u << (32 - ones);
  return m == expected ? ones : -1;
}

}  // namespace sp::sim
