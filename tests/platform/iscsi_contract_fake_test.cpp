// The initiator contract against the fake, plus what only the fake offers:
// injected failures and the SCSI answers it builds.
#include "tests/platform/iscsi_contract.h"

#include "platform/fake/fakeiscsiinitiator.h"
#include "platform/fake/fakevolumeenumerator.h"

namespace sp {
namespace {

constexpr char kTarget[] = "iqn.2008-01.com.korva:storage.aabbcc.1.sys";

class FakeBackend : public IscsiContractBackend {
 public:
  FakeBackend() { fake_.AddReachablePortal(env_.portalAddress, env_.portalSocket, {{kTarget, "", {{0}}}}); }
  IIscsiInitiator& initiator() override { return fake_; }
  const IscsiTargetEnvironment& environment() const override { return env_; }

 private:
  IscsiTargetEnvironment env_{"10.77.0.2", 3260, kTarget};
  FakeIscsiInitiator fake_;
};

INSTANTIATE_TEST_SUITE_P(Fake, IscsiInitiatorContract,
                         ::testing::Values(IscsiContractParam{
                             "Fake", [] { return std::unique_ptr<IscsiContractBackend>(new FakeBackend); }}),
                         IscsiContractParamName);

using Op = FakeIscsiInitiator::Op;

TEST(FakeIscsiInitiator, InjectedFailureHitsOnlyTheNextCallOfThatOperation) {
  FakeIscsiInitiator fake;
  fake.AddReachablePortal("10.77.0.2", 3260, {{kTarget, "", {{0}}}});
  fake.FailNext(Op::AddIScsiSendTargetPortal, 1460);
  const IscsiTargetPortal portal{"", "10.77.0.2", 3260};
  EXPECT_EQ(fake.AddIScsiSendTargetPortal(nullptr, kIscsiAnyInitiatorPort, nullptr, 0, portal), 1460u);
  std::uint32_t capacity = 0;
  std::vector<std::string> targets;
  EXPECT_EQ(fake.ReportIScsiTargets(false, capacity, targets), kIscsiStatusSuccess) << "nothing was added";
  EXPECT_EQ(fake.AddIScsiSendTargetPortal(nullptr, kIscsiAnyInitiatorPort, nullptr, 0, portal), 0u);
  EXPECT_EQ(fake.CallCount(Op::AddIScsiSendTargetPortal), 2);
}

TEST(FakeIscsiInitiator, UnreachablePortalIsNotAdded) {
  FakeIscsiInitiator fake;
  const IscsiTargetPortal portal{"", "10.77.0.9", 3260};
  EXPECT_EQ(fake.AddIScsiSendTargetPortal(nullptr, kIscsiAnyInitiatorPort, nullptr, 0, portal),
            kIscsiStatusUnreachable);
  std::uint32_t capacity = 0;
  std::vector<IscsiSendTargetPortalInfo> portals;
  EXPECT_EQ(fake.ReportIScsiSendTargetPortalsEx(capacity, portals), kIscsiStatusSuccess);
  EXPECT_EQ(capacity, 0u);
}

TEST(FakeIscsiInitiator, PersistentLoginNamesTheInstanceAndPortalItChose) {
  FakeIscsiInitiator fake;
  fake.AddReachablePortal("10.77.0.2", 3260, {{kTarget, "", {{0}}}});
  ASSERT_EQ(fake.AddIScsiSendTargetPortal(nullptr, kIscsiAnyInitiatorPort, nullptr, 0, {"", "10.77.0.2", 3260}), 0u);
  IscsiLoginRequest request;
  request.targetName = kTarget;
  request.isPersistent = true;
  IscsiUniqueSessionId s;
  IscsiUniqueConnectionId c;
  ASSERT_EQ(fake.LoginIScsiTarget(request, s, c), 0u);
  ASSERT_EQ(fake.LoginIScsiTarget(request, s, c), 0u);  // the same login again replaces it
  std::uint32_t capacity = 4;
  std::vector<IscsiPersistentLogin> logins;
  ASSERT_EQ(fake.ReportIScsiPersistentLogins(capacity, logins), 0u);
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(logins[0].initiatorInstance, "fake iscsi initiator 0");
  EXPECT_EQ(logins[0].targetPortal.address, "10.77.0.2");
  EXPECT_EQ(logins[0].targetPortal.socket, 3260);
}

TEST(FakeIscsiInitiator, ScsiCommandsAnswerLikeADisk) {
  FakeIscsiInitiator fake;
  FakeIscsiInitiator::Lun lun;
  lun.blockCount = 0x10000;
  fake.AddReachablePortal("10.77.0.2", 3260, {{kTarget, "", {lun}}});
  IscsiLoginRequest request;
  request.targetName = kTarget;
  request.targetPortal = IscsiTargetPortal{"", "10.77.0.2", 3260};
  IscsiUniqueSessionId s;
  IscsiUniqueConnectionId c;
  ASSERT_EQ(fake.LoginIScsiTarget(request, s, c), 0u);

  IscsiScsiResult r;
  ASSERT_EQ(fake.SendScsiInquiry(s, 0, 0, 0, 36, r), 0u);
  ASSERT_EQ(r.response.size(), 36u);
  EXPECT_EQ(std::string(r.response.begin() + 8, r.response.begin() + 16), "KORVA   ");
  ASSERT_EQ(fake.SendScsiInquiry(s, 0, 0, 0, 5, r), 0u);
  EXPECT_EQ(r.response.size(), 5u) << "the allocation length bounds the answer";

  ASSERT_EQ(fake.SendScsiReadCapacity(s, 0, 8, r), 0u);
  EXPECT_EQ(r.response, (std::vector<std::uint8_t>{0, 0, 0xFF, 0xFF, 0, 0, 2, 0}));

  ASSERT_EQ(fake.SendScsiReadCapacity(s, FakeIscsiTargetLun(3), 8, r), 0u);
  EXPECT_EQ(r.scsiStatus, 2);
  ASSERT_EQ(r.sense.size(), 18u);
  EXPECT_EQ(r.sense[12], 0x25) << "unknown LUN reported in the sense data";
}

TEST(FakeIscsiInitiator, TargetLunEncodingFollowsTheAddressingMethods) {
  EXPECT_EQ(FakeIscsiTargetLun(0), 0u);
  EXPECT_EQ(FakeIscsiTargetLun(1), 0x0001000000000000u);
  EXPECT_EQ(FakeIscsiTargetLun(0x123), 0x4123000000000000u);
}

TEST(FakeVolumeEnumerator, ListsVolumesAndFailsOnRequest) {
  FakeVolumeEnumerator volumes;
  volumes.AddVolume({"vol1", {"E:\\"}, {2}});
  volumes.AddVolume({"vol1", {"F:\\"}, {3}});
  std::vector<VolumeInfo> out;
  ASSERT_EQ(volumes.EnumeratePresentVolumes(out), 0u);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].pathNames, std::vector<std::string>{"F:\\"});
  volumes.FailNext(5);
  EXPECT_EQ(volumes.EnumeratePresentVolumes(out), 5u);
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace sp
