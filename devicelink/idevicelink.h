#pragma once
// Everything the wizard does on the network with the appliance: the command
// exchange, discovery, the echo probe at a new address and the check for a
// usable network adapter. Pages hold an IDeviceLink; the real one is
// DeviceLink (devicelink.h), tests give fakes.
#include <cstdint>
#include <string>

#include "devicelink/ideviceexchange.h"

namespace sp {

// The device list that discovery fills: rows of three texts (device name, IP
// address, MAC text), appended in the order the appliances answer. The
// selection page's list model implements it so that rows appear while
// discovery runs; DeviceRowModel (devicerowmodel.h) is a plain one.
class IDeviceList {
 public:
  virtual ~IDeviceList() = default;
  virtual int RowCount() const = 0;
  // The third column (MAC text) of `row`.
  virtual std::u16string MacText(int row) const = 0;
  virtual void AppendRow(const std::u16string& name, const std::u16string& ip, const std::u16string& mac) = 0;
};

class IDeviceLink : public IDeviceExchange {
 public:
  // Broadcasts the identity query from every local address and appends one
  // row per answering appliance to `list` (which the caller has emptied). A
  // reply whose MAC text is already in one of the first 20 rows adds nothing.
  // Takes about a quarter of a second per local address; keeps UI events
  // flowing meanwhile.
  virtual void DiscoverDevices(IDeviceList& list) = 0;

  // True as soon as `ipText` (dotted decimal) answers an ICMP echo request;
  // false after 20 unanswered attempts of 2 s each. Keeps UI events flowing.
  virtual bool ProbeDeviceAddress(const char* ipText) = 0;

  // Whether some local address other than 127.0.0.1 can hold UDP port 7778
  // the way the exchange does. Does not wait and dispatches no events.
  virtual bool HasUsableAdapter() = 0;

  // Every later discovery also sends its request to `address` (IPv4,
  // network byte order) by unicast when nothing answered from there by
  // broadcast, for an appliance that broadcasts do not reach; one found
  // that way is asked at that address in every later exchange too. 0:
  // broadcast only. Links that only broadcast ignore it.
  virtual void SetDiscoveryAddress(std::uint32_t address) { (void)address; }
  // Whether an appliance answered the last discovery from that address.
  virtual bool DiscoveryAddressAnswered() const { return false; }

  // The appliance `mac` was told to move to `ipText` and committed it: its
  // replies come from there from now on. Links that do not pin appliances
  // to their addresses ignore it.
  virtual void ApplianceMoved(const char* mac, const char* ipText) {
    (void)mac;
    (void)ipText;
  }
};

}  // namespace sp
