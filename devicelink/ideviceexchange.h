#pragma once
// The one synchronous request/reply operation to the appliance, as the pages
// and the final setup sequence see it. The real implementation broadcasts on
// UDP port 7778 from every local address; tests give a fake.
#include <cstddef>
#include <cstdint>

namespace sp {

inline constexpr std::size_t kReplyAreaSize = 1024;

// Command codes of the device protocol.
enum DeviceCommand : std::uint8_t {
  kCmdQueryIdentity = 0,   // reply data: the device network record
  kCmdSetItem = 2,         // payload: item code, data length, data
  kCmdLoginCheck = 7,      // payload: MD5("admin"), MD5(password)
  kCmdStartDiskSetup = 8,  // payload: NAS share percent, disk level code
  kCmdQueryDisks = 9,      // reply data: two disk record slots
  kCmdQueryProgress = 10,  // reply data: percentage as decimal text
  kCmdIdentify = 18,       // lights the drive bays; reply not examined
};

// Item codes of kCmdSetItem.
enum DeviceItem : std::uint16_t {
  kItemTimeSettings = 14,   // 136 bytes
  kItemAdminPassword = 15,  // 32 bytes
  kItemCommit = 16,         // "nvram_commit", 12 bytes, no terminator
  kItemIdentity = 17,       // 177 bytes
};

// Reply code meaning "accepted", in byte 0 of the reply area.
inline constexpr std::uint8_t kReplyAccepted = 3;

class IDeviceExchange {
 public:
  virtual ~IDeviceExchange() = default;

  // Sends `command` with `payloadLength` payload bytes to the appliance named
  // by `targetMac` (zero-terminated, at most 17 characters used) and waits for
  // its reply. On a matching reply: clears the kReplyAreaSize-byte
  // `replyArea`, copies the reply datagram from offset 22 on into it (byte 0 =
  // reply code, reply data from byte 5) and returns the datagram's length.
  // Without one: returns 0 and leaves `replyArea` untouched. While waiting the
  // implementation keeps its thread's UI events flowing (or only sleeps on a
  // worker thread).
  virtual int SendDeviceCommand(const char* targetMac, std::uint8_t command, const std::uint8_t* payload,
                                std::size_t payloadLength, std::uint8_t* replyArea) = 0;
};

}  // namespace sp
