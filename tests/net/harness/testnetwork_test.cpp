// The harness itself: what every network test relies on.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

#include "tests/net/harness/networktest.h"
#include "tests/net/harness/runcommand.h"

namespace sp::nettest {
namespace {

bool NamespaceExists(const std::string& ns) { return std::filesystem::exists("/var/run/netns/" + ns); }

// Sends one UDP datagram from the pc side to vbx:9 and reports whether a
// socket bound in vbx received it.
bool UdpCrosses(TestNetwork& net) {
  const int rx = RunInNamespace(net.vbx(), [] {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(9999);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    return fd;
  });
  RunInNamespace(net.pc(), [] {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9999);
    inet_pton(AF_INET, kVbxAddress, &to.sin_addr);
    sendto(fd, "x", 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    close(fd);
  });
  timeval tv{2, 0};
  setsockopt(rx, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  char c = 0;
  const bool got = recv(rx, &c, 1, 0) == 1 && c == 'x';
  close(rx);
  return got;
}

class NetHarnessTest : public NetworkTest {};

TEST_F(NetHarnessTest, PcReachesVbxAndEchoSocketsAreAllowedInBoth) {
  EXPECT_TRUE(NamespaceExists(net().pc()));
  EXPECT_TRUE(NamespaceExists(net().vbx()));
  EXPECT_LE(net().vbxInterface().size(), 15u);
  EXPECT_TRUE(UdpCrosses(net()));

  // ICMP datagram sockets are refused even to root unless the group range
  // admits the caller's group: creating one proves the sysctl was set there.
  for (const auto& ns : {net().pc(), net().vbx()}) {
    const int fd = RunInNamespace(ns, [] { return socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP); });
    EXPECT_GE(fd, 0) << ns;
    if (fd >= 0) close(fd);
  }
  // The test's own thread stayed where it was.
  const int here = socket(AF_INET, SOCK_DGRAM, 0);
  EXPECT_GE(here, 0);
  close(here);
}

TEST_F(NetHarnessTest, SpawnedProgramRunsInItsNamespaceWithOutputCaptured) {
  SpawnedProcess* ip = net().Spawn(net().vbx(), {"ip", "-o", "-4", "addr", "show"}, "ip");
  ASSERT_NE(ip, nullptr);
  EXPECT_EQ(ip->Wait(5000), 0);
  const std::string log = ip->ReadLog();
  EXPECT_NE(log.find(std::string(kVbxAddress) + "/24"), std::string::npos) << log;
  EXPECT_EQ(log.find(kPcAddress), std::string::npos) << log;
}

TEST_F(NetHarnessTest, DeadEndInterfaceComesFirstAndReachesNothing) {
  const std::string dead = net().AddDeadEndInterface(net().pc(), "10.78.0.1/24", true);
  ASSERT_FALSE(dead.empty());
  std::string out;
  ASSERT_TRUE(net().Ip(net().pc(), {"-o", "-4", "addr", "show"}, &out));
  const auto deadAt = out.find("10.78.0.1/24");
  const auto mainAt = out.find(std::string(kPcAddress) + "/24");
  ASSERT_NE(deadAt, std::string::npos) << out;
  ASSERT_NE(mainAt, std::string::npos) << out;
  EXPECT_LT(deadAt, mainAt) << "the dead-end interface must be listed before the main link";
  // Nothing answers behind it.
  EXPECT_NE(RunCommand({"nsenter", "--net=/var/run/netns/" + net().pc(), "ping", "-c1", "-W1", "10.78.0.2"}), 0);
  EXPECT_EQ(RunCommand({"nsenter", "--net=/var/run/netns/" + net().pc(), "ping", "-c1", "-W2", kVbxAddress}), 0);
}

TEST(NetHarnessLifecycleTest, TwoNetworksCoexistAndTeardownRemovesEverything) {
  std::string why;
  if (!TestNetwork::Available(&why)) GTEST_SKIP() << why;
  auto first = TestNetwork::Create(&why);
  ASSERT_NE(first, nullptr) << why;
  auto second = TestNetwork::Create(&why);
  ASSERT_NE(second, nullptr) << why;
  EXPECT_NE(first->prefix(), second->prefix());
  EXPECT_TRUE(UdpCrosses(*second));

  const std::string extra = first->AddNamespace("solo");
  ASSERT_FALSE(extra.empty());
  SpawnedProcess* sleeper = first->Spawn(first->vbx(), {"sleep", "600"}, "sleep");
  ASSERT_NE(sleeper, nullptr);
  const pid_t pid = sleeper->pid();
  const std::string scratch = first->scratchDir();
  const std::vector<std::string> names{first->pc(), first->vbx(), extra};

  first.reset();
  for (const auto& ns : names) EXPECT_FALSE(NamespaceExists(ns)) << ns;
  EXPECT_FALSE(std::filesystem::exists(scratch));
  EXPECT_EQ(kill(pid, 0), -1);
  // The other network is untouched.
  EXPECT_TRUE(UdpCrosses(*second));
}

}  // namespace
}  // namespace sp::nettest
