// The appliance simulator's model, without a network: strict request
// reading, never answering a reply, faults, commit and progress, and its
// configuration.
#include <gtest/gtest.h>

#include <cstring>

#include "devicelink/datagram.h"
#include "devtools/vbx207-sim/simconfig.h"
#include "devtools/vbx207-sim/simjson.h"
#include "devtools/vbx207-sim/simulator.h"

namespace sp::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

class RecordingVolumes : public IVolumeProvider {
 public:
  bool FormatRequested(const FormatProfile& p) override {
    profiles.push_back(p);
    return accept;
  }
  void Withdraw(const std::string& mac, bool iscsi, bool share) override {
    withdrawn.push_back(mac + (iscsi ? " iscsi" : "") + (share ? " share" : ""));
  }
  std::vector<FormatProfile> profiles;
  std::vector<std::string> withdrawn;
  bool accept = true;
};

Bytes Request(const std::string& mac, std::uint8_t command, const Bytes& payload = {}) {
  return sp::BuildRequest(mac.c_str(), command, payload.data(), payload.size());
}

Bytes Item(const std::string& mac, std::uint16_t item, const Bytes& data) {
  return Request(mac, kSetItem, sp::BuildItemPayload(item, data.data(), static_cast<std::uint16_t>(data.size())));
}

class SimulatorTest : public ::testing::Test {
 protected:
  SimulatorTest() : sim_({DefaultAppliance(0), DefaultAppliance(1)}, volumes_) {}

  // Replies to `d` from the PC's address.
  std::vector<Reaction> Feed(const Bytes& d) {
    return sim_.HandleDatagram("10.77.0.1", d.data(), d.size(), now_).reactions;
  }
  nlohmann::json State(int i) { return sim_.appliances()[static_cast<std::size_t>(i)]->State(now_); }

  RecordingVolumes volumes_;
  Simulator sim_;
  Clock::time_point now_ = Clock::now();
  const std::string mac0_ = DefaultAppliance(0).identity.mac;
};

TEST(SimProtocolTest, OnlyExactRequestSizesAreTaken) {
  const std::string mac = "ff:ff:ff:ff:ff:ff";
  EXPECT_EQ(ParseRequest(Request(mac, kQueryIdentity).data(), 23, nullptr), ParseResult::kRequest);
  for (std::uint8_t c : {kQueryIdentity, kQueryDisks, kQueryProgress, kIdentify}) {
    const Bytes longer = Request(mac, c, {0});
    EXPECT_EQ(ParseRequest(longer.data(), longer.size(), nullptr), ParseResult::kBadLength) << int(c);
  }
  const Bytes login = Request(mac, kLoginCheck, Bytes(32, 1));
  EXPECT_EQ(ParseRequest(login.data(), login.size(), nullptr), ParseResult::kRequest);
  EXPECT_EQ(ParseRequest(login.data(), login.size() - 1, nullptr), ParseResult::kBadLength);
  const Bytes format = Request(mac, kStartDiskSetup, {50, 2});
  EXPECT_EQ(ParseRequest(format.data(), format.size(), nullptr), ParseResult::kRequest);

  const Bytes identity = Item(mac, kIdentityItem, Bytes(177, 0));
  SimRequest r;
  ASSERT_EQ(ParseRequest(identity.data(), identity.size(), &r), ParseResult::kRequest);
  EXPECT_EQ(r.item, kIdentityItem);
  EXPECT_EQ(r.itemData.size(), 177u);
  const Bytes shortItem = Item(mac, kIdentityItem, Bytes(176, 0));
  EXPECT_EQ(ParseRequest(shortItem.data(), shortItem.size(), nullptr), ParseResult::kBadLength);
  const Bytes unknownItem = Item(mac, 99, Bytes(4, 0));
  EXPECT_EQ(ParseRequest(unknownItem.data(), unknownItem.size(), nullptr), ParseResult::kUnknownItem);
  // A length field that disagrees with the datagram.
  Bytes lying = Item(mac, kCommit, Bytes(12, 'x'));
  lying[25] = 13;
  EXPECT_EQ(ParseRequest(lying.data(), lying.size(), nullptr), ParseResult::kBadLength);
  EXPECT_EQ(ParseRequest(Request(mac, 3).data(), 23, nullptr), ParseResult::kUnknownCommand);
  EXPECT_EQ(ParseRequest(reinterpret_cast<const std::uint8_t*>("@k#v!ff"), 7, nullptr), ParseResult::kNotProtocol);
}

