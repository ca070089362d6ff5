// The commands the wizard does not use itself: each reaches the initiator
// with the arguments it was given and refuses what it cannot pass on.
#include "tests/hoststorage/iscsicli/interpreter_fixture.h"

#include "hoststorage/iscsicli/arguments.h"

namespace sp {
namespace {

using Op = FakeIscsiInitiator::Op;

class CommandsTest : public InterpreterTest {
 protected:
  // Logs in to the appliance's target and returns the session id text.
  std::string LoggedIn() {
    Given("iscsicli AddTargetPortal 10.77.0.2 3260");
    Given("iscsicli QLoginTarget " + std::string(kApplianceTarget));
    return interpreter.lastSessionId();
  }
};

TEST_F(CommandsTest, StaticTargets) {
  Given("iscsicli AddTarget st.one alias 10.77.0.2 3260 0x4 F * * * * * * * * * 1 0x0000000000000000 0 2 5");
  Given("iscsicli QAddTarget st.two 10.77.0.3");
  const auto& statics = fake.staticTargets();
  ASSERT_EQ(statics.size(), 2u);
  EXPECT_EQ(statics[0].alias, "alias");
  EXPECT_EQ(statics[0].flags, kIscsiTargetFlagMergeTargetInformation);
  EXPECT_FALSE(statics[0].persist);
  ASSERT_TRUE(statics[0].mapping);
  EXPECT_EQ(statics[0].mapping->osTargetNumber, 2u);
  EXPECT_EQ(statics[0].mapping->luns.at(0).osLun, 5u);
  ASSERT_EQ(statics[1].portals.portals.size(), 1u);
  EXPECT_EQ(statics[1].portals.portals[0].address, "10.77.0.3");
  EXPECT_EQ(statics[1].portals.portals[0].socket, 3260) << "the quick form uses the iSCSI port";
  EXPECT_TRUE(statics[1].persist);

  Given("iscsicli ListTargets T");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Targets List:", "    st.one", "    st.two",
                                               "The operation completed successfully."}));
  Given("iscsicli RemoveTarget st.one");
  EXPECT_EQ(Run("iscsicli RemoveTarget st.one"), kIscsiStatusNotFound);
  EXPECT_EQ(Run("iscsicli AddTarget st.three * * * 0 T * * * * * * * * * 1 0x00000000000000 0 0 0"), 87u);
  EXPECT_EQ(fake.staticTargets().size(), 1u);
}

TEST_F(CommandsTest, TargetInfoPrintsEachClassOrItsFailure) {
  Given("iscsicli AddTargetPortal 10.77.0.2 3260");
  Given("iscsicli TargetInfo " + std::string(kApplianceTarget));
  EXPECT_EQ(Lines().front(),
            "Get Target information for iqn.2008-01.com.korva:storage.aabbcc.1.sys discovered by <all mechanisms>");
  EXPECT_TRUE(Printed("    Protocol Type        : iSCSI TCP Protocol"));
  EXPECT_TRUE(Printed("    Target Alias         : vbx207"));
  EXPECT_TRUE(Printed("    PortalGroups         : 1 portal groups"));
  EXPECT_TRUE(Printed("        Group 0 has 1 portals"));
  EXPECT_TRUE(Printed("    Initiator Name       : fake iscsi initiator 0"));
  EXPECT_TRUE(Printed("    Target Flags         : 0x0"));

  fake.FailNext(Op::GetIScsiTargetInformation, 0);
  fake.FailNext(Op::GetIScsiTargetInformation, 5);
  EXPECT_EQ(Run("iscsicli TargetInfo " + std::string(kApplianceTarget) + " *"), 0u);
  EXPECT_TRUE(Printed("    Target Alias Failed  : Access to the device or setting was refused."));

  EXPECT_EQ(Run("iscsicli TargetInfo no.such.target \"SendTargets 10.77.0.2 3260\""), kIscsiStatusNotFound);
  EXPECT_EQ(Lines().front(), "Get Target information for no.such.target discovered by SendTargets 10.77.0.2 3260");
  EXPECT_TRUE(Printed("    Protocol Type Failed : The requested item was not found."));
}

