// The empty-discovery checks on the real kernel: interfaces made in the pc
// namespace, sysfs mounted from inside it (sysfs shows the namespace of
// whoever mounts it), the device port held by a socket of our own.
#include <netinet/in.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include "devicelink/discoverydiagnosis.h"
#include "platform/linux/linuxnetworkfacts.h"
#include "tests/net/harness/networktest.h"

namespace sp::nettest {
namespace {

class DiagnosisNetTest : public NetworkTest {
 protected:
  bool Ip(std::vector<std::string> args) { return net().Ip(net().pc(), std::move(args)); }

  // The findings as the page gets them, taken inside pc; `holdPort` first
  // binds the device port on every address without sharing it.
  std::string Diagnose(bool holdPort) {
    const std::string sys = net().scratchDir() + "/sys";
    mkdir(sys.c_str(), 0755);
    return RunInNamespace(net().pc(), [&] {
      std::string s;
      if (mount("sysfs", sys.c_str(), "sysfs", MS_RDONLY, nullptr) != 0) return std::string("mount failed");
      int fd = -1;
      if (holdPort) {
        fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(7778);
        bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any);
      }
      LinuxNetworkFacts facts(sys + "/class/net");
      for (const Finding& f : DiagnoseEmptyDiscovery(facts)) {
        if (f.kind == FindingKind::kPacketFilter) continue;  // the host's modules, not this network's
        s += std::to_string(static_cast<int>(f.kind)) + ":" + f.interfaceName + " ";
      }
      if (fd >= 0) close(fd);
      umount2(sys.c_str(), MNT_DETACH);
      return s;
    });
  }
};

std::string Line(FindingKind kind, const std::string& name) {
  return std::to_string(static_cast<int>(kind)) + ":" + name + " ";
}

TEST_F(DiagnosisNetTest, FindsDeadLinksMissingAddressesTunnelRouteAndHeldPort) {
  EXPECT_EQ(Diagnose(false), "");  // the test network itself is healthy
  // A veth whose peer is down has no carrier; one whose peer is up elsewhere
  // but that got no address; a tun device holding the default route.
  const std::string empty = net().AddNamespace("e");
  ASSERT_TRUE(Ip({"link", "add", "nc0", "type", "veth", "peer", "name", "nc1"}));
  ASSERT_TRUE(Ip({"link", "set", "nc0", "up"}));
  ASSERT_TRUE(Ip({"link", "add", "na0", "type", "veth", "peer", "name", "na1", "netns", empty}));
  ASSERT_TRUE(Ip({"link", "set", "na0", "up"}));
  ASSERT_TRUE(net().Ip(empty, {"link", "set", "na1", "up"}));
  ASSERT_TRUE(Ip({"tuntap", "add", "dev", "vpn0", "mode", "tun"}));
  ASSERT_TRUE(Ip({"addr", "add", "10.8.0.2/24", "dev", "vpn0"}));
  ASSERT_TRUE(Ip({"link", "set", "vpn0", "up"}));
  ASSERT_TRUE(Ip({"route", "add", "default", "dev", "vpn0"}));
  // The kernel numbers a veth's peer first.
  EXPECT_EQ(Diagnose(false), Line(FindingKind::kSwitchedOff, "nc1") + Line(FindingKind::kNoLink, "nc0") +
                                 Line(FindingKind::kNoAddress, "na0") + Line(FindingKind::kTunnelRoute, "vpn0"));
  // Only a self-given address on the link; the port taken on the good one.
  ASSERT_TRUE(Ip({"addr", "add", "169.254.3.4/16", "dev", "na0"}));
  const std::string held = Diagnose(true);
  EXPECT_NE(held.find(Line(FindingKind::kLinkLocalOnly, "na0")), std::string::npos) << held;
  EXPECT_NE(held.find(Line(FindingKind::kPortTaken, net().pcInterface())), std::string::npos) << held;
}

}  // namespace
}  // namespace sp::nettest
