#include "platform/netdockprotocol.h"

#include <cstring>

#include "base/text.h"
#include "platform/netconnections.h"

namespace sp {
namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t GetU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool IsAsciiAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Wide text that is plain ASCII, narrowed; false for anything else.
bool NarrowAscii(std::u16string_view text, std::string* out) {
  out->clear();
  for (char16_t c : text) {
    if (c == 0 || c > 0x7E) return false;
    out->push_back(static_cast<char>(c));
  }
  return true;
}

}  // namespace

std::uint32_t NetDockCbData(std::u16string_view text) {
  return static_cast<std::uint32_t>(2 * (Utf16ToUtf8(text).size() + 1));
}

std::vector<std::uint8_t> EncodeNetDockRequest(std::uint32_t dwData, std::u16string_view text) {
  const std::uint32_t cbData = NetDockCbData(text);
  if (cbData > kNetDockMaxPayload) return {};
  std::vector<std::uint8_t> out;
  out.reserve(kNetDockHeaderSize + cbData);
  PutU32(out, kNetDockMagic);
  PutU32(out, kNetDockDataMessage);
  PutU32(out, dwData);
  PutU32(out, cbData);
  for (char16_t c : text) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  out.resize(kNetDockHeaderSize + cbData, 0);  // terminator and padding
  return out;
}

std::vector<std::uint8_t> EncodeNetDockClose() {
  std::vector<std::uint8_t> out;
  PutU32(out, kNetDockMagic);
  PutU32(out, kNetDockCloseMessage);
  PutU32(out, 0);
  PutU32(out, 0);
  return out;
}

NetDockParse ParseNetDockRequest(const std::uint8_t* bytes, std::size_t size, NetDockRequest* request,
                                 std::size_t* consumed) {
  // Reject a wrong stream as early as its first bytes show it.
  static const std::uint8_t kMagicBytes[4] = {'N', 'D', 'K', '1'};
  if (size == 0) return NetDockParse::kIncomplete;
  if (std::memcmp(bytes, kMagicBytes, size < 4 ? size : 4) != 0) return NetDockParse::kInvalid;
  if (size < kNetDockHeaderSize) return NetDockParse::kIncomplete;
  const std::uint32_t message = GetU32(bytes + 4);
  const std::uint32_t cbData = GetU32(bytes + 12);
  if (message != kNetDockDataMessage && message != kNetDockCloseMessage) return NetDockParse::kInvalid;
  if (cbData > kNetDockMaxPayload) return NetDockParse::kInvalid;
  if (message == kNetDockCloseMessage && cbData != 0) return NetDockParse::kInvalid;
  if (size - kNetDockHeaderSize < cbData) return NetDockParse::kIncomplete;
  request->message = message;
  request->dwData = GetU32(bytes + 8);
  request->cbData = cbData;
  request->payload.assign(bytes + kNetDockHeaderSize, bytes + kNetDockHeaderSize + cbData);
  *consumed = kNetDockHeaderSize + cbData;
  return NetDockParse::kComplete;
}

std::u16string NetDockRequestText(const NetDockRequest& request) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < request.payload.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(request.payload[i] | request.payload[i + 1] << 8);
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

std::array<std::uint8_t, kNetDockReplySize> EncodeNetDockReply(std::int64_t value) {
  std::array<std::uint8_t, kNetDockReplySize> out{};
  const auto v = static_cast<std::uint64_t>(value);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
  return out;
}

std::int64_t DecodeNetDockReply(const std::uint8_t* bytes) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < kNetDockReplySize; ++i) v |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
  return static_cast<std::int64_t>(v);
}

bool IsValidNetHostName(std::string_view host) {
  if (host.empty() || host.size() > 63 || !IsAsciiAlnum(host[0])) return false;
  for (char c : host) {
    if (!IsAsciiAlnum(c) && c != '-' && c != '_' && c != '.') return false;
  }
  return true;
}

bool IsValidNetShareName(std::string_view share) {
  if (share.empty() || share.size() > 80 || share == "." || share == "..") return false;
  if (share.front() == ' ' || share.back() == ' ') return false;
  for (char c : share) {
    if (c < 0x20 || c > 0x7E) return false;
    if (std::strchr("/\\:*?\"<>|", c) != nullptr) return false;
  }
  return true;
}

bool ParseUncPath(std::string_view unc, std::string* host, std::string* share) {
  if (unc.size() < 2 || unc[0] != '\\' || unc[1] != '\\') return false;
  unc.remove_prefix(2);
  const std::size_t sep = unc.find('\\');
  if (sep == std::string_view::npos) return false;
  const std::string_view h = unc.substr(0, sep);
  const std::string_view s = unc.substr(sep + 1);
  if (!IsValidNetHostName(h) || !IsValidNetShareName(s)) return false;
  host->assign(h);
  share->assign(s);
  return true;
}

std::string MakeUncPath(std::string_view host, std::string_view share) {
  return "\\\\" + std::string(host) + "\\" + std::string(share);
}

char ParseNetDockDriveText(std::u16string_view text) {
  std::string narrow;
  if (!NarrowAscii(text, &narrow)) return '\0';
  return DriveTextLetter(narrow);
}

bool ParseNetDockMapText(std::u16string_view text, NetShareTarget* target) {
  std::string narrow;
  if (!NarrowAscii(text, &narrow)) return false;
  if (narrow.size() < 3 || narrow[2] != ' ') return false;
  const char letter = DriveTextLetter(std::string_view(narrow).substr(0, 2));
  if (!letter) return false;
  NetShareTarget parsed;
  if (!ParseUncPath(std::string_view(narrow).substr(3), &parsed.host, &parsed.share)) return false;
  parsed.letter = letter;
  *target = std::move(parsed);
  return true;
}

}  // namespace sp
