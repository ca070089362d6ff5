// The command table: word counts, usage, dispatch, and each command's effect
// on the initiator.
#include "tests/hoststorage/iscsicli/interpreter_fixture.h"

#include "base/text.h"
#include "hoststorage/iscsicli/arguments.h"

namespace sp {
namespace {

using Op = FakeIscsiInitiator::Op;

std::string Stars(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += " *";
  return s;
}

// Commands in the order the usage text lists them.
const char* const kCommandOrder[] = {"AddTarget",
                                     "RemoveTarget",
                                     "AddTargetPortal",
                                     "RemoveTargetPortal",
                                     "RefreshTargetPortal",
                                     "ListTargets",
                                     "ListTargetPortals",
                                     "TargetInfo",
                                     "LoginTarget",
                                     "PersistentLoginTarget",
                                     "RemovePersistentTarget",
                                     "ListPersistentTargets",
                                     "LogoutTarget",
                                     "ListInitiators",
                                     "ReportTargetMappings",
                                     "AddConnection",
                                     "RemoveConnection",
                                     "ScsiInquiry",
                                     "ReadCapacity",
                                     "ReportLUNs",
                                     "AddiSNSServer",
                                     "RemoveiSNSServer",
                                     "ListiSNSServers",
                                     "RefreshiSNSServer",
                                     "TunnelAddr",
                                     "GroupKey",
                                     "PSKey",
                                     "CHAPSecret",
                                     "NodeName",
                                     "SessionList",
                                     "BindPersistentVolumes",
                                     "BindPersistentDevices",
                                     "AddPersistentDevice",
                                     "RemovePersistentDevice",
                                     "ClearPersistentDevices",
                                     "ReportPersistentDevices",
                                     "GetPSKey",
                                     "QLoginTarget",
                                     "QAddTarget",
                                     "QAddTargetPortal",
                                     "QAddConnection"};

TEST_F(InterpreterTest, FullUsageListsEveryCommandInTableOrderAndReturnsZero) {
  for (const char* line : {"iscsicli", "", "iscsicli NoSuchCommand 1 2", "iscsicli AddTargetPortals 10.77.0.2 3260"}) {
    EXPECT_EQ(Run(line), 0u) << line;
    std::vector<std::string> synopses;
    bool quickHeadingSeen = false;
    for (const std::string& l : Lines()) {
      if (l == "Quick Commands") quickHeadingSeen = true;
      if (l.rfind("iscsicli ", 0) != 0) continue;
      synopses.push_back(l.substr(9, l.find(' ', 9) - 9));
      if (synopses.back() == "QLoginTarget") {
        EXPECT_TRUE(quickHeadingSeen);
      }
    }
    EXPECT_EQ(synopses, std::vector<std::string>(std::begin(kCommandOrder), std::end(kCommandOrder))) << line;
    EXPECT_NE(out.str().find("TunnelMode is          0x00000040"), std::string::npos);
    EXPECT_NE(out.str().find("ISCSI_MUTUAL_CHAP_AUTH_TYPE = 2"), std::string::npos);
    EXPECT_NE(out.str().find("ISCSI_TARGET_FLAG_MERGE_TARGET_INFORMATION    0x00000004"), std::string::npos);
  }
  EXPECT_EQ(Calls(), 0);
}

TEST_F(InterpreterTest, WrongWordCountPrintsThatCommandsUsageAndIsNotAnError) {
  const std::string login20 = std::string(kWizardLogin);
  const struct {
    std::string line;
    const char* usageOf;
  } cases[] = {
      {"iscsicli AddTarget t a 10.77.0.2 3260 0 T" + Stars(9), "AddTarget"},         // 17 words
      {"iscsicli AddTarget t a 10.77.0.2 3260 0 T" + Stars(9) + " 1", "AddTarget"},  // count 1, no mapping
      {"iscsicli RemoveTarget", "RemoveTarget"},
      {"iscsicli AddTargetPortal 10.77.0.2", "AddTargetPortal"},
      {"iscsicli AddTargetPortal 10.77.0.2 3260 hba", "AddTargetPortal"},
      {"iscsicli AddTargetPortal 10.77.0.2 3260" + Stars(11), "AddTargetPortal"},  // 15 words
      {"iscsicli RemoveTargetPortal 10.77.0.2", "RemoveTargetPortal"},
      {"iscsicli RemoveTargetPortal 10.77.0.2 3260 * * x", "RemoveTargetPortal"},
      {"iscsicli RefreshTargetPortal 10.77.0.2", "RefreshTargetPortal"},
      {"iscsicli ListTargets T x", "ListTargets"},
      {"iscsicli TargetInfo", "TargetInfo"},
      {"iscsicli TargetInfo t m x", "TargetInfo"},
      {login20 + " x", "LoginTarget"},
      {"iscsicli LoginTarget t T" + Stars(14) + " 0", "LoginTarget"},
      {"iscsicli LoginTarget t T" + Stars(15) + " 1", "LoginTarget"},
      {"iscsicli PersistentLoginTarget t T" + Stars(15) + " 0 x", "PersistentLoginTarget"},
      {"iscsicli RemovePersistentTarget * t * 10.77.0.2", "RemovePersistentTarget"},
      {"iscsicli RemovePersistentTarget * t * 10.77.0.2 3260 x", "RemovePersistentTarget"},
      {"iscsicli LogoutTarget", "LogoutTarget"},
      {"iscsicli LogoutTarget 1-2 3-4", "LogoutTarget"},
      {"iscsicli ListInitiators x", "ListInitiators"},
      {"iscsicli AddConnection 1-2" + Stars(14), "AddConnection"},
      {"iscsicli RemoveConnection 1-2", "RemoveConnection"},
      {"iscsicli ScsiInquiry 1-2 0 0", "ScsiInquiry"},
      {"iscsicli ReadCapacity 1-2", "ReadCapacity"},
      {"iscsicli ReportLUNs 1-2 0", "ReportLUNs"},
      {"iscsicli AddiSNSServer", "AddiSNSServer"},
      {"iscsicli RemoveiSNSServer a b", "RemoveiSNSServer"},
      {"iscsicli RefreshiSNSServer", "RefreshiSNSServer"},
      {"iscsicli TunnelAddr * * * * ", "TunnelAddr"},
      {"iscsicli GroupKey k", "GroupKey"},
      {"iscsicli PSKey * * 0 1 10.0.0.1 key", "PSKey"},
      {"iscsicli CHAPSecret", "CHAPSecret"},
      {"iscsicli NodeName a b", "NodeName"},
      {"iscsicli SessionList 1 2", "SessionList"},
      {"iscsicli AddPersistentDevice", "AddPersistentDevice"},
      {"iscsicli RemovePersistentDevice a b", "RemovePersistentDevice"},
      {"iscsicli GetPSKey * * 1", "GetPSKey"},
      {"iscsicli QLoginTarget t user", "QLoginTarget"},
      {"iscsicli QAddTarget t", "QAddTarget"},
      {"iscsicli QAddTargetPortal 10.77.0.2 user", "QAddTargetPortal"},
      {"iscsicli QAddConnection 1-2 * 10.77.0.2 user", "QAddConnection"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.line), 0u) << c.line;
    const auto lines = Lines();
    ASSERT_GE(lines.size(), 3u) << c.line;
    const std::string synopsis = std::string("iscsicli ") + c.usageOf;
    EXPECT_TRUE(lines.front() == synopsis || lines.front().rfind(synopsis + " ", 0) == 0) << c.line << "\n"
                                                                                          << out.str();
    EXPECT_EQ(lines[lines.size() - 2], "") << "the section ends with an empty line";
    EXPECT_EQ(lines.back(), "The operation completed successfully.");
    EXPECT_EQ(Calls(), 0) << c.line;
  }
}

TEST_F(InterpreterTest, CommandWordsMatchWithoutRegardToCase) {
  EXPECT_EQ(Run("iscsicli addtargetportal 10.77.0.2 3260"), 0u);
  EXPECT_EQ(Run("ISCSICLI LOGINTARGET " + std::string(kApplianceTarget) + " T" + Stars(15) + " 0"), 0u);
  EXPECT_EQ(fake.SessionIds().size(), 1u);
  EXPECT_EQ(Run("x sEsSiOnLiSt"), 0u) << "any program word is accepted";
  EXPECT_TRUE(Printed("Total of 1 sessions"));
}

TEST_F(InterpreterTest, AddTargetPortalShortFormAddsWithDefaults) {
  EXPECT_EQ(Run("iscsicli AddTargetPortal 10.77.0.2 3260"), 0u);
  EXPECT_EQ(Lines().back(), "The operation completed successfully.");
  const auto portals = Portals();
  ASSERT_EQ(portals.size(), 1u);
  EXPECT_EQ(portals[0].portal.address, "10.77.0.2");
  EXPECT_EQ(portals[0].portal.socket, 3260);
  EXPECT_EQ(portals[0].initiatorPortNumber, kIscsiAnyInitiatorPort);
  EXPECT_EQ(portals[0].securityFlags, 0u);
  EXPECT_EQ(portals[0].loginOptions.informationSpecified, 0u);
  EXPECT_EQ(portals[0].initiatorName, "");
}

TEST_F(InterpreterTest, AddTargetPortalFullFormPassesEveryArgument) {
  Given("iscsicli AddTargetPortal 10.77.0.2 3260 \"fake iscsi initiator 0\" 0xZZ 0x41 2 1 0 4 * 20 admin 0x6869 1");
  const auto portals = Portals();
  ASSERT_EQ(portals.size(), 1u);
  const auto& p = portals[0];
  EXPECT_EQ(p.initiatorName, "fake iscsi initiator 0");
  EXPECT_EQ(p.initiatorPortNumber, 0u) << "0x followed by a non-digit reads as 0";
  EXPECT_EQ(p.securityFlags, 0x41u);
  EXPECT_EQ(p.loginOptions.informationSpecified, 0xF7u) << "DefaultTime2Wait was left out";
  EXPECT_EQ(p.loginOptions.loginFlags, 2u);
  EXPECT_EQ(p.loginOptions.password, (std::vector<std::uint8_t>{'h', 'i'}));
  EXPECT_EQ(p.loginOptions.authType, kIscsiAuthChap);
}

TEST_F(InterpreterTest, PortalArgumentsThatCannotBeRightAreRefusedBeforeTheCall) {
  EXPECT_EQ(Run("iscsicli AddTargetPortal " + std::string(256, 'a') + " 3260"), 87u);
  EXPECT_EQ(Lines().back(), "One of the parameters is not valid.");
  EXPECT_EQ(Run("iscsicli AddTargetPortal 10.77.0.2 70000"), 87u) << "a socket must fit 16 bits";
  EXPECT_EQ(Calls(), 0);
  EXPECT_EQ(Run("iscsicli AddTargetPortal " + std::string(255, 'a') + " 3260"), kIscsiStatusUnreachable)
      << "255 characters still fit; the initiator's own status comes back unchanged";
  EXPECT_EQ(Lines().back(), "The network location cannot be reached.");
}

TEST_F(InterpreterTest, StatusWithoutASystemTextIsPrintedInHex) {
  fake.FailNext(Op::AddIScsiSendTargetPortal, 0xEFFF0003u);
  EXPECT_EQ(Run("iscsicli AddTargetPortal 10.77.0.2 3260"), 0xEFFF0003u);
  EXPECT_EQ(Lines().back(), "Status: 0xefff0003");
}

TEST_F(InterpreterTest, RemoveAndRefreshTargetPortal) {
  Given("iscsicli AddTargetPortal 10.77.0.2 3260");
  EXPECT_EQ(Run("iscsicli RefreshTargetPortal 10.77.0.2 3260 * *"), 0u);
  EXPECT_EQ(Run("iscsicli RemoveTargetPortal 10.77.0.2 3260"), 0u);
  EXPECT_TRUE(Portals().empty());
  EXPECT_EQ(Run("iscsicli RemoveTargetPortal 10.77.0.2 3260"), kIscsiStatusNotFound);
  EXPECT_EQ(Run("iscsicli RefreshTargetPortal 10.77.0.2 3260 nosuchhba"), 87u) << "the fake knows no such HBA";
}

TEST_F(InterpreterTest, WizardLoginLogsInPersistentlyThenNow) {
  Given("iscsicli AddTargetPortal 10.77.0.2 3260");
  EXPECT_EQ(Run(kWizardLogin), 0u);
  EXPECT_EQ(fake.CallCount(Op::LoginIScsiTarget), 2);
  ASSERT_EQ(fake.SessionIds().size(), 1u);
  const auto logins = PersistentLogins();
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_FALSE(logins[0].isInformationalSession) << "T reports the disk to the system";
  EXPECT_TRUE(
      Printed("LoginTarget to iqn.2008-01.com.korva:storage.aabbcc.1.sys on <no init instance> to "
              "<no portal>/0"));
  const std::string id = SessionIdText(fake.SessionIds()[0]);
  EXPECT_EQ(interpreter.lastSessionId(), id);
  EXPECT_TRUE(Printed("Session Id is 0x" + id.substr(0, id.find('-')) + "-0x" + id.substr(id.find('-') + 1)));
  EXPECT_EQ(Lines().back(), "The operation completed successfully.");
}

TEST_F(InterpreterTest, LoginTargetIgnoresThePersistentStatusButNotTheOrdinaryOne) {
  Given("iscsicli AddTargetPortal 10.77.0.2 3260");
  fake.FailNext(Op::LoginIScsiTarget, 1460);
  EXPECT_EQ(Run(kWizardLogin), 0u);
  EXPECT_TRUE(PersistentLogins().empty());
  EXPECT_EQ(fake.SessionIds().size(), 1u);

  const std::string before = interpreter.lastSessionId();
  fake.FailNext(Op::LoginIScsiTarget, 0);
  fake.FailNext(Op::LoginIScsiTarget, 1460);
  EXPECT_EQ(Run(kWizardLogin), 1460u);
  EXPECT_EQ(interpreter.lastSessionId(), before) << "a failed login keeps the last id";
}

TEST_F(InterpreterTest, PersistentLoginTargetOnlyRecords) {
  Given("iscsicli AddTargetPortal 10.77.0.2 3260");
  EXPECT_EQ(Run("iscsicli PersistentLoginTarget " + std::string(kApplianceTarget) + " F" + Stars(15) + " 0"), 0u);
  EXPECT_EQ(fake.CallCount(Op::LoginIScsiTarget), 1);
  EXPECT_TRUE(fake.SessionIds().empty());
  ASSERT_EQ(PersistentLogins().size(), 1u);
  EXPECT_TRUE(PersistentLogins()[0].isInformationalSession);
  EXPECT_EQ(interpreter.lastSessionId(), "");
}

TEST_F(InterpreterTest, LoginTargetWithPortalInstanceKeyAndMapping) {
  const std::string line = "iscsicli LoginTarget " + std::string(kApplianceTarget) +
                           " T 10.77.0.2 3260 \"fake iscsi initiator 0\" * 0x2" + Stars(9) +
                           " secret 1 0x0000000000000000 1 7 3";
  EXPECT_EQ(Run(line), 0u) << out.str();
  EXPECT_TRUE(
      Printed("LoginTarget to iqn.2008-01.com.korva:storage.aabbcc.1.sys on fake iscsi initiator 0 to "
              "10.77.0.2/3260"));
  std::uint32_t capacity = 4;
  std::vector<IscsiTargetMapping> mappings;
  ASSERT_EQ(fake.ReportActiveIScsiTargetMappings(capacity, mappings), 0u);
  ASSERT_EQ(mappings.size(), 1u);
  EXPECT_EQ(mappings[0].osBusNumber, 1u);
  EXPECT_EQ(mappings[0].osTargetNumber, 7u);
  ASSERT_EQ(mappings[0].luns.size(), 1u);
  EXPECT_EQ(mappings[0].luns[0].osLun, 3u);
  ASSERT_EQ(PersistentLogins().size(), 1u);
  EXPECT_EQ(PersistentLogins()[0].securityFlags, 2u);
}

TEST_F(InterpreterTest, LoginTargetRefusesMalformedArgumentsWithoutACall) {
  const std::string head = "iscsicli LoginTarget " + std::string(kApplianceTarget) + " T";
  const struct {
    std::string line;
    const char* message;
  } cases[] = {
      {head + " 10.77.0.2 *" + Stars(13) + " 0", "Portal address and socket must be specified"},
      {head + " * 3260" + Stars(13) + " 0", "Portal address and socket must be specified"},
      {head + Stars(15) + " 1 0x000000000000000 0 0 0", "Target LUN must be in 0x0123456789abcdef format"},
      {head + Stars(15) + " 1 0x00000000000000000 0 0 0", "Target LUN must be in 0x0123456789abcdef format"},
      {head + Stars(15) + " 2 0x0000000000000000 0 0 0 0x0001000000000000 1 0 1",
       "OSBus number must be the same for all LUNs"},
      {head + Stars(15) + " 2 0x0000000000000000 0 0 0 0x0001000000000000 0 1 1",
       "OSTarget number must be the same for all LUNs"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.line), 87u) << c.line;
    EXPECT_EQ(Lines().front(), c.message) << c.line;
  }
  EXPECT_EQ(Run("iscsicli LoginTarget " + std::string(256, 't') + " T" + Stars(15) + " 0"), 87u);
  EXPECT_EQ(Calls(), 0);
}

