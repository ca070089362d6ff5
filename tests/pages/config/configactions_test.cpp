// The sub-steps' exchanges with the appliance over a scripted link: what is
// sent, in which order, what lands in the state record, and how refusals
// and silence end each action.
#include "pages/config/core/configactions.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/text.h"
#include "pages/config/core/adminpassword.h"
#include "pages/config/core/stepcontrols.h"
#include "tests/hoststorage/iscsicli/interpreter_fixture.h"
#include "tests/pages/config/scriptedlink.h"

namespace sp {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes IdentityReply(const IdentityFields& f, std::uint8_t code = kReplyAccepted) {
  Bytes reply(5 + sizeof(IdentityRecord), 0);
  reply[0] = code;
  const IdentityRecord r = MakeIdentityRecord(f);
  std::memcpy(reply.data() + 5, &r, sizeof r);
  return reply;
}

class ConfigActionsTest : public InterpreterTest {
 protected:
  ConfigActionsTest() {
    state.Clear();
    CopyBounded(state.targetMac, "00:11:22:aa:bb:cc");
  }
  WizardState state;
  ScriptedLink link;
};

TEST_F(ConfigActionsTest, LoginAcceptedOnlyOnCodeThree) {
  EXPECT_TRUE(CheckLogin(link, state.targetMac, ""));
  ASSERT_EQ(link.requests.size(), 1u);
  EXPECT_EQ(link.requests[0].command, kCmdLoginCheck);
  EXPECT_EQ(link.requests[0].mac, "00:11:22:aa:bb:cc");
  const LoginPayload expected = BuildLoginPayload("");
  EXPECT_EQ(link.requests[0].payload, Bytes(expected.begin(), expected.end()));

  link.answer = [](const auto&) { return Bytes{1, 0, 0, 0, 0}; };
  EXPECT_FALSE(CheckLogin(link, state.targetMac, "guess"));
  link.answer = [](const auto&) { return Bytes{}; };
  EXPECT_FALSE(CheckLogin(link, state.targetMac, "guess")) << "silence is a refusal";
}

TEST_F(ConfigActionsTest, PasswordIsKeptOnlyWhenAcceptedAndNotBlank) {
  link.answer = [](const auto&) { return Bytes{}; };
  EXPECT_FALSE(SetAdminPassword(link, state, "abc123"));
  EXPECT_STREQ(state.webLoginPassword, "") << "nothing kept without an answer";

  link.answer = [](const auto&) { return Bytes{kReplyAccepted}; };
  EXPECT_TRUE(SetAdminPassword(link, state, "abc123"));
  EXPECT_STREQ(state.webLoginPassword, "abc123");
  EXPECT_EQ(link.requests.back().payload, BuildPasswordItem("abc123"));

  EXPECT_TRUE(SetAdminPassword(link, state, ""));
  EXPECT_STREQ(state.webLoginPassword, "abc123") << "a blank password keeps the earlier text";
  EXPECT_EQ(link.requests.back().payload, BuildPasswordItem(""));
}

TEST_F(ConfigActionsTest, ReadIdentityTriesThreeTimesAndTakesTheReplyMac) {
  const IdentityFields current{
      .name = "vbx", .ip = "10.77.0.2", .mac = "02:4b:56:00:00:01", .netmask = "255.255.255.0"};
  int calls = 0;
  link.answer = [&](const auto&) {
    ++calls;
    if (calls == 1) return Bytes{};                                // silence
    if (calls == 2) return IdentityReply({.name = "no address"});  // reply without an IP text
    return IdentityReply(current);
  };
  IdentityFields got;
  ASSERT_TRUE(ReadIdentity(link, state, &got));
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(got.ip, "10.77.0.2");
  EXPECT_EQ(got.netmask, "255.255.255.0");
  EXPECT_STREQ(state.targetMac, "02:4b:56:00:00:01");
  for (const auto& r : link.requests) {
    EXPECT_EQ(r.command, kCmdQueryIdentity);
    EXPECT_TRUE(r.payload.empty());
  }

  link.requests.clear();
  link.answer = [](const auto&) { return IdentityReply({.name = "x"}); };
  EXPECT_FALSE(ReadIdentity(link, state, &got));
  EXPECT_EQ(link.requests.size(), 3u) << "three attempts, then failure";

  link.answer = [&](const auto&) { return IdentityReply({.ip = "10.77.0.2"}); };
  ASSERT_TRUE(ReadIdentity(link, state, &got));
  EXPECT_STREQ(state.targetMac, "02:4b:56:00:00:01") << "a reply without a MAC text keeps the one in use";
}

TEST_F(ConfigActionsTest, NetworkStepCleansUpBeforeTheRecordThenCommitsAndProbes) {
  // The PC holds a session and a persistent login to the appliance's target.
  CopyBounded(state.deviceIpAddress, "10.77.0.2");
  Given("iscsicli AddTargetPortal 10.77.0.2 3260");
  Given(kWizardLogin);
  ASSERT_EQ(fake.SessionIds().size(), 1u);

  std::size_t sessionsAtRecord = 99;
  link.onRequest = [&](const ScriptedLink::Request& r) {
    if (r.item() == kItemIdentity) sessionsAtRecord = fake.SessionIds().size();
  };
  // The portal address of the clean-up is the typed one: it must equal the
  // appliance's current address for the persistent login to be found, as
  // it is when the address is unchanged.
  const IdentityFields typed{.name = "nas-one",
                             .ip = "10.77.0.2",
                             .mac = "ignored",
                             .netmask = "255.255.255.0",
                             .gateway = "10.77.0.1",
                             .workgroup = "WG",
                             .description = "desk"};
  EXPECT_EQ(ApplyNetworkIdentity(link, &interpreter, state, typed), NetworkOutcome::kApplied);

  EXPECT_EQ(sessionsAtRecord, 0u) << "the session was gone before item 17 left";
  EXPECT_TRUE(PersistentLogins().empty());
  ASSERT_EQ(link.requests.size(), 2u);
  IdentityFields sent = typed;
  sent.mac = "00:11:22:aa:bb:cc";
  EXPECT_EQ(link.requests[0].payload, BuildIdentityItem(MakeIdentityRecord(sent)))
      << "the record carries the target MAC text, not the typed one";
  EXPECT_EQ(link.requests[1].payload, BuildCommitItem());
  EXPECT_EQ(link.probes, std::vector<std::string>{"10.77.0.2"});
  EXPECT_EQ(FieldText(state.deviceIpWide), u"10.77.0.2");
  EXPECT_EQ(FieldText(state.deviceHostName), u"nas-one");
  EXPECT_STREQ(state.deviceIpAddress, "10.77.0.2");
  EXPECT_STREQ(state.deviceIpSummary, "10.77.0.2");
}

TEST_F(ConfigActionsTest, NetworkStepStopsAtARefusedRecordAndReportsSilence) {
  const IdentityFields typed{.name = "n", .ip = "10.77.0.50", .netmask = "255.255.255.0"};
  link.answer = [](const ScriptedLink::Request& r) {
    return r.item() == kItemIdentity ? Bytes{1} : Bytes{kReplyAccepted};
  };
  EXPECT_EQ(ApplyNetworkIdentity(link, &interpreter, state, typed), NetworkOutcome::kRecordRefused);
  EXPECT_EQ(link.requests.size(), 1u) << "no commit after a refusal";
  EXPECT_TRUE(link.probes.empty());
  EXPECT_STREQ(state.deviceIpAddress, "10.77.0.50") << "written while the record was built";
  EXPECT_STREQ(state.deviceIpSummary, "") << "written only once the record was accepted";
  EXPECT_EQ(fake.CallCount(FakeIscsiInitiator::Op::ReportActiveIScsiTargetMappings), 1)
      << "the clean-up ran all the same";

  link.requests.clear();
  link.answer = [](const auto&) { return Bytes{kReplyAccepted}; };
  link.probeAnswers = {false};
  EXPECT_EQ(ApplyNetworkIdentity(link, nullptr, state, typed), NetworkOutcome::kSilentAtAddress);
  EXPECT_EQ(link.requests.size(), 2u);
  EXPECT_EQ(link.probes.back(), "10.77.0.50");
}

TEST(StepControls, EnterAndTabWalkTheRowAndWrap) {
  EXPECT_EQ(NextFocusControl(kStepPassword, kCtlNewPassword), kCtlConfirmPassword);
  EXPECT_EQ(NextFocusControl(kStepPassword, kCtlConfirmPassword), kCtlNewPassword) << "onto a 0: wrap";
  EXPECT_EQ(NextFocusControl(kStepLogin, kCtlLoginPassword), kCtlLoginPassword);
  EXPECT_EQ(NextFocusControl(kStepTimeZone, kCtlList1115), kCtlList1104) << "past the end of a full row: wrap";
  EXPECT_EQ(NextFocusControl(kStepTimeZone, kCtlList1105), kCtlDaylightSaving);
  EXPECT_EQ(NextFocusControl(kStepDateTime, kCtlList1112), kCtlList1104);
  EXPECT_EQ(NextFocusControl(kStepNetwork, kCtlGateway), kCtlWorkGroup);
  EXPECT_EQ(NextFocusControl(kStepNetwork, kCtlNewPassword), 0) << "not in this row";
  EXPECT_EQ(NextFocusControl(kStepNetwork, 0), 0);
  EXPECT_EQ(NextFocusControl(7, kCtlGateway), 0);
  EXPECT_EQ(FirstStepControl(kStepTimeZone), kCtlList1104);
  EXPECT_TRUE(IsStepControl(kCtlTimeServer));
  EXPECT_FALSE(IsStepControl(kCtlNext));
  EXPECT_FALSE(IsStepControl(0));
}

}  // namespace
}  // namespace sp
