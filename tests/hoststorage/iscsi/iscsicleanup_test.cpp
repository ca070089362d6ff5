// The appliance's target name, the table lookups and the iSCSI clean-up.
#include "hoststorage/iscsi/iscsicleanup.h"

#include "base/text.h"
#include "hoststorage/iscsi/iscsitarget.h"
#include "hoststorage/iscsicli/arguments.h"
#include "tests/hoststorage/iscsicli/interpreter_fixture.h"

namespace sp {
namespace {

using Op = FakeIscsiInitiator::Op;

TEST(IscsiTargetName, TakesTheLastThreeOctetsInTheirLetterCase) {
  EXPECT_EQ(ComposeTargetName("00:11:22:aa:bb:cc"), "iqn.2008-01.com.korva:storage.aabbcc.1.sys");
  EXPECT_EQ(ComposeTargetName("00:11:22:AA:bB:Cc"), "iqn.2008-01.com.korva:storage.AAbBCc.1.sys");
  EXPECT_EQ(ComposeTargetName("00:11:22:aa:b"), "iqn.2008-01.com.korva:storage.aab.1.sys")
      << "a short MAC text gives only the characters it has";
  EXPECT_EQ(ComposeTargetName(""), "iqn.2008-01.com.korva:storage..1.sys");
  EXPECT_LE(ComposeTargetName("ff:ff:ff:ff:ff:ff").size(), kTargetNameFieldWidth - 1);
}

class CleanupTest : public InterpreterTest {
 protected:
  CleanupTest() {
    state.Clear();
    CopyBounded(state.targetMac, "00:11:22:aa:bb:cc");
    CopyBounded(state.deviceIpAddress, "10.77.0.2");
  }
  void Attach(const std::string& target = kApplianceTarget) {
    Given("iscsicli AddTargetPortal 10.77.0.2 3260");
    Given("iscsicli LoginTarget " + target + " T * * * * * * * * * * * * * * * 0");
  }
  int Logouts() const { return fake.CallCount(Op::LogoutIScsiTarget); }
  int Removals() const { return fake.CallCount(Op::RemoveIScsiPersistentTarget); }

  WizardState state;
};

TEST_F(CleanupTest, WithoutASessionOnlyTheLogoutByMappingRuns) {
  RunIscsiCleanup(interpreter, state);
  EXPECT_EQ(interpreter.lastCommandLine(), u"") << "no command line was run";
  EXPECT_EQ(fake.CallCount(Op::ReportActiveIScsiTargetMappings), 1);
  EXPECT_EQ(Logouts(), 0);
  EXPECT_EQ(Removals(), 0);
}

TEST_F(CleanupTest, SessionAndPersistentLoginGiveThreeLogoutsAndOneRemoval) {
  Attach();
  ASSERT_EQ(PersistentLogins().size(), 1u);
  const std::string session = interpreter.lastSessionId();
  ASSERT_EQ(session.size(), 33u) << "the fake's ids use every digit, as real ones do";

  RunIscsiCleanup(interpreter, state);
  // The first logout by id ends the session; the other two and the mapping
  // search find nothing more to end.
  EXPECT_EQ(Logouts(), 3);
  EXPECT_EQ(Removals(), 1);
  EXPECT_TRUE(fake.SessionIds().empty());
  EXPECT_TRUE(PersistentLogins().empty()) << "the instance name has blanks and still arrived whole";
  EXPECT_EQ(interpreter.lastCommandLine(),
            u"iscsicli RemovePersistentTarget \"fake iscsi initiator 0\" "
            u"iqn.2008-01.com.korva:storage.aabbcc.1.sys * 10.77.0.2 3260");
}

TEST_F(CleanupTest, PersistentLoginWithoutASessionIsLeftInPlace) {
  Attach();
  Given("iscsicli LogoutTarget " + interpreter.lastSessionId());
  RunIscsiCleanup(interpreter, state);
  EXPECT_EQ(Removals(), 0);
  EXPECT_EQ(PersistentLogins().size(), 1u);
}

TEST_F(CleanupTest, FailedSessionListingStillEndsTheSessionByItsMapping) {
  Attach();
  fake.FailNext(Op::GetIScsiSessionList, 1460);
  RunIscsiCleanup(interpreter, state);
  EXPECT_TRUE(fake.SessionIds().empty());
  EXPECT_EQ(Logouts(), 1);
  EXPECT_EQ(PersistentLogins().size(), 1u) << "without a listed session nothing is removed";
}

TEST_F(CleanupTest, UpperCaseMacTouchesOnlyTheTargetSpelledThatWay) {
  const std::string upper = "iqn.2008-01.com.korva:storage.AABBCC.1.sys";
  fake.AddReachablePortal("10.77.0.2", 3260, {{kApplianceTarget, "", {{0}}}, {upper, "", {{0}}}});
  Attach();
  Attach(upper);
  ASSERT_EQ(fake.SessionIds().size(), 2u);
  CopyBounded(state.targetMac, "00:11:22:AA:BB:CC");

  RunIscsiCleanup(interpreter, state);
  const auto left = fake.SessionIds();
  ASSERT_EQ(left.size(), 1u);
  interpreter.ReportSessions();
  EXPECT_TRUE(FindIscsiSession(interpreter, kApplianceTarget).found);
  EXPECT_FALSE(FindIscsiSession(interpreter, upper).found);
  const auto logins = PersistentLogins();
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(logins[0].targetName, kApplianceTarget);
}

TEST_F(CleanupTest, SecondCleanupFindsNothingToDo) {
  Attach();
  RunIscsiCleanup(interpreter, state);
  const int logouts = Logouts();
  RunIscsiCleanup(interpreter, state);
  EXPECT_EQ(Logouts(), logouts);
  EXPECT_EQ(Removals(), 1);
}

TEST_F(CleanupTest, LookupsCompareWholeNamesCutToTheirFieldWidths) {
  const std::string longName = "iqn.2008-01.com.korva:" + std::string(200, 'n');
  fake.AddReachablePortal("10.77.0.2", 3260, {{kApplianceTarget, "", {{0}}}, {longName, "", {{0}}}});
  volumes.AddVolume({"vol-e", {"E:\\"}, {2}});
  Attach();
  Attach(longName);
  interpreter.ReportSessions();
  interpreter.ReportPersistentLogins();

  const IscsiSessionLookup session = FindIscsiSession(interpreter, kApplianceTarget);
  EXPECT_TRUE(session.found);
  EXPECT_EQ(session.sessionId, SessionIdText(fake.SessionIds()[0]));
  EXPECT_EQ(FindIscsiVolume(interpreter, kApplianceTarget).volumePath, "E:\\");
  EXPECT_TRUE(FindIscsiSession(interpreter, longName).found) << "both sides cut to 127 characters";
  EXPECT_TRUE(FindIscsiPersistentLogin(interpreter, longName));

  EXPECT_FALSE(FindIscsiSession(interpreter, "IQN.2008-01.com.korva:storage.aabbcc.1.sys").found);
  EXPECT_FALSE(FindIscsiSession(interpreter, "iqn.2008-01.com.korva:storage.aabbcc.1").found) << "no prefixes";
  EXPECT_FALSE(FindIscsiSession(interpreter, "").found);
  const IscsiVolumeLookup none = FindIscsiVolume(interpreter, "other");
  EXPECT_FALSE(none.found);
  EXPECT_EQ(none.volumePath, "");
  EXPECT_FALSE(FindIscsiPersistentLogin(interpreter, "other"));
}

}  // namespace
}  // namespace sp
