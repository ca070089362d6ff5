// DeviceLink's decisions that need no network: which addresses it tries and
// what it does when it cannot use any.
#include "devicelink/devicelink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "devicelink/devicerowmodel.h"
#include "platform/fake/fakelocaladdresses.h"

namespace sp {
namespace {

using Clock = std::chrono::steady_clock;

TEST(AdapterCheckTest, AddressesStartingWith127001AreNeverTried) {
  FakeLocalAddresses addresses({FakeLocalAddresses::Make("127.0.0.1", "lo", 1)});
  DeviceLink link(addresses);
  EXPECT_FALSE(link.HasUsableAdapter());
  // The rule is on the text: 127.0.0.12 begins with the same nine characters.
  addresses.Set({FakeLocalAddresses::Make("127.0.0.12", "lo", 1)});
  EXPECT_FALSE(link.HasUsableAdapter());
  // Any other address is tried, loopback or not: port 7778 can be held on lo.
  addresses.Add(FakeLocalAddresses::Make("127.0.0.2", "lo", 1));
  EXPECT_TRUE(link.HasUsableAdapter());
}

TEST(AdapterCheckTest, FalseWhenTheListFailsOrNoAddressCanBind) {
  FakeLocalAddresses addresses({FakeLocalAddresses::Make("10.1.2.3", "lo", 1)});
  DeviceLink link(addresses);
  addresses.SetUnavailable(true);
  EXPECT_FALSE(link.HasUsableAdapter());
  addresses.SetUnavailable(false);
  addresses.Set({FakeLocalAddresses::Make("10.1.2.3", "no-such-if0", 99)});
  EXPECT_FALSE(link.HasUsableAdapter());
}

TEST(ExchangeTest, NoAddressListMeansNoReplyAtOnceAndTheAreaUntouched) {
  FakeLocalAddresses addresses;
  addresses.SetUnavailable(true);
  int pumped = 0;
  DeviceLink link(addresses, [&] { ++pumped; });
  std::uint8_t area[kReplyAreaSize];
  std::memset(area, 0x77, sizeof area);
  EXPECT_EQ(link.SendDeviceCommand("ff:ff:ff:ff:ff:ff", kCmdQueryIdentity, nullptr, 0, area), 0);
  EXPECT_EQ(addresses.listCalls(), 1);
  for (auto b : area) ASSERT_EQ(b, 0x77);

  addresses.SetUnavailable(false);  // readable but empty
  EXPECT_EQ(link.SendDeviceCommand("ff:ff:ff:ff:ff:ff", kCmdQueryIdentity, nullptr, 0, area), 0);
  DeviceRowModel rows;
  link.DiscoverDevices(rows);
  EXPECT_EQ(rows.RowCount(), 0);
  EXPECT_EQ(pumped, 0) << "nothing to wait for";
}

TEST(ExchangeTest, AnAddressWhoseSocketCannotBeBoundIsSkippedWithoutWaiting) {
  FakeLocalAddresses addresses({FakeLocalAddresses::Make("10.1.2.3", "no-such-if0", 99),
                                FakeLocalAddresses::Make("10.1.2.4", "no-such-if1", 98)});
  DeviceLink link(addresses);
  std::uint8_t area[kReplyAreaSize] = {};
  const auto start = Clock::now();
  EXPECT_EQ(link.SendDeviceCommand("ff:ff:ff:ff:ff:ff", kCmdLoginCheck, nullptr, 0, area), 0);
  DeviceRowModel rows;
  link.DiscoverDevices(rows);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(kExchangePollMs));
}

}  // namespace
}  // namespace sp