TEST_F(CommandsTest, ConnectionsOfASession) {
  const std::string session = LoggedIn();
  Given("iscsicli AddConnection " + session + " * * 10.77.0.2 3260 0 * * * * * * * * * *");
  EXPECT_TRUE(Printed("Session Id is 0x" + session.substr(0, 16) + "-0x" + session.substr(17)));
  const std::string connectionLine = Lines()[1];
  ASSERT_EQ(connectionLine.rfind("Connection Id is 0x", 0), 0u);
  Given("iscsicli QAddConnection " + session + " * 10.77.0.2 user -");
  std::uint32_t capacity = 4;
  std::vector<IscsiSessionInfo> sessions;
  ASSERT_EQ(fake.GetIScsiSessionList(capacity, sessions), 0u);
  ASSERT_EQ(sessions.at(0).connections.size(), 3u);

  std::string connection = connectionLine.substr(std::string("Connection Id is ").size());
  connection.erase(connection.find("-0x") + 1, 2);  // "0xA-0xB" -> "0xA-B", both forms read alike
  Given("iscsicli RemoveConnection " + session + " " + connection);
  EXPECT_EQ(Run("iscsicli RemoveConnection " + session + " " + connection), kIscsiStatusNotFound);
  EXPECT_EQ(Run("iscsicli RemoveConnection " + session + " nodash"), 87u);
  EXPECT_EQ(Lines().front(), "Invalid connectionid: nodash");
  EXPECT_EQ(Run("iscsicli AddConnection 1-2 * * 10.77.0.2 3260 0 * * * * * * * * * *"), kIscsiStatusNotFound);
}

TEST_F(CommandsTest, ScsiCommandsPrintTheResponseOrTheSense) {
  const std::string session = LoggedIn();
  Given("iscsicli ScsiInquiry " + session + " 0 0 0");
  auto lines = Lines();
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "    ScsiStatus             : 0x0");
  EXPECT_EQ(lines[1], "    Response Buffer Size   : 0x24");
  EXPECT_EQ(lines[2], "    0000  00 00 05 02 1f 00 00 00 4b 4f 52 56 41 20 20 20  ........KORVA   ");

  Given("iscsicli ReadCapacity " + session + " 0x0001000000000000");
  lines = Lines();
  EXPECT_EQ(lines[0], "    ScsiStatus             : 0x2");
  EXPECT_EQ(lines[1], "    Sense Buffer Size      : 0x12");

  Given("iscsicli ReportLUNs " + session);
  EXPECT_EQ(Lines()[1], "    Response Buffer Size   : 0x10");
  EXPECT_EQ(Run("iscsicli ScsiInquiry " + session + " 0 256 0"), 87u);
  EXPECT_EQ(Run("iscsicli ReportLUNs zz"), 87u);
}

TEST_F(CommandsTest, IsnsServers) {
  Given("iscsicli ListiSNSServers");
  EXPECT_EQ(Lines().front(), "No SNS Servers");
  Given("iscsicli AddiSNSServer isns.example");
  Given("iscsicli AddiSNSServer 10.0.0.9");
  Given("iscsicli ListiSNSServers");
  EXPECT_EQ(Lines(),
            (std::vector<std::string>{"    isns.example", "    10.0.0.9", "The operation completed successfully."}));
  Given("iscsicli RefreshiSNSServer *");
  EXPECT_EQ(Run("iscsicli RefreshiSNSServer other"), kIscsiStatusNotFound);
  Given("iscsicli RemoveiSNSServer 10.0.0.9");
  EXPECT_EQ(fake.isnsServers(), std::vector<std::string>{"isns.example"});
}

TEST_F(CommandsTest, InitiatorSecrets) {
  Given("iscsicli CHAPSecret 0x00ff10");
  EXPECT_EQ(fake.chapSecret(), (std::vector<std::uint8_t>{0x00, 0xff, 0x10}));
  EXPECT_EQ(Run("iscsicli CHAPSecret 0x00f"), 87u) << "odd number of digits";
  EXPECT_EQ(fake.chapSecret().size(), 3u) << "a refused secret changes nothing";
  Given("iscsicli CHAPSecret plaintext");
  EXPECT_EQ(fake.chapSecret().size(), 9u);
  Given("iscsicli CHAPSecret *");
  EXPECT_TRUE(fake.chapSecret().empty());

  Given("iscsicli GroupKey grp t");
  EXPECT_EQ(fake.groupKey(), (std::vector<std::uint8_t>{'g', 'r', 'p', 0})) << "counted with its terminator";
  EXPECT_TRUE(fake.groupKeyPersisted());
  Given("iscsicli GroupKey * F");
  EXPECT_TRUE(fake.groupKey().empty());
  EXPECT_FALSE(fake.groupKeyPersisted());
}

