#pragma once
// Messages of the initiator service's control socket.
//
// A message is a list of records, one per line ("\n"). A record is a type
// word followed by key=value fields separated by single blanks:
//
//   req v=1 op=login target=iqn.2008-01.com.example:disk persistent=0
//   mapping target_lun=0x0001000000000000 os_lun=1
//
// Type words and keys are 1 to 32 characters of [a-z0-9_]. Values are bytes
// with everything outside the printable ASCII range, the blank, "%" and "="
// written as %XX (two upper- or lower-case hex digits), so any byte string
// travels unchanged. A key appears at most once per record. Messages travel
// in frames: a 4-byte big-endian length, then that many bytes of message.
//
// The first record of a request is "req" with the protocol version "v" and
// the operation "op"; the first record of a reply is "rsp" with "v" and
// "status". Further records carry lists (sessions, connections, ...). Both
// sides reject anything malformed rather than guess.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sp {

class ControlRecord {
 public:
  ControlRecord() = default;
  explicit ControlRecord(std::string type) : type_(std::move(type)) {}

  const std::string& type() const { return type_; }
  const std::vector<std::pair<std::string, std::string>>& fields() const { return fields_; }

  // Sets (or replaces) a field. Keys must be valid (see IsValidWord).
  ControlRecord& Set(std::string_view key, std::string_view value);
  ControlRecord& SetU64(std::string_view key, std::uint64_t value);
  ControlRecord& SetHex(std::string_view key, std::uint64_t value);  // "0x..." form
  ControlRecord& SetBool(std::string_view key, bool value) { return Set(key, value ? "1" : "0"); }

  bool Has(std::string_view key) const { return Find(key) != nullptr; }
  const std::string* Find(std::string_view key) const;
  std::string Get(std::string_view key, std::string_view fallback = {}) const;
  // Decimal or 0x-prefixed hexadecimal; nullopt when absent or malformed.
  std::optional<std::uint64_t> GetU64(std::string_view key) const;
  std::uint64_t GetU64Or(std::string_view key, std::uint64_t fallback) const;
  bool GetBool(std::string_view key, bool fallback = false) const;

 private:
  std::string type_;
  std::vector<std::pair<std::string, std::string>> fields_;
};

using ControlMessage = std::vector<ControlRecord>;

inline constexpr std::size_t kMaxControlFrame = 4u << 20;  // bytes of one message
inline constexpr std::size_t kMaxControlRecords = 65536;   // lines of one message
inline constexpr std::size_t kMaxControlFields = 64;       // fields of one record
inline constexpr std::size_t kMaxControlWord = 32;         // type and key length

// True for a type word or key: 1 to 32 characters of [a-z0-9_].
bool IsValidControlWord(std::string_view word);

// Percent-encodes a value (see the header comment) and decodes it back.
std::string EncodeControlValue(std::string_view value);
std::optional<std::string> DecodeControlValue(std::string_view text);

// Message <-> text. Encoding trusts the records (keys are checked on Set);
// decoding checks everything and fills `error` with the reason on failure.
std::string EncodeControlMessage(const ControlMessage& message);
std::optional<ControlMessage> DecodeControlMessage(std::string_view text, std::string* error = nullptr);

// Frames: length prefix plus message text.
std::string FrameControlMessage(const ControlMessage& message);
std::string FrameControlText(std::string_view body);

// Collects frames from a byte stream that arrives in pieces.
class ControlFrameReader {
 public:
  enum class Result { kNeedMore, kFrame, kError };
  void Append(const char* data, std::size_t size) { buffer_.append(data, size); }
  // Takes the next whole frame's text out of the buffer. kError when the
  // announced length is zero or larger than kMaxControlFrame; the stream is
  // then unusable.
  Result Next(std::string& frame);
  std::size_t buffered() const { return buffer_.size(); }

 private:
  std::string buffer_;
};

}  // namespace sp
