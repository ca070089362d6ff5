#pragma once
// What discovery does with one received datagram.
#include <cstddef>
#include <cstdint>

#include "devicelink/idevicelink.h"

namespace sp {

// Only this many rows, from the top, are searched for an appliance already
// listed.
inline constexpr int kDiscoveryRowSearchLimit = 20;

// Appends a row to `list` for `datagram` (true length `length`) when it is a
// reply to the discovery request `request` (IsReplyTo), its MAC text at
// offset 63 is not empty, and no row among the first 20 has the same MAC
// text over the first 17 characters. The row holds the name (offset 27), the
// IP address (offset 47) and the MAC text (offset 63, first 17 characters),
// each read from the datagram as UTF-8. Returns true when a row was added.
bool AddDiscoveryReply(IDeviceList& list, const std::uint8_t* request, std::size_t requestLength,
                       const std::uint8_t* datagram, std::size_t length);

}  // namespace sp