TEST_F(SimulatorTest, EveryReplyItSendsIsNotARequestToAnotherAppliance) {
  const Bytes requests[] = {
      Request("ff:ff:ff:ff:ff:ff", kQueryIdentity),
      Request(mac0_, kQueryDisks),
      Request(mac0_, kQueryProgress),
      Request(mac0_, kIdentify),
      Request(mac0_, kLoginCheck, Bytes(32, 0)),
      Request(mac0_, kStartDiskSetup, {50, 2}),
      Item(mac0_, kCommit, Bytes(12, 'x')),
      Item(mac0_, kTimeSettings, Bytes(136, 0)),
      Item(mac0_, kAdminPassword, Bytes(32, 0)),
  };
  for (int code : {0, 1, 2, 3, 7, 8, 9, 10, 18}) {
    ASSERT_TRUE(sim_.HandleControl(R"({"op":"clear_faults"})", now_).find("true") != std::string::npos);
    if (code != 3) sim_.HandleControl(R"({"op":"fault","kind":"refuse","code":)" + std::to_string(code) + "}", now_);
    for (const Bytes& request : requests) {
      for (const Reaction& r : Feed(request)) {
        for (const Outgoing& o : r.sends) {
          SimRequest parsed;
          EXPECT_NE(ParseRequest(o.datagram.data(), o.datagram.size(), &parsed), ParseResult::kRequest)
              << "code " << code << " command " << int(request[22]);
        }
      }
    }
  }
  // And datagrams from an appliance's own address are never looked at.
  const Bytes query = Request("ff:ff:ff:ff:ff:ff", kQueryIdentity);
  EXPECT_TRUE(sim_.HandleDatagram("10.77.0.3", query.data(), query.size(), now_).fromOwnAddress);
}

TEST_F(SimulatorTest, BroadcastReachesAllAndAMacOnlyItsAppliance) {
  EXPECT_EQ(Feed(Request("ff:ff:ff:ff:ff:ff", kIdentify)).size(), 2u);
  const auto one = Feed(Request("02:4B:56:00:00:02", kIdentify));  // case does not matter
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(State(1)["identify_count"], 2);
  EXPECT_EQ(State(0)["identify_count"], 1);
  // The reply repeats the request's MAC field, not the appliance's own.
  const Bytes& reply = one[0].sends.at(0).datagram;
  EXPECT_EQ(std::string(reply.begin() + 5, reply.begin() + 22), "02:4B:56:00:00:02");
  EXPECT_TRUE(Feed(Request("02:4b:56:00:00:09", kIdentify)).empty());
}

TEST_F(SimulatorTest, FaultsCountDownAndCombine) {
  sim_.HandleControl(R"({"op":"fault","mac":"02:4b:56:00:00:01","kind":"duplicate","command":18,"count":2})", now_);
  sim_.HandleControl(R"({"op":"fault","mac":"02:4b:56:00:00:01","kind":"delay","delay_ms":250})", now_);
  auto r = Feed(Request(mac0_, kIdentify));
  ASSERT_EQ(r.at(0).sends.size(), 2u);
  EXPECT_EQ(r[0].sends[0].delayMs, 250);
  Feed(Request(mac0_, kIdentify));
  r = Feed(Request(mac0_, kIdentify));
  EXPECT_EQ(r.at(0).sends.size(), 1u) << "the duplicate fault was used up";
  EXPECT_EQ(r[0].sends[0].delayMs, 250) << "the delay fault stays";
  EXPECT_EQ(State(0)["identify_count"], 3);

  sim_.HandleControl(R"({"op":"fault","kind":"wrong_mac","command":0})", now_);
  r = Feed(Request("ff:ff:ff:ff:ff:ff", kQueryIdentity));
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(std::string(r[1].sends[0].datagram.begin() + 5, r[1].sends[0].datagram.begin() + 22),
            DefaultAppliance(1).identity.mac);
  sim_.HandleControl(R"({"op":"fault","kind":"short"})", now_);
  EXPECT_EQ(Feed(Request(mac0_, kQueryDisks)).at(0).sends.at(0).datagram.size(), 12u);
}

