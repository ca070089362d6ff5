#pragma once
// Fixture for the device link's network tests: the real DeviceLink runs in
// the pc namespace, the real simulator in vbx.
#include <arpa/inet.h>
#include <nettle/md5.h>

#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "devicelink/datagram.h"
#include "devicelink/devicelink.h"
#include "devicelink/devicerowmodel.h"
#include "platform/linux/linuxlocaladdresses.h"
#include "tests/net/harness/networktest.h"
#include "tests/net/harness/simulatorinnetwork.h"

namespace sp::nettest {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The outcome of one exchange made in pc.
struct Exchange {
  int length = 0;
  std::array<std::uint8_t, kReplyAreaSize> area{};
  double seconds = 0;

  std::uint8_t code() const { return area[0]; }
  // Text of the reply data at `offset` (reply-area offset 5 = datagram 27).
  std::string Text(std::size_t offset) const { return reinterpret_cast<const char*>(area.data() + offset); }
};

class DeviceLinkNetTest : public NetworkTest {
 protected:
  // Runs `fn(DeviceLink&)` on a thread in pc with the PC's real address list.
  template <class F>
  auto InPc(F fn) {
    return RunInNamespace(net().pc(), [&] {
      LinuxLocalAddresses addresses;
      DeviceLink link(addresses);
      return fn(link);
    });
  }

  Exchange Send(const std::string& mac, std::uint8_t command, const Bytes& payload = {}) {
    return InPc([&](DeviceLink& link) {
      Exchange e;
      std::memset(e.area.data(), 0xee, e.area.size());  // shows what a reply did not touch
      const auto start = Clock::now();
      e.length = link.SendDeviceCommand(mac.c_str(), command, payload.data(), payload.size(), e.area.data());
      e.seconds = SecondsSince(start);
      return e;
    });
  }

  Exchange SendItem(const std::string& mac, std::uint16_t item, const Bytes& data) {
    return Send(mac, kCmdSetItem, BuildItemPayload(item, data.data(), static_cast<std::uint16_t>(data.size())));
  }

  DeviceRowModel Discover() {
    return InPc([&](DeviceLink& link) {
      DeviceRowModel rows;
      link.DiscoverDevices(rows);
      return rows;
    });
  }

  static Bytes Md5(const std::string& text) {
    md5_ctx ctx;
    md5_init(&ctx);
    md5_update(&ctx, text.size(), reinterpret_cast<const std::uint8_t*>(text.data()));
    Bytes digest(MD5_DIGEST_SIZE);
    md5_digest(&ctx, digest.size(), digest.data());
    return digest;
  }

  // Login payload: MD5("admin"), MD5(password).
  static Bytes LoginPayload(const std::string& password) {
    Bytes p = Md5("admin");
    const Bytes second = Md5(password);
    p.insert(p.end(), second.begin(), second.end());
    return p;
  }

  // Writes `text` into `record` at `offset` (the rest of the field stays zero).
  static void Put(Bytes& record, std::size_t offset, const std::string& text) {
    std::memcpy(record.data() + offset, text.data(), text.size());
  }
  static void Put32(Bytes& record, std::size_t offset, std::int32_t v) {
    for (int i = 0; i < 4; ++i)
      record[offset + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
  }

  static std::string Hex(const Bytes& b) { return sim::HexOf(b); }

  std::unique_ptr<sim::SimClient> sim_;
};

}  // namespace sp::nettest
