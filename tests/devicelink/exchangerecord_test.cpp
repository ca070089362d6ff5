// What the setup report says about an exchange: passwords never in it.
#include "devicelink/exchangerecord.h"

#include <gtest/gtest.h>

#include <array>

#include "devicelink/datagram.h"
#include "devicelink/ideviceexchange.h"

namespace sp {
namespace {

TEST(ExchangeRecord, PasswordsAreBlankedOnTheWayOutAndBack) {
  std::array<std::uint8_t, kReplyAreaSize> reply{};
  reply[0] = kReplyAccepted;
  reply[5] = 's';
  reply[6] = '3';

  // The login check: the user name's digest stays, the password's goes.
  std::array<std::uint8_t, 32> login{};
  login.fill(0xAB);
  for (std::size_t i = 16; i < 32; ++i) login[i] = 0xCD;
  std::string request = ReportedRequest("00:11:22:aa:bb:cc", kCmdLoginCheck, login.data(), login.size());
  EXPECT_NE(request.find("command 7 to 00:11:22:aa:bb:cc, payload ab"), std::string::npos);
  EXPECT_EQ(request.find("cd"), std::string::npos) << request;
  EXPECT_NE(request.find("[16 bytes blanked]"), std::string::npos);
  EXPECT_EQ(ReportedReply(kCmdLoginCheck, login.data(), login.size(), 40, reply.data()), "reply code 3, 40 bytes");

  // The administrator password item: its header stays, its data goes.
  const char password[] = "hunter22";
  const auto item = BuildItemPayload(kItemAdminPassword, password, 8);
  request = ReportedRequest("m", kCmdSetItem, item.data(), item.size());
  EXPECT_EQ(request, "command 2 to m, payload 0f 00 08 00 [8 bytes blanked]");
  EXPECT_EQ(ReportedReply(kCmdSetItem, item.data(), item.size(), 30, reply.data()), "reply code 3, 30 bytes");

  // Anything else is shown, and so is what came back.
  const std::uint8_t format[2] = {60, 2};
  EXPECT_EQ(ReportedRequest("m", kCmdStartDiskSetup, format, 2), "command 8 to m, payload 3c 02");
  EXPECT_EQ(ReportedReply(kCmdQueryProgress, nullptr, 0, 29, reply.data()), "reply code 3, 29 bytes, data 73 33");
  EXPECT_EQ(ReportedReply(kCmdQueryProgress, nullptr, 0, 0, reply.data()), "no reply");
}

}  // namespace
}  // namespace sp