TEST_F(SimulatorTest, CommitAppliesThePendingIdentityAndMovesTheAddress) {
  Identity next = DefaultAppliance(0).identity;
  next.ip = "192.168.7.20";
  next.netmask = "255.255.0.0";
  next.mac = "aa:aa:aa:aa:aa:aa";  // the record's MAC does not change the hardware
  EXPECT_EQ(Feed(Item(mac0_, kIdentityItem, EncodeIdentity(next))).at(0).sends.at(0).datagram[22], kReplyAccepted);
  const auto r = Feed(Item(mac0_, kCommit, Bytes(kCommitWord.begin(), kCommitWord.end())));
  ASSERT_TRUE(r.at(0).move.has_value());
  EXPECT_EQ(r[0].move->from, "10.77.0.2");
  EXPECT_EQ(r[0].move->to, "192.168.7.20");
  EXPECT_EQ(r[0].move->prefixLength, 16);
  EXPECT_EQ(r[0].sends.at(0).sourceIp, "10.77.0.2") << "the commit is answered from the old address";
  EXPECT_EQ(State(0)["identity"]["ip"], "192.168.7.20");
  EXPECT_EQ(State(0)["mac"], mac0_);
  // A second commit with nothing pending moves nothing.
  EXPECT_FALSE(Feed(Item(mac0_, kCommit, Bytes(kCommitWord.begin(), kCommitWord.end()))).at(0).move.has_value());

  Identity bad = next;
  bad.netmask = "255.0.255.0";
  EXPECT_EQ(Feed(Item(mac0_, kIdentityItem, EncodeIdentity(bad))).at(0).sends.at(0).datagram[22], kReplyRefused);
}

TEST_F(SimulatorTest, FormatStartsProgressAndTellsTheVolumeProvider) {
  EXPECT_EQ(Feed(Request(mac0_, kStartDiskSetup, {101, 2})).at(0).sends.at(0).datagram[22], kReplyRefused);
  EXPECT_TRUE(volumes_.profiles.empty());
  EXPECT_EQ(Feed(Request(mac0_, kStartDiskSetup, {40, 3})).at(0).sends.at(0).datagram[22], kReplyAccepted);
  ASSERT_EQ(volumes_.profiles.size(), 1u);
  EXPECT_EQ(volumes_.profiles[0].nasPercent, 40);
  EXPECT_EQ(volumes_.profiles[0].levelCode, 3);
  EXPECT_EQ(volumes_.profiles[0].diskSizesMb, (std::vector<std::uint32_t>{476940, 953869}));

  auto& a = *sim_.appliances()[0];
  EXPECT_EQ(a.Progress(now_), 0);
  EXPECT_EQ(a.Progress(now_ + std::chrono::seconds(4)), 20);  // 5 % a second by default
  a.SetProgressSpeed(0, now_ + std::chrono::seconds(4));
  EXPECT_EQ(a.Progress(now_ + std::chrono::seconds(100)), 20);
  a.SetProgressSpeed(50, now_ + std::chrono::seconds(100));
  EXPECT_EQ(a.Progress(now_ + std::chrono::seconds(110)), 100);

  volumes_.accept = false;
  EXPECT_EQ(Feed(Request(mac0_, kStartDiskSetup, {40, 3})).at(0).sends.at(0).datagram[22], kReplyRefused);
  sim_.HandleControl(R"({"op":"disks","disks":[]})", now_);
  volumes_.accept = true;
  EXPECT_EQ(Feed(Request(mac0_, kStartDiskSetup, {40, 3})).at(0).sends.at(0).datagram[22], kReplyRefused);
}

