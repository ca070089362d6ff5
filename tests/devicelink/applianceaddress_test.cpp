// The typed appliance address, and how the sources remember an appliance
// found at it.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "devicelink/applianceaddress.h"
#include "devicelink/appliancesources.h"

namespace sp {
namespace {

std::uint32_t Net(const char* dotted) {
  in_addr a{};
  inet_pton(AF_INET, dotted, &a);
  return a.s_addr;
}

TEST(ApplianceAddress, ReadsWhatTheFieldGivesAndRejectsTheRest) {
  EXPECT_EQ(ParseApplianceAddress("10.79.0.2").address, Net("10.79.0.2"));
  EXPECT_EQ(ParseApplianceAddress(" 192.168.001.010\t").address, Net("192.168.1.10"));  // decimal, not octal
  EXPECT_FALSE(ParseApplianceAddress("223.255.255.254").error);
  for (const char* bad : {"", "10.79.0", "10.79.0.2.1", "10.79.0.256", "10.79..2", "10.79.0.2x", "1 0.79.0.2",
                          "0010.1.1.1", "-1.2.3.4", "10.79.0.2."}) {
    const TypedAddress t = ParseApplianceAddress(bad);
    EXPECT_EQ(t.error, TypedAddressError::kMalformed) << bad;
    EXPECT_EQ(t.address, 0u) << bad;
  }
  for (const char* notHost : {"0.0.0.0", "0.1.2.3", "127.0.0.1", "224.0.0.1", "255.255.255.255"})
    EXPECT_EQ(ParseApplianceAddress(notHost).error, TypedAddressError::kNotAHost) << notHost;
}

TEST(ApplianceSources, DirectAddressFollowsTheApplianceUntilTheNextDiscovery) {
  ApplianceSources sources;
  sources.Discovered("02:4B:56:00:00:01", Net("10.79.0.2"), true);
  sources.Discovered("02:4b:56:00:00:02", Net("10.77.0.3"));
  EXPECT_EQ(sources.Direct("02:4b:56:00:00:01"), Net("10.79.0.2"));
  EXPECT_FALSE(sources.Direct("02:4b:56:00:00:02"));  // broadcast reaches it
  ASSERT_TRUE(sources.Moved("02:4b:56:00:00:01", "10.79.0.9"));
  EXPECT_EQ(sources.Direct("02:4b:56:00:00:01"), Net("10.79.0.9"));
  EXPECT_EQ(sources.Expected("02:4b:56:00:00:01"), Net("10.79.0.9"));
  sources.Forget();
  EXPECT_FALSE(sources.Direct("02:4b:56:00:00:01"));
}

}  // namespace
}  // namespace sp
