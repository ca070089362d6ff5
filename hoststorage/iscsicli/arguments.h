#pragma once
// How the interpreter reads its arguments: "*" for defaults, numbers with an
// optional "0x", session identifiers, target LUNs, booleans, secrets, the
// nine login options and target mappings.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/iscsiinitiator.h"

namespace sp {

// Platform text fields hold 256 characters with their terminator.
inline constexpr std::size_t kIscsiMaxNameLength = 255;

bool IsStar(std::u16string_view arg);

// "0x"/"0X" and longer than two characters: hexadecimal, where any other
// character makes the whole value 0. Otherwise decimal with an optional sign,
// read up to the first non-digit and held to the 32-bit signed range (so
// "-1" is all bits set and "*" is 0).
std::uint32_t ParseNumber32(std::u16string_view arg);

// "0x"/"0X" and longer than two characters: hexadecimal up to the first
// non-hex character; otherwise decimal up to the first non-digit, a leading
// "-" negating. Too large values saturate.
std::uint64_t ParseNumber64(std::u16string_view arg);

// Two hexadecimal parts joined by "-", each optionally prefixed "0x"; digits
// beyond the sixteenth of a part are ignored. Empty parts, a missing "-" and
// non-hex characters are invalid.
std::optional<IscsiUniqueSessionId> ParseSessionId(std::u16string_view arg);

// The text the interpreter keeps and prints for an identifier: "%llx-%llx".
std::string SessionIdText(const IscsiUniqueSessionId& id);

// Exactly "0x" (or "0X") and 16 hexadecimal digits.
std::optional<std::uint64_t> ParseTargetLun(std::u16string_view arg);

// "T", "t" and "*" are true.
bool ParseFlag(std::u16string_view arg);

// Text as its UTF-8 bytes, or with a leading "0x"/"0X" hexadecimal digit
// pairs, one byte each. Returns false (and an empty secret) for an odd number
// of digits or a character that is not a hex digit.
bool ParseSecret(std::u16string_view arg, std::vector<std::uint8_t>& secret);

// Text as UTF-8 bytes, with or without its terminating zero.
std::vector<std::uint8_t> TextBytes(std::u16string_view arg, bool withTerminator);

// Reads the nine login options starting at `args[0]`: Login Flags, Header
// Digest, Data Digest, Max Connections, DefaultTime2Wait, DefaultTime2Retain,
// Username, Password, AuthType. "*" leaves an option unspecified.
IscsiLoginOptions ParseLoginOptions(const std::u16string* args);

// Reads `count` mappings of four words each (Target Lun, OS Bus, OS Target,
// OS Lun) starting at `args[0]`. Prints the reason and returns 87 when a LUN
// is malformed or bus or target differ between mappings.
IscsiStatus ParseMappings(const std::u16string* args, std::uint32_t count, IscsiTargetMapping& mapping,
                          std::ostream& out);

}  // namespace sp