TEST_F(SimulatorTest, ControlRequestsReportWhatIsWrong) {
  EXPECT_NE(sim_.HandleControl("{", now_).find("not JSON"), std::string::npos);
  EXPECT_NE(sim_.HandleControl(R"({"op":"fault","kind":"melt"})", now_).find("unknown kind"), std::string::npos);
  EXPECT_NE(sim_.HandleControl(R"({"op":"fault","kind":"drop","command":"7"})", now_).find("integer"),
            std::string::npos);
  EXPECT_NE(sim_.HandleControl(R"({"op":"disks","mac":"nope","disks":[]})", now_).find("no appliance"),
            std::string::npos);
  EXPECT_NE(sim_.HandleControl(R"({"op":"disks","disks":[{},{},{}]})", now_).find("at most two"), std::string::npos);
  EXPECT_NE(sim_.HandleControl(R"({"op":"reboot"})", now_).find("unknown op"), std::string::npos);
}

TEST(SimConfigTest, CommandLineBuildsAppliances) {
  SimConfig c;
  bool help = false;
  std::string error;
  ASSERT_TRUE(ParseCommandLine({"--control", "/tmp/s", "--appliance", "name=Lab,ip=10.77.0.9,disks=1,password=pw",
                                "--count", "2", "--manage-addresses", "--unicast-replies"},
                               &c, &help, &error))
      << error;
  EXPECT_EQ(c.controlPath, "/tmp/s");
  EXPECT_TRUE(c.manageAddresses);
  EXPECT_TRUE(c.unicastReplies);
  ASSERT_EQ(c.appliances.size(), 3u);
  EXPECT_EQ(c.appliances[0].identity.name, "Lab");
  EXPECT_EQ(c.appliances[0].identity.ip, "10.77.0.9");
  EXPECT_EQ(c.appliances[0].password, "pw");
  EXPECT_EQ(c.appliances[0].disks.size(), 1u);
  EXPECT_EQ(c.appliances[2].identity.mac, "02:4b:56:00:00:03");
  EXPECT_EQ(c.appliances[2].identity.ip, "10.77.0.4");

  SimConfig d;
  EXPECT_FALSE(ParseCommandLine({"--appliance", "disks=3"}, &d, &help, &error));
  EXPECT_FALSE(ParseCommandLine({"--count"}, &d, &help, &error));
  EXPECT_FALSE(ParseCommandLine({"--frobnicate"}, &d, &help, &error));
  SimConfig e;
  ASSERT_TRUE(ParseCommandLine({}, &e, &help, &error));
  EXPECT_EQ(e.appliances.size(), 1u);
  EXPECT_FALSE(e.unicastReplies);  // broadcast replies unless asked
}

TEST(SimConfigTest, JsonConfigurationWithDisksAndFaults) {
  SimConfig c;
  std::string error;
  const auto j = nlohmann::json::parse(R"({
    "manage_addresses": true, "unicast_replies": true,
    "appliances": [
      {"name": "A", "disks": [{"manufacturer": "M", "model": "X", "serial": "S", "bay": "1", "capacity_mb": 2048}],
       "faults": [{"kind": "refuse", "command": 7, "code": 9}], "progress_per_second": 2.5},
      {"mac": "02:00:00:00:00:99"}
    ]})");
  ASSERT_TRUE(ConfigFromJson(j, &c, &error)) << error;
  EXPECT_TRUE(c.unicastReplies);
  ASSERT_EQ(c.appliances.size(), 2u);
  EXPECT_EQ(c.appliances[0].disks.at(0).bay, '1');
  EXPECT_EQ(c.appliances[0].disks.at(0).capacityMb, 2048u);
  EXPECT_EQ(c.appliances[0].faults.at(0).code, 9);
  EXPECT_DOUBLE_EQ(c.appliances[0].progressPerSecond, 2.5);
  EXPECT_EQ(c.appliances[1].identity.mac, "02:00:00:00:00:99");
  EXPECT_EQ(c.appliances[1].identity.ip, "10.77.0.3");
  EXPECT_FALSE(ConfigFromJson(nlohmann::json::parse(R"({"appliances":[{"disks":[{"bay":"01"}]}]})"), &c, &error));
}

