#include "devicelink/devicelink.h"

#include <arpa/inet.h>

#include <chrono>
#include <vector>

#include "base/text.h"
#include "devicelink/broadcastsocket.h"
#include "devicelink/datagram.h"
#include "devicelink/discoveryreply.h"
#include "devicelink/echoprobe.h"
#include "devicelink/exchangerecord.h"
#include "setupreport/setupreport.h"

namespace sp {

namespace {

// Step of the wait between echo requests: short, so that UI events keep
// flowing and a reply is seen soon after it arrives.
constexpr int kProbeStepMs = 10;

std::string AddressText(std::uint32_t address) {
  char text[INET_ADDRSTRLEN] = {};
  in_addr a{};
  a.s_addr = address;
  return inet_ntop(AF_INET, &a, text, sizeof text) ? text : "?";
}

bool Addresses(ILocalAddresses& source, std::vector<LocalAddress>& out) { return source.List(out) && !out.empty(); }

}  // namespace

int DeviceLink::SendDeviceCommand(const char* targetMac, std::uint8_t command, const std::uint8_t* payload,
                                  std::size_t payloadLength, std::uint8_t* replyArea) {
  const int length = Exchange(targetMac, command, payload, payloadLength, replyArea);
  RecordSetupStep(ReportedRequest(targetMac, command, payload, payloadLength),
                  ReportedReply(command, payload, payloadLength, length, replyArea));
  return length;
}

int DeviceLink::Exchange(const char* targetMac, std::uint8_t command, const std::uint8_t* payload,
                         std::size_t payloadLength, std::uint8_t* replyArea) {
  const std::vector<std::uint8_t> request = BuildRequest(targetMac, command, payload, payloadLength);
  std::vector<LocalAddress> addresses;
  if (!Addresses(addresses_, addresses)) return 0;
  const std::optional<std::uint32_t> expected =
      sources_ && targetMac ? sources_->Expected(targetMac) : std::optional<std::uint32_t>();
  const std::optional<std::uint32_t> direct =
      sources_ && targetMac ? sources_->Direct(targetMac) : std::optional<std::uint32_t>();
  std::vector<std::uint8_t> buffer(kReceiveBufferSize);
  for (const LocalAddress& address : addresses) {
    BroadcastSocket socket;
    if (!socket.Open(address, kDevicePort)) continue;
    socket.SendBroadcast(request.data(), request.size());
    if (direct) socket.SendTo(request.data(), request.size(), *direct);
    for (int poll = 0; poll < kExchangePolls; ++poll) {
      // What waits is looked at now (the own broadcast usually comes
      // first), so a reply is not held back by a poll step; but only so
      // much of it before the UI gets its turn again.
      std::uint32_t source = 0;
      for (int n = 0; n < kDatagramsPerPoll; ++n) {
        const long length = socket.ReceiveWaiting(buffer.data(), buffer.size(), &source);
        if (length < 0) break;
        const auto size = static_cast<std::size_t>(length);
        if (expected && source != *expected) continue;  // someone else answering for the appliance
        if (IsReplyTo(request.data(), request.size(), buffer.data(), size)) {
          CopyReplyArea(buffer.data(), size, replyArea);
          return static_cast<int>(size);
        }
      }
      PumpUiEvents(kExchangePollMs);
    }
  }
  return 0;
}

void DeviceLink::DiscoverDevices(IDeviceList& list) {
  const std::vector<std::uint8_t> request = BuildRequest(kBroadcastMac, kCmdQueryIdentity, nullptr, 0);
  std::vector<LocalAddress> addresses;
  if (!Addresses(addresses_, addresses)) return;
  if (sources_) sources_->Forget();
  discoveryAddressAnswered_ = false;
  std::string found;
  DiscoveryRound(list, request, addresses, 0, found);
  // The typed address is asked by unicast only when no answer came from it
  // by broadcast: an appliance that broadcasts reach would otherwise get
  // every later command twice.
  const bool unicast = discoveryAddress_ != 0 && !discoveryAddressAnswered_;
  if (unicast) DiscoveryRound(list, request, addresses, discoveryAddress_, found);
  std::string asked = "discovery from " + std::to_string(addresses.size()) + " local address(es)";
  if (unicast) asked += ", then by unicast to " + AddressText(discoveryAddress_);
  RecordSetupStep(asked, found.empty() ? std::string("no appliance answered") : "answered:" + found);
}

void DeviceLink::DiscoveryRound(IDeviceList& list, const std::vector<std::uint8_t>& request,
                                const std::vector<LocalAddress>& addresses, std::uint32_t unicastTo,
                                std::string& found) {
  std::vector<std::uint8_t> buffer(kReceiveBufferSize);
  for (const LocalAddress& address : addresses) {
    BroadcastSocket socket;
    if (!socket.Open(address, kDevicePort)) continue;
    if (unicastTo == 0) {
      socket.SendBroadcast(request.data(), request.size());
    } else {
      socket.SendTo(request.data(), request.size(), unicastTo);
    }
    for (int poll = 0; poll < kDiscoveryPolls; ++poll) {
      std::uint32_t source = 0;
      for (int n = 0; n < kDatagramsPerPoll; ++n) {
        const long length = socket.ReceiveWaiting(buffer.data(), buffer.size(), &source);
        if (length < 0) break;
        const bool added =
            AddDiscoveryReply(list, request.data(), request.size(), buffer.data(), static_cast<std::size_t>(length));
        if (!added) continue;
        const std::string mac = Utf16ToUtf8(list.MacText(list.RowCount() - 1));
        discoveryAddressAnswered_ =
            discoveryAddressAnswered_ || (discoveryAddress_ != 0 && source == discoveryAddress_);
        // Reached only by unicast: asked there in every later exchange.
        if (sources_) sources_->Discovered(mac, source, unicastTo != 0 && source == unicastTo);
        found += " " + mac;
      }
      PumpUiEvents(kDiscoveryPollMs);
    }
  }
}

bool DeviceLink::ProbeDeviceAddress(const char* ipText) {
  in_addr target{};
  const bool valid = ipText && inet_pton(AF_INET, ipText, &target) == 1;
  EchoProbe probe;
  const bool open = valid && probe.Open();
  for (int attempt = 0; attempt < kProbeAttempts; ++attempt) {
    const auto start = std::chrono::steady_clock::now();
    const auto sequence = static_cast<std::uint16_t>(attempt + 1);
    // A failed send (or no usable ICMP socket) fails this attempt only; the
    // wait below still runs, as it would for an unanswered request.
    const bool sent = open && probe.Send(target.s_addr, sequence);
    do {
      if (sent && probe.ReplyWaiting(target.s_addr, sequence)) return true;
      PumpUiEvents(kProbeStepMs);
    } while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kProbeAttemptMs));
  }
  return false;
}

void DeviceLink::ApplianceMoved(const char* mac, const char* ipText) {
  if (sources_ && mac && ipText) sources_->Moved(mac, ipText);
}

bool DeviceLink::HasUsableAdapter() {
  std::vector<LocalAddress> addresses;
  if (!addresses_.List(addresses)) return false;
  for (const LocalAddress& address : addresses) {
    if (address.text.compare(0, 9, "127.0.0.1") == 0) continue;
    BroadcastSocket socket;
    if (socket.Open(address, kDevicePort)) return true;
  }
  return false;
}

}  // namespace sp
