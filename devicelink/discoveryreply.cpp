#include "devicelink/discoveryreply.h"

#include <algorithm>

#include "base/text.h"
#include "devicelink/datagram.h"

namespace sp {

bool AddDiscoveryReply(IDeviceList& list, const std::uint8_t* request, std::size_t requestLength,
                       const std::uint8_t* datagram, std::size_t length) {
  if (!IsReplyTo(request, requestLength, datagram, length)) return false;
  const std::string mac = DatagramText(datagram, length, kReplyMacOffset, kMacTextMax);
  if (mac.empty()) return false;
  const std::u16string wideMac = Utf8ToUtf16(mac);
  const int searched = std::min(list.RowCount(), kDiscoveryRowSearchLimit);
  for (int row = 0; row < searched; ++row) {
    if (list.MacText(row).substr(0, kMacTextMax) == wideMac) return false;
  }
  list.AppendRow(Utf8ToUtf16(DatagramText(datagram, length, kReplyNameOffset, kReplyNameWidth)),
                 Utf8ToUtf16(DatagramText(datagram, length, kReplyIpOffset, kReplyIpWidth)), wideMac);
  return true;
}

}  // namespace sp
