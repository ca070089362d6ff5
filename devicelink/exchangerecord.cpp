#include "devicelink/exchangerecord.h"

#include <algorithm>
#include <string_view>

#include "devicelink/ideviceexchange.h"
#include "setupreport/setupreport.h"

namespace sp {

namespace {

constexpr std::size_t kItemHeader = 4;         // item code and data length
constexpr std::size_t kReplyDataOffset = 5;    // in the reply area
constexpr std::size_t kReplyBytesShown = 128;  // enough for a status or a progress text

bool CarriesPassword(std::uint8_t command, const std::uint8_t* payload, std::size_t length) {
  if (command == kCmdLoginCheck) return true;
  return command == kCmdSetItem && payload && length >= 2 && (payload[0] | payload[1] << 8) == kItemAdminPassword;
}

std::string Blanked(std::size_t count) { return "[" + std::to_string(count) + " bytes blanked]"; }

}  // namespace

std::string ReportedRequest(const char* targetMac, std::uint8_t command, const std::uint8_t* payload,
                            std::size_t payloadLength) {
  std::string text = "command " + std::to_string(command) + " to " + std::string(targetMac ? targetMac : "");
  if (!payload || payloadLength == 0) return text;
  text += ", payload ";
  if (command == kCmdLoginCheck) {
    // The user name's digest first, the password's after it.
    const std::size_t shown = payloadLength / 2;
    return text + HexBytes(payload, shown) + " " + Blanked(payloadLength - shown);
  }
  if (CarriesPassword(command, payload, payloadLength)) {
    const std::size_t shown = std::min(payloadLength, kItemHeader);
    return text + HexBytes(payload, shown) + " " + Blanked(payloadLength - shown);
  }
  return text + HexBytes(payload, payloadLength);
}

std::string ReportedReply(std::uint8_t command, const std::uint8_t* payload, std::size_t payloadLength, int length,
                          const std::uint8_t* replyArea) {
  if (length <= 0 || !replyArea) return "no reply";
  std::string text = "reply code " + std::to_string(replyArea[0]) + ", " + std::to_string(length) + " bytes";
  if (CarriesPassword(command, payload, payloadLength)) return text;
  const std::uint8_t* data = replyArea + kReplyDataOffset;
  std::size_t shown = std::min(kReplyBytesShown, kReplyAreaSize - kReplyDataOffset);
  while (shown > 0 && data[shown - 1] == 0) --shown;
  if (shown == 0) return text;
  return text + ", data " + HexBytes(data, shown);
}

}  // namespace sp