TEST_F(InterpreterTest, LogoutTargetTakesOnlyValidSessionIds) {
  for (const char* bad : {"xyz-1", "12345", "\"\"", "1-g", "-1"}) {
    EXPECT_EQ(Run(std::string("iscsicli LogoutTarget ") + bad), 87u) << bad;
    const std::string shown = std::string(bad) == "\"\"" ? "" : bad;
    EXPECT_EQ(Lines().front(), "Invalid sessionid: " + shown);
  }
  EXPECT_EQ(Calls(), 0);
  EXPECT_EQ(Run("iscsicli LogoutTarget 0x1-0x2"), kIscsiStatusNotFound);
  EXPECT_EQ(Lines().front(), "Logout Target 0x1-0x2");

  Given("iscsicli AddTargetPortal 10.77.0.2 3260");
  Given(kWizardLogin);
  EXPECT_EQ(Run("iscsicli LogoutTarget " + interpreter.lastSessionId()), 0u);
  EXPECT_TRUE(fake.SessionIds().empty());
}

TEST_F(InterpreterTest, RemovePersistentTargetMatchesInstanceAndPortal) {
  Given("iscsicli AddTargetPortal 10.77.0.2 3260");
  Given(kWizardLogin);
  const std::string t = kApplianceTarget;
  EXPECT_EQ(Run("iscsicli RemovePersistentTarget other " + t + " * 10.77.0.2 3260"), kIscsiStatusNotFound);
  EXPECT_EQ(Run("iscsicli RemovePersistentTarget * " + t + " * 10.77.0.2 3261"), kIscsiStatusNotFound);
  EXPECT_EQ(Run("iscsicli RemovePersistentTarget * " + t + " * " + std::string(256, 'a') + " 3260"), 87u);
  EXPECT_EQ(PersistentLogins().size(), 1u);
  EXPECT_EQ(Run("iscsicli RemovePersistentTarget \"fake iscsi initiator 0\" " + t + " * 10.77.0.2 3260"), 0u);
  EXPECT_TRUE(PersistentLogins().empty());
  Given(kWizardLogin);
  EXPECT_EQ(Run("iscsicli RemovePersistentTarget * " + t + " * * 0"), 0u) << "no portal matches any";
  EXPECT_TRUE(PersistentLogins().empty());
}

TEST(DiscardingStream, TakesAnyAmountOfTextAndStaysGood) {
  FakeIscsiInitiator fake;
  FakeVolumeEnumerator volumes;
  DiscardingStream sink;
  IscsiInterpreter interpreter(fake, volumes, sink);
  EXPECT_EQ(interpreter.Run("iscsicli"), 0u);
  EXPECT_EQ(interpreter.Run(std::string("iscsicli LogoutTarget zz")), 87u);
  EXPECT_TRUE(sink.good());
  EXPECT_EQ(interpreter.lastCommandLine(), u"iscsicli LogoutTarget zz");
}

}  // namespace
}  // namespace sp
