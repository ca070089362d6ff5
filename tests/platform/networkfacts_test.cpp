#include "platform/networkfacts.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace sp {
namespace {

TEST(RouteTable, ReadsKernelLinesAndSkipsBrokenOnes) {
  const char* text =
      "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT   \n"
      "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0   \n"
      "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
      "bad\t0000000G\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
      "short\t00000000\n"
      "tun0\t00000080\t00000000\t0001\t0\t0\t0\t00000080\t0\t0\t0";
  std::vector<RouteEntry> routes;
  ASSERT_TRUE(ParseRouteTable(text, routes));
  ASSERT_EQ(routes.size(), 3u);
  EXPECT_EQ(routes[0].interfaceName, "eth0");
  EXPECT_EQ(routes[0].gateway, inet_addr("192.168.1.1"));
  EXPECT_EQ(routes[0].metric, 100u);
  EXPECT_EQ(routes[1].destination, inet_addr("192.168.1.0"));
  EXPECT_EQ(routes[1].mask, inet_addr("255.255.255.0"));
  EXPECT_EQ(routes[2].destination, inet_addr("128.0.0.0"));
  EXPECT_EQ(routes[2].mask, inet_addr("128.0.0.0"));
  EXPECT_FALSE(ParseRouteTable("not a table\n", routes));
  EXPECT_TRUE(routes.empty());
}

TEST(RouteTable, LinkLocalIsOnly169254) {
  EXPECT_TRUE(IsLinkLocal(inet_addr("169.254.0.1")));
  EXPECT_FALSE(IsLinkLocal(inet_addr("169.253.255.255")));
  EXPECT_FALSE(IsLinkLocal(inet_addr("192.168.1.1")));
}

}  // namespace
}  // namespace sp
