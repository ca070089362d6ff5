// The listings, line by line, and the tables they fill.
#include "tests/hoststorage/iscsicli/interpreter_fixture.h"

#include "base/text.h"
#include "hoststorage/iscsicli/reportblocks.h"

namespace sp {
namespace {

using Op = FakeIscsiInitiator::Op;
using Lines_ = std::vector<std::string>;

class ReportsTest : public InterpreterTest {
 protected:
  void LogIn() {
    Given("iscsicli AddTargetPortal 10.77.0.2 3260");
    Given(kWizardLogin);
  }
};

TEST_F(ReportsTest, SessionListPrintsEachSessionAndFillsTheTable) {
  LogIn();
  volumes.AddVolume({"vol-e", {"E:\\"}, {2}});
  volumes.AddVolume({"vol-other", {"F:\\"}, {9}});
  Given("iscsicli SessionList");
  const Lines_ expected = {
      "Total of 1 sessions",
      "",
      "Session Id             : ffffe0000b4c5010-4000013700000001",
      "Initiator Node Name    : iqn.2024-01.org.setup-pilot:fake-initiator",
      "Target Node Name       : iqn.2008-01.com.korva:storage.aabbcc.1.sys",
      "Target Name            : iqn.2008-01.com.korva:storage.aabbcc.1.sys",
      "ISID                   : 40 00 01 37 00 01",
      "TSID                   : 00 01",
      "Number Connections     : 1",
      "",
      "    Connections:",
      "",
      "        Connection Id     : ffffe0000b4c5010-4000013700000002",
      "        Initiator Portal  : 10.77.0.1/49152",
      "        Target Portal     : 10.77.0.2/3260",
      "        CID               : 00 02",
      "",
      "    Devices:",
      "        Device Type            : Disk",
      "        Device Number          : 2",
      "        Storage Device Type    : 7",
      "        Partition Number       : 0",
      "        Volume Path Names      :",
      "                                 E:\\",
      "",
      "The operation completed successfully.",
  };
  EXPECT_EQ(Lines(), expected);

  ASSERT_EQ(interpreter.sessionTable().size(), 1u);
  const IscsiSessionRecord& r = interpreter.sessionTable()[0];
  EXPECT_EQ(FieldText(r.sessionId), "ffffe0000b4c5010-4000013700000001") << "all 33 characters are kept";
  EXPECT_EQ(FieldText(r.targetName), kApplianceTarget);
  EXPECT_EQ(FieldText(r.targetPortalAddress), "10.77.0.2");
  EXPECT_EQ(FieldText(r.volumePath), "E:\\");
}

TEST_F(ReportsTest, SessionTableKeepsOneRecordPerSessionAndTheLastConnectionAndVolume) {
  fake.AddReachablePortal("10.77.0.3", 3260, {{kApplianceTarget, "", {{0}}}});
  LogIn();
  Given("iscsicli QAddConnection " + interpreter.lastSessionId() + " * 10.77.0.3");
  volumes.AddVolume({"vol-e", {"E:\\", "C:\\mnt\\vbx207\\"}, {2}});
  Given("iscsicli QLoginTarget " + std::string(kApplianceTarget));  // a second session, disk 3, no volume

  EXPECT_EQ(interpreter.ReportSessions(), 0u);
  ASSERT_EQ(interpreter.sessionTable().size(), 2u);
  const IscsiSessionRecord& first = interpreter.sessionTable()[0];
  EXPECT_EQ(FieldText(first.targetPortalAddress), "10.77.0.3") << "the last connection's address stays";
  EXPECT_EQ(FieldText(first.volumePath), "C:\\mnt\\vbx2") << "the last path name stays, cut to the field";
  EXPECT_EQ(FieldText(interpreter.sessionTable()[1].volumePath), "");
  EXPECT_EQ(volumes.callCount(), 1) << "volumes are read once per listing";

  Given("iscsicli LogoutTarget " + interpreter.lastSessionId());
  EXPECT_EQ(interpreter.ReportSessions(), 0u);
  EXPECT_EQ(interpreter.sessionTable().size(), 1u) << "a new listing replaces the old records";
}

TEST_F(ReportsTest, SessionListFailuresReturnTheStatusAndLeaveTheTableEmpty) {
  LogIn();
  ASSERT_EQ(interpreter.ReportSessions(), 0u);
  fake.FailNext(Op::GetIScsiSessionList, 1460);
  EXPECT_EQ(Run("iscsicli SessionList"), 1460u);
  EXPECT_EQ(Lines(), Lines_{"The operation timed out."});
  EXPECT_TRUE(interpreter.sessionTable().empty());

  fake.FailNext(Op::GetDevicesForIScsiSession, 5);
  volumes.FailNext(5);
  EXPECT_EQ(Run("iscsicli SessionList"), 0u) << "a device failure does not fail the listing";
  EXPECT_TRUE(Printed("    Devices Failed         : Access to the device or setting was refused."));
  ASSERT_EQ(interpreter.sessionTable().size(), 1u);
}

TEST_F(ReportsTest, NoSessions) {
  Given("iscsicli SessionList");
  EXPECT_EQ(Lines(), (Lines_{"Total of 0 sessions", "", "The operation completed successfully."}));
  EXPECT_TRUE(interpreter.sessionTable().empty());
}

TEST_F(ReportsTest, ListPersistentTargetsPrintsEveryEntryAndFillsTheTable) {
  Given("iscsicli AddTargetPortal 10.77.0.2 3260");
  Given("iscsicli PersistentLoginTarget " + std::string(kApplianceTarget) +
        " F * * * 7 0x1 * 1 * * * * admin pw 1 * 1 0x0000000000000000 0 0 4");
  const Lines_ expected = {
      "Total of 1 peristent targets",
      "    Target Name           : iqn.2008-01.com.korva:storage.aabbcc.1.sys",
      "    Address and Socket    : 10.77.0.2 3260",
      "    Session Type          : Informational",
      "    Initiator Name        : fake iscsi initiator 0",
      "    Port Number           : 7",
      "    Security Flags        : 0x1",
      "        Security Flags are Valid",
      "    Version              : 0",
      "    Information Specified: 0xe1",
      "    Header Digest        : CRC-32C",
      "    Authentication Type  : CHAP",
      "    Username             :",
      "        0000  61 64 6d 69 6e                                   admin",
      "    Password             : <is established>",
      "    Session Id             : 0-0",
      "    Target Name            : iqn.2008-01.com.korva:storage.aabbcc.1.sys",
      "    Initiator              : ",
      "    Initiator Scsi Device  : ",
      "    Initiator Bus          : 0",
      "    Initiator Target Id    : 0",
      "        Target LUN: 0x0 <--> OS Lun: 0x4",
      "",
      "The operation completed successfully.",
  };
  Given("iscsicli ListPersistentTargets");
  EXPECT_EQ(Lines(), expected);
  ASSERT_EQ(interpreter.persistentLoginTable().size(), 1u);
  const IscsiPersistentLoginRecord& r = interpreter.persistentLoginTable()[0];
  EXPECT_EQ(FieldText(r.targetName), kApplianceTarget);
  EXPECT_EQ(FieldText(r.targetPortalAddress), "10.77.0.2");
  EXPECT_EQ(r.targetPortalSocket, 3260);
  EXPECT_EQ(FieldText(r.initiatorInstance), "fake iscsi initiator 0");

  fake.FailNext(Op::ReportIScsiPersistentLogins, 1460);
  EXPECT_EQ(interpreter.ReportPersistentLogins(), 1460u);
  EXPECT_TRUE(interpreter.persistentLoginTable().empty());
}

TEST_F(ReportsTest, ListTargetPortalsAndMappings) {
  Given("iscsicli AddTargetPortal 10.77.0.2 3260 * * 0x60 3 * * * * * * * 2");
  Given("iscsicli ListTargetPortals");
  EXPECT_EQ(
      Lines(),
      (Lines_{"Total of 1 portals are persisted:", "", "    Address and Socket   : 10.77.0.2 3260",
              "    Symbolic Name        : ", "    Initiator Name       : ", "    Port Number          : <Any Port>",
              "    Security Flags        : 0x60", "        Tunnel Mode Preferred", "        Transport Mode Preferred",
              "    Version              : 0", "    Information Specified: 0x80", "    Login Flags          : 0x3",
              "        Require IPsec", "        Multipath Enabled", "    Authentication Type  : Mutual CHAP", "",
              "The operation completed successfully."}));

  Given("iscsicli ReportTargetMappings");
  EXPECT_EQ(Lines(), (Lines_{"No mappings", "The operation completed successfully."}));
  Given(kWizardLogin);
  Given("iscsicli ReportTargetMappings");
  EXPECT_EQ(
      Lines(),
      (Lines_{"Total of 1 mappings returned", "    Session Id             : ffffe0000b4c5010-4000013700000001",
              "    Target Name            : iqn.2008-01.com.korva:storage.aabbcc.1.sys",
              "    Initiator              : fake iscsi initiator 0", "    Initiator Scsi Device  : fake-scsi-host0",
              "    Initiator Bus          : 0", "    Initiator Target Id    : 0",
              "        Target LUN: 0x0 <--> OS Lun: 0x0", "", "The operation completed successfully."}));
}

TEST_F(ReportsTest, LogoutByTargetMappingNeedsTheWholeName) {
  const std::string sibling = std::string(kApplianceTarget) + "x";  // same 42-character prefix
  fake.AddReachablePortal("10.77.0.2", 3260, {{kApplianceTarget, "", {{0}}}, {sibling, "", {{0}}}});
  Given("iscsicli AddTargetPortal 10.77.0.2 3260");
  Given("iscsicli QLoginTarget " + sibling);
  EXPECT_EQ(interpreter.LogoutByTargetMapping(kApplianceTarget), kIscsiStatusNotFound);
  EXPECT_EQ(fake.SessionIds().size(), 1u) << "another appliance's session stays";
  Given(kWizardLogin);
  EXPECT_EQ(interpreter.LogoutByTargetMapping(kApplianceTarget), 0u);
  EXPECT_EQ(fake.SessionIds().size(), 1u);
  EXPECT_EQ(interpreter.LogoutByTargetMapping(kApplianceTarget), kIscsiStatusNotFound);

  fake.FailNext(Op::ReportActiveIScsiTargetMappings, 21);
  EXPECT_EQ(interpreter.LogoutByTargetMapping(sibling), 21u);
  EXPECT_EQ(fake.SessionIds().size(), 1u);
}

TEST_F(ReportsTest, SizeQueryThatSucceedsMeansAnEmptyList) {
  // A size query that succeeds has nothing to report.
  fake.FailNext(Op::ReportActiveIScsiTargetMappings, 0);
  Given("iscsicli ReportTargetMappings");
  EXPECT_EQ(Lines().front(), "No mappings");
  EXPECT_EQ(fake.CallCount(Op::ReportActiveIScsiTargetMappings), 1);
}

}  // namespace
}  // namespace sp
