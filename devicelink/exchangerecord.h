#pragma once
// How a device exchange reads in the setup report. A login check's password
// digest and an administrator password item are blanked (and so is what
// comes back to them), so the report can be passed on safely.
#include <cstddef>
#include <cstdint>
#include <string>

namespace sp {

// "command 8 to 00:11:22:aa:bb:cc, payload 3c 02".
std::string ReportedRequest(const char* targetMac, std::uint8_t command, const std::uint8_t* payload,
                            std::size_t payloadLength);

// "no reply", or the reply code, its length and the start of its data.
std::string ReportedReply(std::uint8_t command, const std::uint8_t* payload, std::size_t payloadLength, int length,
                          const std::uint8_t* replyArea);

}  // namespace sp