TEST_F(SimulatorTest, RestartCutsTheFormatOffAndServedVolumesAndImpostorsAreTheTestsToChoose) {
  const auto control = [&](const std::string& line) { return nlohmann::json::parse(sim_.HandleControl(line, now_)); };
  ASSERT_TRUE(control(R"({"op":"serve","mac":")" + mac0_ + R"(","iscsi":false,"share":true})")["ok"]);
  ASSERT_EQ(Feed(Request(mac0_, kStartDiskSetup, {50, 2})).size(), 1u);
  ASSERT_EQ(volumes_.profiles.size(), 1u);
  EXPECT_FALSE(volumes_.profiles[0].serveIscsi);
  EXPECT_TRUE(volumes_.profiles[0].serveShare);
  now_ += std::chrono::seconds(4);
  EXPECT_GT(State(0)["format"]["progress"].get<int>(), 0);

  // Down for a second and a half: nothing answered; then progress reads 0.
  ASSERT_TRUE(control(R"({"op":"restart","mac":")" + mac0_ + R"(","down_ms":1500})")["ok"]);
  EXPECT_EQ(volumes_.withdrawn, std::vector<std::string>{mac0_ + " iscsi share"});
  EXPECT_TRUE(Feed(Request(mac0_, kQueryProgress))[0].sends.empty());
  now_ += std::chrono::seconds(2);
  const auto reply = Feed(Request(mac0_, kQueryProgress));
  ASSERT_EQ(reply[0].sends.size(), 1u);
  EXPECT_EQ(reply[0].sends[0].datagram[27], '0');
  EXPECT_EQ(State(0)["restarts"], 1);
  EXPECT_TRUE(State(0)["format"].is_null());

  ASSERT_TRUE(control(R"({"op":"remove_target"})")["ok"]);
  EXPECT_EQ(volumes_.withdrawn.back(), DefaultAppliance(1).identity.mac + " iscsi");

  // An impostor claims a login it cannot check and a format it never ran.
  ASSERT_TRUE(control(R"({"op":"fault","mac":")" + mac0_ + R"(","kind":"impostor"})")["ok"]);
  const auto login = Feed(Request(mac0_, kLoginCheck, Bytes(32, 7)));
  ASSERT_EQ(login[0].sends.size(), 1u);
  EXPECT_EQ(login[0].sends[0].datagram[22], kReplyAccepted);
  EXPECT_EQ(Feed(Request(mac0_, kQueryProgress))[0].sends[0].datagram[27], '1');
  EXPECT_EQ(State(0)["logins"]["rejected"], 0);

  // Silent once a format started, not before.
  const std::string mac1 = DefaultAppliance(1).identity.mac;
  ASSERT_TRUE(control(R"({"op":"fault","mac":")" + mac1 + R"(","kind":"silent_after_format"})")["ok"]);
  EXPECT_EQ(Feed(Request(mac1, kQueryProgress))[0].sends.size(), 1u);
  EXPECT_EQ(Feed(Request(mac1, kStartDiskSetup, {50, 2}))[0].sends.size(), 1u) << "the start is still answered";
  EXPECT_TRUE(Feed(Request(mac1, kQueryProgress))[0].sends.empty());
}

}  // namespace
}  // namespace sp::sim
