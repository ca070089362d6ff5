#include "pages/disk/core/setuprecord.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace sp {
namespace {

TEST(SetUpRecord, NotesTheRunAndAsksWithNameMacAndDay) {
  WizardState state{};
  CopyBounded(state.targetMac, "02:4b:56:00:00:01");
  CopyBounded(state.deviceIpAddress, "10.77.0.2");
  const std::u16string name = u"Vault%s";  // a name is never filled in again
  std::copy(name.begin(), name.end(), state.deviceHostName);
  state.nasSizeGb = 279;
  CopyBounded(state.nasLevel, "Raid1");
  state.iscsiSizeGb = 186;
  CopyBounded(state.iscsiLevel, "Raid1");
  const RememberedAppliance r = SetUpRecord(state, "2026-12-09");
  EXPECT_EQ(r.mac, "02:4b:56:00:00:01");
  EXPECT_EQ(r.name, "Vault%s");
  EXPECT_EQ(r.address, "10.77.0.2");
  EXPECT_EQ(r.profile, "NAS 279 GB Raid1, iSCSI 186 GB Raid1");
  EXPECT_EQ(EraseQuestion("The NAS %s was set up on %s.", r),
            "The NAS Vault%s (02:4b:56:00:00:01) was set up on 2026-12-09.");
  EXPECT_EQ(LocalDay().size(), 10u);
}

}  // namespace
}  // namespace sp
