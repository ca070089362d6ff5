#pragma once
// The wire form of requests to the share-mapping agent, and the texts they
// carry. Shared by the wizard's client and the agent.
//
// A request on the agent's stream socket:
//   offset 0  u32 magic "NDK1"
//          4  u32 message: 0x4A data request, 0x10 close
//          8  u32 dwData (request code)
//         12  u32 cbData (payload length, at most kNetDockMaxPayload)
//         16  cbData bytes: the text, UTF-16LE, zero-terminated, zero-padded
// The answer: 8 bytes, a signed 64-bit integer, little-endian.
// All integers are little-endian.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sp {

inline constexpr std::uint32_t kNetDockMagic = 0x314B444E;  // "NDK1"
inline constexpr std::uint32_t kNetDockDataMessage = 0x4A;
inline constexpr std::uint32_t kNetDockCloseMessage = 0x10;
inline constexpr std::size_t kNetDockHeaderSize = 16;
inline constexpr std::size_t kNetDockMaxPayload = 4096;
inline constexpr std::size_t kNetDockReplySize = 8;

// The payload length announced for `text`: twice the byte length, terminator
// included, of the text in the narrow code page (UTF-8). For plain ASCII that
// is the wide text's byte length with its terminator; for other text it is
// more, and the payload is zero-padded to it, so the agent never reads past
// what was sent.
std::uint32_t NetDockCbData(std::u16string_view text);

// A data request for `text`; empty when the text does not fit the payload
// limit.
std::vector<std::uint8_t> EncodeNetDockRequest(std::uint32_t dwData, std::u16string_view text);
std::vector<std::uint8_t> EncodeNetDockClose();

struct NetDockRequest {
  std::uint32_t message = 0;
  std::uint32_t dwData = 0;
  std::uint32_t cbData = 0;
  std::vector<std::uint8_t> payload;  // cbData bytes
};

enum class NetDockParse { kIncomplete, kComplete, kInvalid };

// Reads one request from the start of `bytes`. kComplete fills *request and
// *consumed; kIncomplete asks for more bytes; kInvalid means the stream is
// not a request stream (wrong magic, unknown message, payload too long).
NetDockParse ParseNetDockRequest(const std::uint8_t* bytes, std::size_t size, NetDockRequest* request,
                                 std::size_t* consumed);

// The payload as wide text: UTF-16LE up to the first zero unit (or the end;
// an odd last byte is dropped).
std::u16string NetDockRequestText(const NetDockRequest& request);

std::array<std::uint8_t, kNetDockReplySize> EncodeNetDockReply(std::int64_t value);
std::int64_t DecodeNetDockReply(const std::uint8_t* bytes);

// What a map request names: drive letter (upper case), server and share.
struct NetShareTarget {
  char letter = '\0';
  std::string host;
  std::string share;
};

// Server names the agent accepts: 1 to 63 characters of letters, digits,
// '-', '_' and '.', beginning with a letter or digit, not all dots. Names
// reach outside tools and file paths, so nothing else passes.
bool IsValidNetHostName(std::string_view host);
// Share names: 1 to 80 printable ASCII characters, none of / \ : * ? " < > |,
// not "." or "..", no leading or trailing blank.
bool IsValidNetShareName(std::string_view share);

// "\\host\share" -> host and share, both valid; false otherwise.
bool ParseUncPath(std::string_view unc, std::string* host, std::string* share);
std::string MakeUncPath(std::string_view host, std::string_view share);

// The unmap text: exactly a drive "X:". Returns the letter (upper case) or
// '\0'.
char ParseNetDockDriveText(std::u16string_view text);
// The map text: "X: \\host\share".
bool ParseNetDockMapText(std::u16string_view text, NetShareTarget* target);

}  // namespace sp
