#include "hoststorage/iscsi/targetprobe.h"

#include <gtest/gtest.h>

#include "hoststorage/iscsi/iscsitarget.h"
#include "platform/fake/fakeiscsiinitiator.h"

namespace sp {
namespace {

using Op = FakeIscsiInitiator::Op;

std::size_t PortalCount(FakeIscsiInitiator& fake) {
  std::vector<IscsiSendTargetPortalInfo> portals;
  std::uint32_t capacity = 16;
  fake.ReportIScsiSendTargetPortalsEx(capacity, portals);
  return portals.size();
}

TEST(ApplianceOffersTarget, FindsOnlyThisAppliancesTargetAndKeepsThePortalListAsItWas) {
  FakeIscsiInitiator fake;
  const char* mac = "02:4b:56:00:00:01";
  fake.AddReachablePortal("10.77.0.2", 3260, {{ComposeTargetName(mac), "", {{0}}}});
  EXPECT_TRUE(ApplianceOffersTarget(fake, "10.77.0.2", mac));
  EXPECT_FALSE(ApplianceOffersTarget(fake, "10.77.0.2", "02:4b:56:00:00:02"));
  EXPECT_FALSE(ApplianceOffersTarget(fake, "10.77.0.3", mac)) << "no portal answers there";
  EXPECT_EQ(PortalCount(fake), 0u);

  // A portal the person added stays; a service that refuses gives no.
  IscsiTargetPortal own{"", "10.77.0.2", 3260};
  ASSERT_EQ(fake.AddIScsiSendTargetPortal(nullptr, kIscsiAnyInitiatorPort, nullptr, 0, own), 0u);
  EXPECT_TRUE(ApplianceOffersTarget(fake, "10.77.0.2", mac));
  EXPECT_EQ(PortalCount(fake), 1u);
  fake.FailNext(Op::ReportIScsiTargets, kIscsiStatusServiceNotActive);
  EXPECT_FALSE(ApplianceOffersTarget(fake, "10.77.0.2", mac));
}

}  // namespace
}  // namespace sp
