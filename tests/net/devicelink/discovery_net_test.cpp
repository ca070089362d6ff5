// Discovery, address order, the adapter check and the echo probe on a real
// test network against the real simulator.
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <thread>
#include <tuple>

#include "base/text.h"
#include "devicelink/echoprobe.h"
#include "tests/net/devicelink/devicelinknettest.h"

namespace sp::nettest {
namespace {

class DiscoveryNetTest : public DeviceLinkNetTest {};

std::string Text(const std::u16string& s) { return Utf16ToUtf8(s); }

TEST_F(DiscoveryNetTest, TwoAppliancesGiveTwoRowsInTheOrderOfTheirAnswers) {
  sim_ = StartSimulator(net(), {"--count", "2"});
  ASSERT_NE(sim_, nullptr);
  // The first configured appliance answers later than the second.
  ASSERT_TRUE(sim_->SetFault({.mac = SimulatorMac(0), .kind = "delay", .command = 0, .delayMs = 120}));

  const auto start = Clock::now();
  const DeviceRowModel rows = Discover();
  // Both answered within a few milliseconds, but discovery polls its 50
  // times of 5 ms all the same.
  EXPECT_GE(SecondsSince(start), 0.25);
  ASSERT_EQ(rows.RowCount(), 2);
  EXPECT_EQ(Text(rows.rows()[0].name), "VBX-207-2");
  EXPECT_EQ(Text(rows.rows()[0].ip), "10.77.0.3");
  EXPECT_EQ(Text(rows.rows()[0].mac), SimulatorMac(1));
  EXPECT_EQ(Text(rows.rows()[1].name), "VBX-207");
  EXPECT_EQ(Text(rows.rows()[1].ip), "10.77.0.2");
  EXPECT_EQ(Text(rows.rows()[1].mac), SimulatorMac(0));
}

TEST_F(DiscoveryNetTest, OneApplianceAnsweringOnTwoPcAddressesGivesOneRow) {
  ASSERT_TRUE(net().AddAddress(net().pc(), net().pcInterface(), "10.77.0.101/24"));
  sim_ = StartSimulator(net(), {});
  ASSERT_NE(sim_, nullptr);
  EXPECT_EQ(Discover().RowCount(), 1);
  // It was asked once from each address.
  EXPECT_EQ(sim_->Appliance(SimulatorMac(0))["counts"]["0"], 2);
}

TEST_F(DiscoveryNetTest, OnlyTheFirstTwentyRowsAreSearchedForDuplicates) {
  ASSERT_TRUE(net().AddAddress(net().pc(), net().pcInterface(), "10.77.0.201/24"));
  sim_ = StartSimulator(net(), {"--count", "21"});
  ASSERT_NE(sim_, nullptr);
  const DeviceRowModel rows = Discover();
  // First address: 21 rows. Second address: the 20 appliances in rows 0-19
  // are found, the one in row 20 is not and comes again.
  ASSERT_EQ(rows.RowCount(), 22);
  std::set<std::u16string> first20;
  for (int i = 0; i < 20; ++i) first20.insert(rows.rows()[i].mac);
  EXPECT_EQ(first20.size(), 20u);
  EXPECT_EQ(rows.rows()[21].mac, rows.rows()[20].mac);
  EXPECT_EQ(first20.count(rows.rows()[20].mac), 0u);
}

TEST_F(DiscoveryNetTest, ApplianceReachableOnlyOnTheSecondAddressAnswersAfterTheFirstWaits) {
  ASSERT_FALSE(net().AddDeadEndInterface(net().pc(), "10.78.0.1/24", true).empty());
  sim_ = StartSimulator(net(), {});
  ASSERT_NE(sim_, nullptr);

  const Exchange e = Send(kBroadcastMac, kCmdQueryIdentity);
  ASSERT_EQ(e.length, 27 + 177);
  EXPECT_EQ(e.code(), kReplyAccepted);
  EXPECT_EQ(e.Text(25), "10.77.0.2");
  // Three seconds of polls on the dead-end address first.
  EXPECT_GE(e.seconds, 2.9);
  EXPECT_LT(e.seconds, 5.0);
}

// Unicast replies count only for the address they were sent to: while the
// exchange waits on 10.77.0.1, datagrams for 10.77.0.102 (same interface)
// are not its replies; on 10.77.0.102 they are.
TEST_F(DiscoveryNetTest, UnicastRepliesCountOnlyOnTheirOwnAddress) {
  ASSERT_TRUE(net().AddAddress(net().pc(), net().pcInterface(), "10.77.0.102/24"));
  std::atomic<bool> stop{false};
  auto sender = RunInNamespaceAsync(net().vbx(), [&] {
    Bytes reply = BuildRequest(kBroadcastMac, kReplyAccepted, nullptr, 0);
    reply.resize(27 + 128);
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kDevicePort);
    to.sin_addr.s_addr = inet_addr("10.77.0.102");
    while (!stop) {
      sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    close(fd);
  });
  const Exchange e = Send(kBroadcastMac, kCmdQueryDisks);
  stop = true;
  sender.get();
  EXPECT_EQ(e.length, 27 + 128);
  EXPECT_EQ(e.code(), kReplyAccepted);
  EXPECT_GE(e.seconds, 2.9);
  EXPECT_LT(e.seconds, 4.5);
}

// Datagrams too big for the 8192-byte receive buffer are never replies, even
// when they begin like one; one byte less is.
TEST_F(DiscoveryNetTest, OversizedDatagramsAreNotTakenForReplies) {
  auto sender = RunInNamespaceAsync(net().vbx(), [] {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kDevicePort);
    to.sin_addr.s_addr = inet_addr(kPcAddress);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (std::size_t size : {8192u, 9000u, 8191u}) {
      Bytes reply = BuildRequest(kBroadcastMac, kReplyAccepted, nullptr, 0);
      reply.resize(size, 'x');
      sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    close(fd);
  });
  const Exchange e = Send(kBroadcastMac, kCmdQueryDisks);
  sender.get();
  EXPECT_EQ(e.length, 8191);
  EXPECT_EQ(e.code(), kReplyAccepted);
  EXPECT_GE(e.seconds, 0.7);
  EXPECT_EQ(e.area[kReplyAreaSize - 1], 'x');
}

TEST_F(DiscoveryNetTest, LocalAddressesAreListedByInterfaceThenAddressOrder) {
  ASSERT_TRUE(net().AddAddress(net().pc(), net().pcInterface(), "10.77.0.102/24"));
  const std::string dead = net().AddDeadEndInterface(net().pc(), "10.78.0.1/24", true);
  const std::string solo = net().AddNamespace("solo");
  ASSERT_FALSE(solo.empty());

  const auto pcList = RunInNamespace(net().pc(), [] {
    std::vector<LocalAddress> list;
    LinuxLocalAddresses().List(list);
    return list;
  });
  ASSERT_EQ(pcList.size(), 3u);
  EXPECT_EQ(pcList[0].text, "10.78.0.1");
  EXPECT_EQ(pcList[0].interfaceName, dead);
  EXPECT_EQ(pcList[1].text, kPcAddress);
  EXPECT_EQ(pcList[1].interfaceName, net().pcInterface());
  EXPECT_EQ(pcList[1].broadcast, inet_addr("10.77.0.255"));
  EXPECT_EQ(pcList[2].text, "10.77.0.102");

  // Without a network only loopback is left.
  const auto soloList = RunInNamespace(solo, [] {
    std::vector<LocalAddress> list;
    LinuxLocalAddresses().List(list);
    return list;
  });
  ASSERT_EQ(soloList.size(), 1u);
  EXPECT_EQ(soloList[0].text, "127.0.0.1");
}

TEST_F(DiscoveryNetTest, AdapterCheckNeedsAnAddressThatCanHoldThePort) {
  EXPECT_TRUE(InPc([](DeviceLink& link) { return link.HasUsableAdapter(); }));

  const std::string solo = net().AddNamespace("solo");
  ASSERT_FALSE(solo.empty());
  EXPECT_FALSE(RunInNamespace(solo, [] {
    LinuxLocalAddresses addresses;
    return DeviceLink(addresses).HasUsableAdapter();
  }));

  // Another program holding UDP 7778 without sharing it.
  const int holder = RunInNamespace(net().pc(), [] {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(kDevicePort);
    return bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? fd : -1;
  });
  ASSERT_GE(holder, 0);
  EXPECT_FALSE(InPc([](DeviceLink& link) { return link.HasUsableAdapter(); }));
  close(holder);
  EXPECT_TRUE(InPc([](DeviceLink& link) { return link.HasUsableAdapter(); }));
}

TEST_F(DiscoveryNetTest, EchoProbeAnswersAtOnceAndFollowsTheApplianceToItsNewAddress) {
  sim_ = StartSimulator(net(), {});
  ASSERT_NE(sim_, nullptr);
  auto probe = [&](const char* ip) {
    return InPc([&](DeviceLink& link) {
      const auto start = Clock::now();
      const bool ok = link.ProbeDeviceAddress(ip);
      return std::make_pair(ok, SecondsSince(start));
    });
  };
  const auto live = probe(kVbxAddress);
  EXPECT_TRUE(live.first);
  EXPECT_LT(live.second, 1.0);

  // New identity with another address, then the commit.
  Bytes record(177, 0);
  Put(record, 0, "VBX-207");
  Put(record, 20, "10.77.0.50");
  Put(record, 36, SimulatorMac(0));
  Put(record, 56, "255.255.255.0");
  Put(record, 72, "10.77.0.254");
  ASSERT_EQ(SendItem(SimulatorMac(0), kItemIdentity, record).code(), kReplyAccepted);
  const std::string commit = "nvram_commit";
  ASSERT_EQ(SendItem(SimulatorMac(0), kItemCommit, Bytes(commit.begin(), commit.end())).code(), kReplyAccepted);

  const auto moved = probe("10.77.0.50");
  EXPECT_TRUE(moved.first);
  EXPECT_LT(moved.second, 2.5);
  // The appliance answers from there, and reports the new address.
  const Exchange e = Send(SimulatorMac(0), kCmdQueryIdentity);
  EXPECT_EQ(e.code(), kReplyAccepted);
  EXPECT_EQ(e.Text(25), "10.77.0.50");
  std::string out;
  ASSERT_TRUE(net().Ip(net().vbx(), {"-o", "-4", "addr", "show", "dev", net().vbxInterface()}, &out));
  EXPECT_NE(out.find("10.77.0.50/24"), std::string::npos) << out;
  EXPECT_EQ(out.find("10.77.0.2/"), std::string::npos) << out;
}

// Where unprivileged echo sockets are not allowed, root falls back to a raw
// socket and still gets its answer.
TEST_F(DiscoveryNetTest, EchoProbeFallsBackToARawSocket) {
  const std::string solo = net().AddNamespace("solo");
  ASSERT_FALSE(solo.empty());
  const auto result = RunInNamespace(solo, [] {
    const int fd = open("/proc/sys/net/ipv4/ping_group_range", O_WRONLY | O_CLOEXEC);
    const bool closed = fd >= 0 && write(fd, "1 0\n", 4) == 4;
    if (fd >= 0) close(fd);
    EchoProbe probe;
    const bool raw = probe.Open() && probe.raw();
    LinuxLocalAddresses addresses;
    return std::make_tuple(closed, raw, DeviceLink(addresses).ProbeDeviceAddress("127.0.0.1"));
  });
  EXPECT_TRUE(std::get<0>(result));
  EXPECT_TRUE(std::get<1>(result));
  EXPECT_TRUE(std::get<2>(result));
}

}  // namespace
}  // namespace sp::nettest
