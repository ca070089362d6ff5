#include "devicelink/datagram.h"

#include <algorithm>
#include <cstring>

namespace sp {

namespace {

// Byte i of a datagram of `length` bytes, zero past its end.
std::uint8_t ByteAt(const std::uint8_t* d, std::size_t length, std::size_t i) { return i < length ? d[i] : 0; }

// Equal over at most `count` bytes, where a position holding zero in both
// ends the comparison early.
bool EqualUpToCommonZero(const std::uint8_t* request, std::size_t requestLength, const std::uint8_t* d,
                         std::size_t length, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t r = ByteAt(request, requestLength, i);
    if (r != ByteAt(d, length, i)) return false;
    if (r == 0) return true;
  }
  return true;
}

}  // namespace

std::vector<std::uint8_t> BuildRequest(const char* targetMac, std::uint8_t command, const std::uint8_t* payload,
                                       std::size_t payloadLength) {
  std::vector<std::uint8_t> request(kRequestHeaderSize + payloadLength, 0);
  std::memcpy(request.data(), kDatagramMagic, kMagicSize);
  if (targetMac) std::memcpy(request.data() + kMacTextOffset, targetMac, strnlen(targetMac, kMacTextMax));
  request[kCommandOffset] = command;
  if (payload && payloadLength) std::memcpy(request.data() + kRequestHeaderSize, payload, payloadLength);
  return request;
}

std::vector<std::uint8_t> BuildItemPayload(std::uint16_t item, const void* data, std::uint16_t dataLength) {
  std::vector<std::uint8_t> p(4 + dataLength, 0);
  p[0] = static_cast<std::uint8_t>(item & 0xff);
  p[1] = static_cast<std::uint8_t>(item >> 8);
  p[2] = static_cast<std::uint8_t>(dataLength & 0xff);
  p[3] = static_cast<std::uint8_t>(dataLength >> 8);
  if (data && dataLength) std::memcpy(p.data() + 4, data, dataLength);
  return p;
}

bool IsReplyTo(const std::uint8_t* request, std::size_t requestLength, const std::uint8_t* datagram,
               std::size_t length) {
  if (length < 1 || length >= kReceiveBufferSize) return false;
  if (EqualUpToCommonZero(request, requestLength, datagram, length, requestLength)) return false;
  if (datagram[0] == 0) return false;
  return EqualUpToCommonZero(request, requestLength, datagram, length, kCommandOffset);
}

void CopyReplyArea(const std::uint8_t* datagram, std::size_t length, std::uint8_t* replyArea) {
  if (!replyArea) return;
  std::memset(replyArea, 0, kReplyAreaSize);
  if (length > kCommandOffset) {
    std::memcpy(replyArea, datagram + kCommandOffset, std::min(length - kCommandOffset, kReplyAreaSize));
  }
}

std::string DatagramText(const std::uint8_t* datagram, std::size_t length, std::size_t offset, std::size_t width) {
  std::string text;
  for (std::size_t i = offset; i < offset + width && i < length && datagram[i] != 0; ++i) {
    text.push_back(static_cast<char>(datagram[i]));
  }
  return text;
}

}  // namespace sp
