#pragma once
// The appliance's side of the datagram protocol: reading requests strictly
// (an appliance must never take another appliance's reply for a request), and
// the reply layouts the wizard reads.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devtools/vbx207-sim/simtypes.h"

namespace sp::sim {

inline constexpr std::size_t kHeaderSize = 22;         // magic + MAC text field
inline constexpr std::size_t kRequestHeaderSize = 23;  // + command code
inline constexpr std::size_t kReplyDataOffset = 27;    // reply code + four header bytes before it
inline constexpr std::size_t kIdentityRecordSize = 177;
inline constexpr std::size_t kDiskSlotSize = 64;
inline constexpr std::size_t kTimeSettingsSize = 136;
inline constexpr std::size_t kPasswordDataSize = 32;
inline constexpr std::string_view kCommitWord = "nvram_commit";
inline constexpr const char* kAllAppliancesMac = "ff:ff:ff:ff:ff:ff";
inline constexpr std::uint8_t kReplyAccepted = 3;
inline constexpr std::uint8_t kReplyRefused = 1;

enum Command : std::uint8_t {
  kQueryIdentity = 0,
  kSetItem = 2,
  kLoginCheck = 7,
  kStartDiskSetup = 8,
  kQueryDisks = 9,
  kQueryProgress = 10,
  kIdentify = 18,
};

enum Item : std::uint16_t { kTimeSettings = 14, kAdminPassword = 15, kCommit = 16, kIdentityItem = 17 };

struct SimRequest {
  std::array<std::uint8_t, 17> macField{};  // bytes 5..21 as they came
  std::string mac;                          // the text in them (up to the first zero)
  std::uint8_t command = 0;
  std::vector<std::uint8_t> payload;   // bytes 23..
  int item = -1;                       // command 2: the item code
  std::vector<std::uint8_t> itemData;  // command 2: the item's data
};

enum class ParseResult {
  kRequest,         // a well-formed request
  kNotProtocol,     // too short or without the magic
  kUnknownCommand,  // not a command an appliance takes (replies end here)
  kBadLength,       // a known command or item of the wrong size
  kUnknownItem,     // command 2 with an item code the appliance does not know
};

// Reads a datagram as a request. Only exact sizes are taken: commands 0, 9,
// 10 and 18 are 23 bytes, 7 is 55, 8 is 25, and 2 is 27 + its data length,
// which must be the item's (14: 136, 15: 32, 16: 12, 17: 177).
ParseResult ParseRequest(const std::uint8_t* datagram, std::size_t length, SimRequest* out);
const char* ParseResultName(ParseResult result);

// A reply: magic, the 17-byte MAC field, the reply code, four header bytes
// (the command answered, then zeros), then `data`.
std::vector<std::uint8_t> BuildReply(const std::array<std::uint8_t, 17>& macField, std::uint8_t code,
                                     std::uint8_t command, const std::vector<std::uint8_t>& data);
std::array<std::uint8_t, 17> MacField(const std::string& mac);

// The 177-byte identity record: name 0-19, IP 20-35, MAC 36-55, netmask
// 56-71, gateway 72-87, zeros 88-136, work group 137-156, description 157-176.
std::vector<std::uint8_t> EncodeIdentity(const Identity& identity);
Identity DecodeIdentity(const std::uint8_t* record);

// Two 64-byte disk slots: manufacturer 0-15, model 16-31, serial 32-47, bay
// character 48, capacity in MB (little-endian) 52-55. An empty slot is zero.
std::vector<std::uint8_t> EncodeDisks(const std::vector<DiskSpec>& disks);

std::array<std::uint8_t, 16> Md5(std::string_view text);
std::string Hex(const std::uint8_t* data, std::size_t length);
inline std::string Hex(const std::vector<std::uint8_t>& v) { return Hex(v.data(), v.size()); }

// The zero-terminated text of a fixed field.
std::string FieldString(const std::uint8_t* field, std::size_t width);

// Whether `text` is a dotted-decimal IPv4 address; its prefix length when
// `text` is a contiguous netmask (-1 otherwise).
bool IsIpv4(const std::string& text);
int PrefixLength(const std::string& netmask);

}  // namespace sp::sim
