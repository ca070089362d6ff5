// Requests as they arrive on the socket, through to the replies.
#include "tools/iscsid/controlhandler.h"

#include <gtest/gtest.h>

#include "tests/tools/iscsid/iscsidfakes.h"
#include "tools/iscsid/options.h"

namespace sp::iscsid {
namespace {

using namespace iscsictl;

class ControlHandlerTest : public ::testing::Test {
 protected:
  ControlHandlerTest() : core_(transport_, publisher_, nullptr, Settings()), handler_(core_) {
    auto disk = std::make_shared<testing::FakeScsiTarget>();
    disk->AddDisk(1, {2048, 512, "KORVA"});
    transport_.AddPortal("10.77.0.2:3260", {"iqn.t:1"});
    transport_.SetTarget("iqn.t:1", disk);
  }
  static CoreSettings Settings() {
    CoreSettings s;
    s.defaultNodeName = "iqn.2024-01.org.setuppilot:test";
    s.adapterUnique = 0xABC;
    return s;
  }
  ControlMessage Ask(const std::string& text) {
    const auto reply = DecodeControlMessage(handler_.HandleText(text));
    EXPECT_TRUE(reply);
    EXPECT_FALSE(reply->empty());
    EXPECT_EQ((*reply)[0].type(), "rsp");
    return *reply;
  }
  static std::uint64_t StatusOf(const ControlMessage& m) { return m[0].GetU64Or("status", 999); }

  testing::FakeTransport transport_;
  testing::RecordingPublisher publisher_;
  InitiatorCore core_;
  ControlHandler handler_;
};

TEST_F(ControlHandlerTest, BrokenRequestsGetAnAnswerNotSilence) {
  EXPECT_EQ(StatusOf(Ask("garbage")), kBadRequest);
  EXPECT_EQ(StatusOf(Ask("rsp v=1\n")), kBadRequest);
  EXPECT_EQ(StatusOf(Ask("req op=ping\n")), kBadRequest);
  EXPECT_EQ(StatusOf(Ask("req v=2 op=ping\n")), kBadVersion);
  EXPECT_EQ(StatusOf(Ask("req v=1 op=format_everything\n")), kUnknownOperation);
  EXPECT_EQ(StatusOf(Ask("req v=1 op=logout session=zz\n")), kInvalidParameter);
  EXPECT_EQ(StatusOf(Ask("req v=1 op=login target=t port=x\n")), kInvalidParameter);
  const auto failed = Ask("req v=1 op=logout session=1-2\n");
  EXPECT_EQ(StatusOf(failed), kSessionNotFound);
  EXPECT_EQ(failed[0].Get("error"), "session not found");
}

TEST_F(ControlHandlerTest, OtherUsersMayOnlyReadWithoutAPolicyService) {
  const Caller user{4242, 4321, 4321};
  const auto refused = DecodeControlMessage(handler_.HandleText("req v=1 op=add_portal address=10.77.0.2\n", user));
  ASSERT_TRUE(refused);
  EXPECT_EQ(StatusOf(*refused), kNotAuthorised);
  EXPECT_EQ((*refused)[0].Get("error"), "not authorised");
  EXPECT_EQ(StatusOf(Ask("req v=1 op=portals\n")), kOk);
  EXPECT_EQ(StatusOf(*DecodeControlMessage(handler_.HandleText("req v=1 op=targets\n", user))), kOk);
  EXPECT_EQ(StatusOf(*DecodeControlMessage(handler_.HandleText("req v=1 op=scsi session=1-1 lun=0\n", user))),
            kNotAuthorised);
  EXPECT_TRUE(core_.Portals().empty());  // nothing was done for the refused request
  // What nobody offers is said to be unknown, whoever asks (no permission asked).
  EXPECT_EQ(StatusOf(*DecodeControlMessage(handler_.HandleText("req v=1 op=format_everything\n", user))),
            kUnknownOperation);
  // Without a lease, asking for one is a question of being allowed; giving
  // one up is always fine.
  EXPECT_EQ(StatusOf(*DecodeControlMessage(handler_.HandleText("req v=1 op=begin_setup\n", user))), kNotAuthorised);
  EXPECT_EQ(StatusOf(*DecodeControlMessage(handler_.HandleText("req v=1 op=end_setup\n", user))), kOk);
  EXPECT_EQ(StatusOf(Ask("req v=1 op=begin_setup\n")), kOk);
}

TEST_F(ControlHandlerTest, PortalLoginSessionsAndLogoutOverTheWire) {
  ASSERT_EQ(StatusOf(Ask("req v=1 op=add_portal address=10.77.0.2 socket=3260\n")), kOk);
  const auto targets = Ask("req v=1 op=targets\n");
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets[1].Get("name"), "iqn.t:1");

  const auto login =
      Ask("req v=1 op=login target=iqn.t:1\nmapping target_lun=0x0001000000000000 os_bus=0 os_target=0 os_lun=9\n");
  ASSERT_EQ(StatusOf(login), kOk);
  const std::string session = login[0].Get("session");
  EXPECT_EQ(session.rfind("abc-", 0), 0u);

  const auto sessions = Ask("req v=1 op=sessions\n");
  ASSERT_EQ(sessions.size(), 4u);  // rsp, session, connection, device
  EXPECT_EQ(sessions[1].type(), "session");
  EXPECT_EQ(sessions[1].Get("id"), session);
  EXPECT_EQ(sessions[1].Get("state"), "logged_in");
  EXPECT_EQ(sessions[2].type(), "connection");
  EXPECT_EQ(sessions[2].Get("target_address"), "10.77.0.2");
  EXPECT_EQ(sessions[3].type(), "device");
  EXPECT_EQ(sessions[3].GetU64Or("os_lun", 0), 9u) << "the login's mapping names the LUN";
  EXPECT_EQ(sessions[3].Get("inquiry").substr(16, 10), "4b4f525641");  // "KORVA"

  const auto scsi =
      Ask("req v=1 op=scsi session=" + session + " lun=0x0001000000000000 cdb=120000006000 in_length=96\n");
  ASSERT_EQ(StatusOf(scsi), kOk);
  EXPECT_EQ(scsi[0].GetU64Or("scsi_status", 9), 0u);
  EXPECT_EQ(scsi[0].Get("data").size(), 2 * 66u);

  EXPECT_EQ(StatusOf(Ask("req v=1 op=logout session=" + session + "\n")), kOk);
  EXPECT_EQ(Ask("req v=1 op=sessions\n").size(), 1u);
}

TEST(IscsidOptions, CommandLine) {
  std::string error;
  auto o = ParseOptions({"--foreground", "--socket", "/tmp/s", "--io-timeout", "3"}, &error);
  ASSERT_TRUE(o) << error;
  EXPECT_TRUE(o->foreground);
  EXPECT_EQ(o->socketPath, "/tmp/s");
  EXPECT_EQ(o->mountPoint, kDefaultMountPoint);
  EXPECT_EQ(o->commandTimeout, std::chrono::seconds(3));
  EXPECT_FALSE(ParseOptions({"--io-timeout", "0"}, &error));
  EXPECT_FALSE(ParseOptions({"--io-timeout"}, &error));
  EXPECT_FALSE(ParseOptions({"--socket", ""}, &error));
  EXPECT_FALSE(ParseOptions({"--bogus"}, &error));
  EXPECT_EQ(DefaultNodeName("My_PC.Local"), "iqn.2024-01.org.setuppilot:mypc.local");
  EXPECT_EQ(DefaultNodeName("___"), "iqn.2024-01.org.setuppilot:localhost");
}

}  // namespace
}  // namespace sp::iscsid
