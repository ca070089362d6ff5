// An appliance on another subnet, behind a router that forwards unicast but
// keeps broadcasts in, answering by unicast only: found by its address, and
// talked to there from then on.
#include <fcntl.h>
#include <unistd.h>

#include "base/text.h"
#include "devicelink/applianceaddress.h"
#include "tests/net/devicelink/devicelinknettest.h"

namespace sp::nettest {
namespace {

constexpr const char* kApplianceAddress = "10.79.0.2";

class FindByAddressNetTest : public DeviceLinkNetTest {
 protected:
  void SetUp() override {
    DeviceLinkNetTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(Route());
    sim_ =
        StartSimulator(net(), {"--unicast-replies", "--interface", vbxSide_, "--appliance",
                               std::string("ip=") + kApplianceAddress + ",netmask=255.255.255.0,gateway=10.79.0.254"});
    ASSERT_NE(sim_, nullptr);
  }

  // pc 10.78.0.1/24 - router 10.78.0.254 | 10.79.0.254 - vbx 10.79.0.2/24,
  // in place of the direct link.
  bool Route() {
    const std::string p = net().prefix();
    const std::string rt = net().AddNamespace("rt");
    vbxSide_ = p + "vr0";
    if (rt.empty() || !net().Ip(net().pc(), {"link", "del", net().pcInterface()})) return false;
    if (!net().Ip(net().pc(), {"link", "add", p + "pr0", "type", "veth", "peer", "name", p + "rp0", "netns", rt}) ||
        !net().Ip(rt, {"link", "add", p + "rv0", "type", "veth", "peer", "name", vbxSide_, "netns", net().vbx()}))
      return false;
    const bool linked = net().AddAddress(net().pc(), p + "pr0", "10.78.0.1/24") &&
                        net().AddAddress(rt, p + "rp0", "10.78.0.254/24") &&
                        net().AddAddress(rt, p + "rv0", "10.79.0.254/24") &&
                        net().AddAddress(net().vbx(), vbxSide_, std::string(kApplianceAddress) + "/24");
    for (const auto& [ns, ifname] :
         {std::pair{net().pc(), p + "pr0"}, {rt, p + "rp0"}, {rt, p + "rv0"}, {net().vbx(), vbxSide_}})
      if (!net().Ip(ns, {"link", "set", ifname, "up"})) return false;
    return linked && net().Ip(net().pc(), {"route", "add", "10.79.0.0/24", "via", "10.78.0.254"}) &&
           net().Ip(net().vbx(), {"route", "add", "default", "via", "10.79.0.254"}) && RunInNamespace(rt, [] {
             const int fd = open("/proc/sys/net/ipv4/ip_forward", O_WRONLY | O_CLOEXEC);
             const bool ok = fd >= 0 && write(fd, "1\n", 2) == 2;
             if (fd >= 0) close(fd);
             return ok;
           });
  }

  DeviceRowModel DiscoverFrom(DeviceLink& link) {
    return RunInNamespace(net().pc(), [&] {
      DeviceRowModel rows;
      link.DiscoverDevices(rows);
      return rows;
    });
  }

  std::string vbxSide_;
  LinuxLocalAddresses addresses_;
  ApplianceSources sources_;
  DeviceLink ui_{addresses_, {}, &sources_};
  DeviceLink worker_{addresses_, {}, &sources_};  // the final setup's link: never discovers
};

TEST_F(FindByAddressNetTest, BroadcastMissesItTheTypedAddressFindsItAndExchangesFollow) {
  const std::string mac = SimulatorMac(0);
  EXPECT_EQ(DiscoverFrom(ui_).RowCount(), 0) << "no broadcast crosses the router";

  ui_.SetDiscoveryAddress(ParseApplianceAddress("10.79.0.99").address);  // nothing there
  EXPECT_EQ(DiscoverFrom(ui_).RowCount(), 0);
  EXPECT_FALSE(ui_.DiscoveryAddressAnswered());

  ui_.SetDiscoveryAddress(ParseApplianceAddress(kApplianceAddress).address);
  const DeviceRowModel rows = DiscoverFrom(ui_);
  ASSERT_EQ(rows.RowCount(), 1);
  EXPECT_EQ(rows.MacText(0), Utf8ToUtf16(mac));
  EXPECT_TRUE(ui_.DiscoveryAddressAnswered());

  const auto exchange = [&](DeviceLink& link, std::uint8_t command, const Bytes& payload) {
    return RunInNamespace(net().pc(), [&] {
      Exchange e;
      e.length = link.SendDeviceCommand(mac.c_str(), command, payload.data(), payload.size(), e.area.data());
      return e;
    });
  };
  const Exchange login = exchange(ui_, kCmdLoginCheck, LoginPayload(""));
  EXPECT_EQ(login.code(), kReplyAccepted);
  const Exchange identity = exchange(worker_, kCmdQueryIdentity, {});
  ASSERT_GT(identity.length, 0) << "the worker's link asks at the address too";
  EXPECT_EQ(identity.Text(5 + 20), kApplianceAddress);  // the record's IP field
  EXPECT_EQ(sim_->Appliance(mac)["counts"]["7"], 1);
}

// On the PC's own link broadcast reaches the appliance: typing its address
// must not make it get every command twice.
class TypedOnLinkNetTest : public DeviceLinkNetTest {};

TEST_F(TypedOnLinkNetTest, AnApplianceThatBroadcastReachesIsNotAlsoAskedByUnicast) {
  sim_ = StartSimulator(net(), {});
  ASSERT_NE(sim_, nullptr);
  LinuxLocalAddresses addresses;
  ApplianceSources sources;
  DeviceLink link(addresses, {}, &sources);
  link.SetDiscoveryAddress(ParseApplianceAddress(kVbxAddress).address);
  const std::string mac = SimulatorMac(0);
  const int rows = RunInNamespace(net().pc(), [&] {
    DeviceRowModel found;
    link.DiscoverDevices(found);
    return found.RowCount();
  });
  ASSERT_EQ(rows, 1);
  EXPECT_TRUE(link.DiscoveryAddressAnswered());
  EXPECT_FALSE(sources.Direct(mac));
  EXPECT_EQ(sim_->Appliance(mac)["counts"]["0"], 1) << "the unicast round was not needed";
  const std::uint8_t code = RunInNamespace(net().pc(), [&] {
    std::array<std::uint8_t, kReplyAreaSize> area{};
    const Bytes payload = LoginPayload("");
    link.SendDeviceCommand(mac.c_str(), kCmdLoginCheck, payload.data(), payload.size(), area.data());
    return area[0];
  });
  EXPECT_EQ(code, kReplyAccepted);
  EXPECT_EQ(sim_->Appliance(mac)["counts"]["7"], 1);
}

}  // namespace
}  // namespace sp::nettest
