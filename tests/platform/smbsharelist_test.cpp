// smbclient's machine-readable share listing.
#include <gtest/gtest.h>

#include "platform/linux/smbsharelist.h"

namespace sp {
namespace {

TEST(SmbShareList, OnlyDiskSharesAreNamedAndTheirCaseDoesNotMatter) {
  const auto shares = ParseDiskShares(
      "Server|VBX-207|2-Bay Vaultline\r\n"
      "Disk|volume1|\r\n"
      "IPC|IPC$|IPC Service (Samba)\n"
      "Printer|Volume2|\n"
      "Disk||empty name\n"
      "Disk|Public files|with|bars\n"
      "DiskX|nope|\n"
      "SMB1 disabled -- no workgroup available\n"
      "Disk|last");
  EXPECT_EQ(shares, (std::vector<std::string>{"volume1", "Public files", "last"}));
  EXPECT_TRUE(HasShare(shares, "Volume1"));
  EXPECT_FALSE(HasShare(shares, "Volume2")) << "a printer is no volume";
  EXPECT_FALSE(HasShare(shares, "Volume"));
  EXPECT_TRUE(ParseDiskShares("do_connect: Connection to 10.77.0.3 failed\n").empty());
}

}  // namespace
}  // namespace sp
