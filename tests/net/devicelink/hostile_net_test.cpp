// What the exchange hears from the network, besides the appliance: another
// host answering for the appliance's MAC, and a flood on port 7778.
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "tests/net/devicelink/devicelinknettest.h"

namespace sp::nettest {
namespace {

class HostileNetTest : public DeviceLinkNetTest {
 protected:
  void SetUp() override {
    DeviceLinkNetTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    sim_ = StartSimulator(net(), {"--appliance", "password=secret9"});
    ASSERT_NE(sim_, nullptr);
  }
  // The login check's reply code from `link` (in pc).
  std::uint8_t Login(DeviceLink& link, const std::string& password) {
    return RunInNamespace(net().pc(), [&] {
      std::array<std::uint8_t, kReplyAreaSize> area{};
      const Bytes payload = LoginPayload(password);
      link.SendDeviceCommand(mac_.c_str(), kCmdLoginCheck, payload.data(), payload.size(), area.data());
      return area[0];
    });
  }

  const std::string mac_ = SimulatorMac(0);
  LinuxLocalAddresses addresses_;
  ApplianceSources sources_;
  DeviceLink pinned_{addresses_, {}, &sources_};
  DeviceLink open_{addresses_};
};

TEST_F(HostileNetTest, AnotherHostAnsweringForTheApplianceIsNotHeard) {
  DeviceRowModel rows;
  RunInNamespace(net().pc(), [&] { pinned_.DiscoverDevices(rows); });
  ASSERT_EQ(rows.RowCount(), 1);

  // Found after discovery: a host that claims to be the appliance and
  // answers everything at once, while the real one takes its time.
  auto hostile = StartSimulator(net(), {"--appliance", "mac=" + mac_ + ",ip=10.77.0.9"}, "hostile");
  ASSERT_NE(hostile, nullptr);
  ASSERT_TRUE(hostile->SetFault({.kind = "impostor"}));
  ASSERT_TRUE(sim_->SetFault({.kind = "delay", .command = kCmdLoginCheck, .count = 1, .delayMs = 300}));

  EXPECT_EQ(Login(open_, ""), kReplyAccepted) << "a link that takes any answer believes the impostor";
  // The real appliance's late answer goes to no one (a reply is matched by
  // its header alone: it would be taken for the next exchange's).
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_NE(Login(pinned_, ""), kReplyAccepted) << "the appliance itself refuses the blank password";
  EXPECT_EQ(Login(pinned_, "secret9"), kReplyAccepted);
  EXPECT_EQ(hostile->Appliance(mac_)["counts"]["7"], 3) << "it did answer every time";

  // The appliance moves to a new address and commits it: from then on that
  // address is the one heard.
  Bytes record(177, 0);
  Put(record, 0, "VBX-207");
  Put(record, 20, "10.77.0.60");
  Put(record, 56, "255.255.255.0");
  const auto moved = RunInNamespace(net().pc(), [&] {
    const Bytes identity = BuildItemPayload(kItemIdentity, record.data(), 177);
    const Bytes commit = BuildItemPayload(kItemCommit, "nvram_commit", 12);
    std::array<std::uint8_t, kReplyAreaSize> area{};
    pinned_.SendDeviceCommand(mac_.c_str(), kCmdSetItem, identity.data(), identity.size(), area.data());
    pinned_.SendDeviceCommand(mac_.c_str(), kCmdSetItem, commit.data(), commit.size(), area.data());
    pinned_.ApplianceMoved(mac_.c_str(), "10.77.0.60");
    return area[0];
  });
  EXPECT_EQ(moved, kReplyAccepted) << "the commit's reply still came from the old address";
  EXPECT_EQ(sim_->Appliance(mac_)["identity"]["ip"], "10.77.0.60");
  EXPECT_NE(Login(pinned_, ""), kReplyAccepted);
  EXPECT_EQ(Login(pinned_, "secret9"), kReplyAccepted) << "heard at its new address";
}

// Bytes waiting in the receive queues of this thread's namespace's UDP
// sockets on port 7778 (the exchange's own is the only one).
long QueuedOnDevicePort() {
  std::ifstream table("/proc/thread-self/net/udp");
  std::string line;
  std::getline(table, line);
  long queued = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues;
    fields >> slot >> local >> remote >> state >> queues;
    if (local.size() >= 5 && local.substr(local.size() - 4) == "1E62") {
      queued += std::stol(queues.substr(queues.find(':') + 1), nullptr, 16);
    }
  }
  return queued;
}

TEST_F(HostileNetTest, AFloodOnThePortLetsTheWindowRunBetweenDatagrams) {
  // While the exchange waits for a reply that never comes, the window's
  // first turn floods port 7778 with junk broadcasts on the PC's link; the
  // exchange must hand the window its next turn while junk still waits.
  const bool leftWaiting = RunInNamespace(net().pc(), [&] {
    std::vector<LocalAddress> list;
    addresses_.List(list);
    const int flooder = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(flooder, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    setsockopt(flooder, SOL_SOCKET, SO_BINDTODEVICE, list.at(0).interfaceName.c_str(),
               static_cast<socklen_t>(list.at(0).interfaceName.size()));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kDevicePort);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    int turns = 0;
    bool waiting = false;
    DeviceLink link(addresses_, [&] {
      if (++turns == 1) {
        const char junk[24] = "not a reply at all";
        for (int i = 0; i < 150; ++i)
          sendto(flooder, junk, sizeof junk, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      } else if (turns > 100 && QueuedOnDevicePort() > 0) {
        waiting = true;  // a turn came before the junk was all read
      }
    });
    std::array<std::uint8_t, kReplyAreaSize> area{};
    link.SendDeviceCommand("02:4b:56:00:99:99", kCmdQueryIdentity, nullptr, 0, area.data());
    close(flooder);
    return waiting;
  });
  EXPECT_TRUE(leftWaiting);
}

}  // namespace
}  // namespace sp::nettest
