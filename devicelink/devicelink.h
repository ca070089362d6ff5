#pragma once
// The real device link: UDP broadcasts on port 7778 from each local IPv4
// address in turn, ICMP echo for the address probe.
//
// Construct one per thread that talks to the appliance. On the UI thread pass
// a dispatcher that handles one pending UI event (the Qt pages pass one that
// calls QCoreApplication::processEvents), so the window stays painted while
// an exchange waits; a worker passes none and the waits only sleep. Sockets
// are made in the calling thread's network namespace.
#include <cstdint>
#include <string>
#include <vector>

#include "devicelink/appliancesources.h"
#include "devicelink/idevicelink.h"
#include "devicelink/pumpuievents.h"
#include "platform/localaddresses.h"

namespace sp {

// Timing of the operations (polls and their lengths).
inline constexpr int kExchangePolls = 30;  // per address
inline constexpr int kExchangePollMs = 100;
inline constexpr int kDiscoveryPolls = 50;  // per address; discovery never stops early
inline constexpr int kDiscoveryPollMs = 5;
inline constexpr int kProbeAttempts = 20;
inline constexpr int kProbeAttemptMs = 2000;
// Datagrams taken from the socket between two UI pumps: a flood on port
// 7778 must not keep the window from being painted and answering.
inline constexpr int kDatagramsPerPoll = 32;

class DeviceLink : public IDeviceLink {
 public:
  // `sources` (shared by the program's links) pins each discovered
  // appliance to the address it answered from; null: replies are taken from
  // any address.
  explicit DeviceLink(ILocalAddresses& addresses, UiEventDispatcher dispatchOne = {},
                      ApplianceSources* sources = nullptr)
      : addresses_(addresses), dispatchOne_(std::move(dispatchOne)), sources_(sources) {}

  // For each local address in list order: a socket on port 7778 (see
  // BroadcastSocket), the request broadcast once (and sent by unicast to
  // the appliance's address when it was found there), then 30 polls of 100 ms;
  // the first datagram that passes IsReplyTo (and, for a discovered
  // appliance, comes from its address) wins: the reply area gets its bytes
  // from offset 22 on and its length is returned. 0 when no address yields a
  // reply or the address list is unavailable (reply area untouched).
  int SendDeviceCommand(const char* targetMac, std::uint8_t command, const std::uint8_t* payload,
                        std::size_t payloadLength, std::uint8_t* replyArea) override;

  void DiscoverDevices(IDeviceList& list) override;
  bool ProbeDeviceAddress(const char* ipText) override;
  bool HasUsableAdapter() override;
  void ApplianceMoved(const char* mac, const char* ipText) override;
  // Discovery broadcasts first; when nothing answered from the address, it
  // then sends there by unicast from every local address. Without `sources`
  // the answer is still noted for DiscoveryAddressAnswered, but later
  // exchanges only broadcast.
  void SetDiscoveryAddress(std::uint32_t address) override { discoveryAddress_ = address; }
  bool DiscoveryAddressAnswered() const override { return discoveryAddressAnswered_; }

  // Waits `ms` while dispatching this link's UI events (see PumpUiEvents).
  void PumpUiEvents(int ms) const { sp::PumpUiEvents(ms, dispatchOne_); }

 private:
  // The exchange itself; SendDeviceCommand adds it to the setup report.
  int Exchange(const char* targetMac, std::uint8_t command, const std::uint8_t* payload, std::size_t payloadLength,
               std::uint8_t* replyArea);

  // One request from every local address (broadcast, or by unicast to
  // `unicastTo` when not 0) and its 50 polls, adding rows to `list` and the
  // answering MAC texts to `found`.
  void DiscoveryRound(IDeviceList& list, const std::vector<std::uint8_t>& request,
                      const std::vector<LocalAddress>& addresses, std::uint32_t unicastTo, std::string& found);

  ILocalAddresses& addresses_;
  UiEventDispatcher dispatchOne_;
  ApplianceSources* sources_;
  std::uint32_t discoveryAddress_ = 0;
  bool discoveryAddressAnswered_ = false;
};

}  // namespace sp
