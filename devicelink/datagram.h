#pragma once
// The device protocol's datagrams: request layout, the test that tells a reply
// to a request from everything else arriving on port 7778, and where replies
// keep their fields.
//
// Request: "@k#v$" (5 bytes), the target MAC text (17 bytes, zero-padded),
// the command code (1 byte), the payload (n bytes): 23 + n bytes.
// Reply:   the same 22-byte header, the reply code (3 = accepted), four
// header bytes nobody reads, reply data from byte 27.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devicelink/ideviceexchange.h"

namespace sp {

inline constexpr std::uint16_t kDevicePort = 7778;
inline constexpr char kDatagramMagic[5] = {'@', 'k', '#', 'v', '$'};
inline constexpr std::size_t kMagicSize = 5;
inline constexpr std::size_t kMacTextOffset = 5;
inline constexpr std::size_t kMacTextMax = 17;
inline constexpr std::size_t kCommandOffset = 22;  // command code in a request, reply code in a reply
inline constexpr std::size_t kRequestHeaderSize = 23;
inline constexpr std::size_t kReplyDataOffset = 27;  // datagram offset of reply data (reply area byte 5)
inline constexpr std::size_t kReceiveBufferSize = 8192;
inline constexpr const char* kBroadcastMac = "ff:ff:ff:ff:ff:ff";

// Field places of the device network record in a command-0 reply (datagram
// offsets); discovery reads these three.
inline constexpr std::size_t kReplyNameOffset = 27, kReplyNameWidth = 20;
inline constexpr std::size_t kReplyIpOffset = 47, kReplyIpWidth = 16;
inline constexpr std::size_t kReplyMacOffset = 63, kReplyMacWidth = 20;

// Builds the request for `command` to the appliance named by `targetMac`
// (zero-terminated; at most 17 characters are used; null means empty).
std::vector<std::uint8_t> BuildRequest(const char* targetMac, std::uint8_t command, const std::uint8_t* payload,
                                       std::size_t payloadLength);

// The payload of command 2 (set item): item code and data length, each
// unsigned 16-bit little-endian, then the data.
std::vector<std::uint8_t> BuildItemPayload(std::uint16_t item, const void* data, std::uint16_t dataLength);

// Whether `datagram` (its true length `length`, which may exceed what a
// receive buffer held) is a reply to `request`:
//   1. 1 <= length <= 8191 (a datagram that fills the 8192-byte receive
//      buffer may have been cut and is not taken);
//   2. it is not the request itself coming back: compared byte by byte over
//      the request's length, stopping after the first position where both
//      hold a zero byte, they differ somewhere;
//   3. its first byte is not zero;
//   4. its first 22 bytes equal the request's, compared the same way.
// Bytes past `length` count as zero; nothing past it is read.
bool IsReplyTo(const std::uint8_t* request, std::size_t requestLength, const std::uint8_t* datagram,
               std::size_t length);

// Clears the kReplyAreaSize-byte `replyArea` and copies the datagram from
// offset 22 on into it, at most kReplyAreaSize bytes.
void CopyReplyArea(const std::uint8_t* datagram, std::size_t length, std::uint8_t* replyArea);

// The zero-terminated text in the field at `offset`, `width` bytes wide, of a
// datagram of `length` bytes (stops at the first zero, the field's end or the
// datagram's end).
std::string DatagramText(const std::uint8_t* datagram, std::size_t length, std::size_t offset, std::size_t width);

}  // namespace sp
