#pragma once
// The appliance's network identity: the 177-byte record that item 17 of
// command 2 sets and command 0 reports, and the commit item that makes the
// stored settings permanent.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sp {

// Texts are narrow, NUL-padded; no field is ever left without its NUL by
// MakeIdentityRecord (19 characters at most in a 20-byte field).
struct IdentityRecord {
  char name[20];
  char ip[16];
  char mac[20];
  char netmask[16];
  char gateway[16];
  char zero[49];
  char workgroup[20];
  char description[20];
};
static_assert(sizeof(IdentityRecord) == 177);
static_assert(offsetof(IdentityRecord, ip) == 20 && offsetof(IdentityRecord, mac) == 36);
static_assert(offsetof(IdentityRecord, netmask) == 56 && offsetof(IdentityRecord, gateway) == 72);
static_assert(offsetof(IdentityRecord, workgroup) == 137 && offsetof(IdentityRecord, description) == 157);

// The identity as texts (UTF-8).
struct IdentityFields {
  std::string name;
  std::string ip;
  std::string mac;
  std::string netmask;
  std::string gateway;
  std::string workgroup;
  std::string description;
};

// The record for `fields`, every text cut to its field without splitting a
// character; bytes 88-136 zero.
IdentityRecord MakeIdentityRecord(const IdentityFields& fields);

inline constexpr std::size_t kIdentityItemPayloadSize = 181;
// Item code 17, data length 177, then the record.
std::vector<std::uint8_t> BuildIdentityItem(const IdentityRecord& record);

inline constexpr char kCommitWord[] = "nvram_commit";
inline constexpr std::size_t kCommitItemPayloadSize = 16;
// Item code 16, data length 12, then "nvram_commit" without a NUL.
std::vector<std::uint8_t> BuildCommitItem();

// In a command-0 reply the record starts at reply-area byte 5.
inline constexpr std::size_t kIdentityReplyOffset = 5;

// Reads the identity out of the first `length` bytes of a reply area (bytes
// past `length` count as zero). Returns true when the reply carries a
// non-empty IP address text: only then is the read-back taken.
bool ParseIdentityReply(const std::uint8_t* replyArea, std::size_t length, IdentityFields* out);

}  // namespace sp
