#include "devicelink/discoverydiagnosis.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/fake/fakenetworkfacts.h"

namespace sp {
namespace {

std::vector<Finding> Diagnose(FakeNetworkFacts& fake, std::vector<std::string> portTakenOn = {}) {
  NetworkFacts facts;
  const bool read = fake.Gather(facts);
  return DiagnoseEmptyDiscovery(facts, read, [&](const InterfaceFacts& f, std::uint32_t) {
    return std::find(portTakenOn.begin(), portTakenOn.end(), f.name) == portTakenOn.end();
  });
}

std::string Describe(const std::vector<Finding>& findings) {
  std::string s;
  for (const Finding& f : findings) s += std::to_string(static_cast<int>(f.kind)) + ":" + f.interfaceName + " ";
  return s;
}

std::string Expect(std::initializer_list<Finding> findings) { return Describe(findings); }

TEST(DiscoveryDiagnosis, EachAdapterGetsTheFirstThingInItsWay) {
  FakeNetworkFacts fake;
  fake.AddInterface("lo", {"127.0.0.1"});
  fake.AddInterface("eth0", {"192.168.1.20"}).up = false;
  fake.AddInterface("eth1").carrier = false;
  fake.AddInterface("eth2");
  fake.AddInterface("eth3", {"169.254.7.9"});
  fake.AddInterface("eth4", {"169.254.7.10", "10.0.0.5"});  // a real address too: fine
  fake.AddInterface("wlan0", {"10.1.0.5"}).operState = "dormant";
  fake.AddInterface("docker0", {"172.17.0.1"}).physical = false;  // a bridge without link: not the way out
  fake.Find("docker0")->carrier = false;
  EXPECT_EQ(Describe(Diagnose(fake)), Expect({{FindingKind::kSwitchedOff, "eth0"},
                                              {FindingKind::kNoLink, "eth1"},
                                              {FindingKind::kNoAddress, "eth2"},
                                              {FindingKind::kLinkLocalOnly, "eth3"}}));
}

TEST(DiscoveryDiagnosis, OnlyLoopbackOrUnreadableListSaysSo) {
  FakeNetworkFacts fake;
  fake.AddInterface("lo", {"127.0.0.1"});
  EXPECT_EQ(Describe(Diagnose(fake)), Expect({{FindingKind::kNoAdapter, ""}}));
  fake.SetUnavailable(true);
  EXPECT_EQ(Describe(Diagnose(fake)), Expect({{FindingKind::kFactsUnavailable, ""}}));
}

TEST(DiscoveryDiagnosis, TunnelHoldingAllTrafficPortAndFilterAreNamed) {
  FakeNetworkFacts fake;
  fake.AddInterface("eth0", {"192.168.1.20"});
  fake.AddInterface("eth1", {"192.168.2.20"});
  fake.AddInterface("tun0", {"10.8.0.2"}).tunnel = true;
  fake.AddInterface("wg0", {"10.9.0.2"}).tunnel = true;
  fake.AddRoute("eth0", "0.0.0.0", 0, 100);
  fake.AddRoute("tun0", "0.0.0.0", 1);    // the two halves a VPN client adds
  fake.AddRoute("tun0", "128.0.0.0", 1);  // named once
  fake.AddRoute("wg0", "10.9.0.0", 24);   // its own subnet only: harmless
  fake.SetFilter(PacketFilter::kLoaded);
  EXPECT_EQ(Describe(Diagnose(fake, {"eth1"})), Expect({{FindingKind::kTunnelRoute, "tun0"},
                                                        {FindingKind::kPortTaken, "eth1"},
                                                        {FindingKind::kPacketFilter, ""}}));
  // A healthy PC: nothing here explains the silence.
  fake.Find("tun0")->tunnel = false;
  fake.SetFilter(PacketFilter::kNoneSeen);
  EXPECT_TRUE(Diagnose(fake).empty());
}

}  // namespace
}  // namespace sp
