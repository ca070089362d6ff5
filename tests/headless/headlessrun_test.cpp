// The run's early ends over a scripted link: which exit code, what was
// printed, and that nothing past the failed step was sent.
#include <gtest/gtest.h>

#include <sstream>

#include "headless/core/headlessrun.h"
#include "platform/fake/fakenetwork.h"
#include "platform/fake/fakestorage.h"
#include "tests/pages/config/scriptedlink.h"

namespace sp {
namespace {

constexpr char kFile[] = R"([appliance]
name = "VBX-207"
[admin]
login_password = ""
new_password = "vault42"
[time]
zone = 4
clock = "pc"
[disk]
profile = "both"
level = "standard"
nas_letter = "Y"
iscsi_letter = "X"
)";

class HeadlessRunTest : public ::testing::Test {
 protected:
  HeadlessRunTest() {
    services_.link = &link_;
    services_.driveLetters = &storage_;
    services_.netConnections = &connections_;
    services_.localTime = [] { return std::array<int, 6>{2026, 12, 9, 6, 30, 0}; };
  }
  int Run() {
    return RunHeadlessSetup(*ReadAnswers(kFile).answers, "a.toml", services_, out_, out_, stop_.get_token());
  }
  void Listed() { link_.rows.push_back({u"VBX-207", u"10.77.0.2", u"02:4b:56:00:00:01"}); }

  ScriptedLink link_;
  FakeStorage storage_;
  FakeNetConnections connections_;
  HeadlessServices services_;
  std::stop_source stop_;
  std::ostringstream out_;
};

TEST_F(HeadlessRunTest, NoApplianceByThatNameEndsAfterThreeDiscoveries) {
  EXPECT_EQ(Run(), kExitNotFound);
  EXPECT_EQ(link_.discoveries, 3);
  EXPECT_TRUE(link_.requests.empty());
  EXPECT_EQ(out_.str(), "[1/9] Finding the appliance VBX-207... failed\n  no appliance answered with that name\n");
}

TEST_F(HeadlessRunTest, LetterInUseOrAStopEndsBeforeAnythingIsSent) {
  Listed();
  connections_.entries['Y'] = {"\\\\old\\share", true, false};  // comes back at Y: when it can
  EXPECT_EQ(Run(), kExitLetterInUse);
  EXPECT_EQ(out_.str(), "setuppilot: a.toml:12: disk.nas_letter: drive Y: is in use on this computer\n");
  connections_.entries.clear();
  stop_.request_stop();
  EXPECT_EQ(Run(), kExitInterrupted);
  EXPECT_EQ(link_.discoveries, 0);
  EXPECT_TRUE(link_.requests.empty());
}

TEST_F(HeadlessRunTest, RefusedTimeSettingStopsBeforeTheNetworkIdentity) {
  Listed();
  link_.answer = [](const ScriptedLink::Request& r) {
    const std::uint8_t code = r.command == kCmdSetItem && r.item() == kItemTimeSettings ? 1 : kReplyAccepted;
    return std::vector<std::uint8_t>{code, 0, 0, 0, 0};
  };
  EXPECT_EQ(Run(), kExitSettingRefused);
  EXPECT_NE(out_.str().find("[3/9] Setting the admin password... done\n"
                            "[4/9] Setting the time zone and clock... failed\n  Change target setting failed !\n"),
            std::string::npos)
      << out_.str();
  ASSERT_FALSE(link_.requests.empty());
  EXPECT_EQ(link_.requests.back().item(), kItemTimeSettings);
  // The clock came from this PC: month 12, day 9 of 2026.
  const TimeSettings sent = TimeSettings::FromBytes(link_.requests.back().payload.data() + 4);
  EXPECT_EQ(sent.serverEnabled, 0);
  EXPECT_EQ(sent.month, 12);
  EXPECT_EQ(sent.day, 9);
  EXPECT_EQ(sent.year, 2026 - kFirstYear);
}

}  // namespace
}  // namespace sp