TEST_F(CommandsTest, PreSharedKeysByIdType) {
  Given("iscsicli PSKey * * 0x3 1 10.77.0.2 key T");
  Given("iscsicli GetPSKey * * 1 10.77.0.2");
  EXPECT_TRUE(Printed("    Id Type              : 1"));
  EXPECT_TRUE(Printed("        0000  0a 4d 00 02                                      .M.."));
  EXPECT_TRUE(Printed("    Key Length           : 3")) << "the key goes without its terminator";
  Given("iscsicli PSKey * 5 0 5 fe80::1 k *");
  Given("iscsicli GetPSKey * 5 5 fe80::1");
  Given("iscsicli PSKey name * 0 2 host.example k T");
  EXPECT_EQ(Run("iscsicli GetPSKey * * 2 host.example"), kIscsiStatusNotFound) << "stored for another initiator";

  EXPECT_EQ(Run("iscsicli PSKey * * 0 4 x k T"), 87u);
  EXPECT_EQ(Lines().front(), "Error, only id types ID_IPV4_ADDR (1), ID_FQDN (2), ID_USER_FQDN supported (3)");
  EXPECT_EQ(Run("iscsicli PSKey * * 0 1 10.77.0.256 k T"), 87u);
  EXPECT_EQ(Run("iscsicli GetPSKey * * 5 10.77.0.2"), 87u) << "an IPv4 text is no IPv6 address";
  EXPECT_EQ(fake.CallCount(Op::SetIScsiIKEInfo), 3);
}

TEST_F(CommandsTest, NodeNameTunnelAndPersistentDevices) {
  Given("iscsicli NodeName iqn.2024-05.example:pc");
  EXPECT_EQ(fake.nodeName(), "iqn.2024-05.example:pc");
  Given("iscsicli NodeName *");
  EXPECT_FALSE(fake.nodeName());

  Given("iscsicli TunnelAddr * * 10.0.0.1 10.0.0.2 F");
  ASSERT_EQ(fake.tunnelSettings().size(), 1u);
  EXPECT_FALSE(fake.tunnelSettings()[0].initiatorName);
  EXPECT_EQ(fake.tunnelSettings()[0].initiatorPortNumber, kIscsiAnyInitiatorPort);
  EXPECT_EQ(fake.tunnelSettings()[0].outerModeAddress, "10.0.0.2");
  EXPECT_FALSE(fake.tunnelSettings()[0].persist);

  Given("iscsicli BindPersistentDevices");
  EXPECT_TRUE(fake.persistentVolumesBound());
  Given("iscsicli AddPersistentDevice E:\\");
  Given("iscsicli AddPersistentDevice \"C:\\mount point\\\\\"");
  Given("iscsicli ReportPersistentDevices");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Persistent Volumes", "    E:\\", "    C:\\mount point\\",
                                               "The operation completed successfully."}));
  Given("iscsicli RemovePersistentDevice E:\\");
  EXPECT_EQ(Run("iscsicli RemovePersistentDevice E:\\"), kIscsiStatusNotFound);
  Given("iscsicli ClearPersistentDevices");
  Given("iscsicli ReportPersistentDevices");
  EXPECT_EQ(Lines()[1], "    <none>");
}

TEST_F(CommandsTest, ListsThatFailReturnTheirStatusAndPrintNoHeading) {
  fake.FailNext(Op::ReportIScsiInitiatorList, 21);
  EXPECT_EQ(Run("iscsicli ListInitiators"), 21u);
  EXPECT_EQ(Lines(), std::vector<std::string>{"The device is not ready."});
  Given("iscsicli ListInitiators");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Initiators List:", "    fake iscsi initiator 0",
                                               "The operation completed successfully."}));
}

}  // namespace
}  // namespace sp
