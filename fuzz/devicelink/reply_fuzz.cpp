// Any datagram arriving on port 7778, tested as a reply to a request and as a
// discovery answer.
//   byte 0: command code of the request; byte 1: which MAC text it names
//   (all ones, a full MAC, a short text) and how many payload bytes follow
//   in the request (high bits); the rest is the datagram.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "devicelink/datagram.h"
#include "devicelink/devicerowmodel.h"
#include "devicelink/discoveryreply.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sp;
  if (size < 2) return 0;
  static const char* const kMacs[] = {kBroadcastMac, "02:4b:56:00:00:01", "ab"};
  const char* mac = kMacs[data[1] % 3];
  const std::vector<std::uint8_t> payload(static_cast<std::size_t>(data[1] >> 2), 0x5a);
  const std::vector<std::uint8_t> request = BuildRequest(mac, data[0], payload.data(), payload.size());
  Check(request.size() == 23 + payload.size());

  // Exactly the datagram's bytes on the heap: any read past them is caught.
  const std::vector<std::uint8_t> datagram(data + 2, data + size);
  const bool accepted = IsReplyTo(request.data(), request.size(), datagram.data(), datagram.size());
  if (accepted) {
    Check(!datagram.empty() && datagram.size() < kReceiveBufferSize && datagram[0] != 0);
    // A full MAC text has no zero in the header: all 22 bytes must match.
    if (std::strlen(mac) == 17) Check(datagram.size() >= 22 && std::memcmp(datagram.data(), request.data(), 22) == 0);
    std::vector<std::uint8_t> area(kReplyAreaSize, 0xee);
    CopyReplyArea(datagram.data(), datagram.size(), area.data());
    Check(area[0] == (datagram.size() > 22 ? datagram[22] : 0));
  }

  // Discovery over a list that already holds more rows than it searches.
  DeviceRowModel rows;
  for (int i = 0; i < 21; ++i) rows.AppendRow(u"nas", u"10.0.0.1", i == 20 ? u"02:4b:56:00:00:01" : u"x");
  const std::vector<std::uint8_t> query = BuildRequest(kBroadcastMac, 0, nullptr, 0);
  if (AddDiscoveryReply(rows, query.data(), query.size(), datagram.data(), datagram.size())) {
    const DeviceRow& row = rows.rows().back();
    Check(rows.RowCount() == 22 && !row.mac.empty() && row.mac.size() <= 17 && row.name.size() <= 20 &&
          row.ip.size() <= 16);
  } else {
    Check(rows.RowCount() == 21);
  }
  return 0;
}
