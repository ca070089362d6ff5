// The answer file's reader: what a good file gives, and that each kind of
// mistake is refused with the line and the field it is on.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "headless/core/answerfile.h"
#include "headless/core/headlessrun.h"
#include "headless/headlessmain.h"

namespace sp {
namespace {

constexpr char kGood[] = R"([appliance]
mac = "02:4B:56:00:00:01"

[admin]
login_password = ""
new_password = "secret12"

[time]
zone = 7
dst = true
dst_region = "eu"
dst_start = { month = 3, week = 5, weekday = "sun", hour = 2 }
dst_end = { month = 10, week = 5, weekday = "sun", hour = 3 }
clock = "pc"

[network]
address = "10.77.0.20"
netmask = "255.255.255.0"
name = "VAULT1"

[disk]
profile = "both"
level = "raid1"
nas_percent = 60
nas_letter = "n"
iscsi_letter = "I:"
)";

// kGood with the first line that starts with `from` replaced by `to`
// (empty `to`: the line dropped; lines keep their numbers).
std::string Edited(const std::string& from, const std::string& to) {
  std::string text = kGood;
  const std::size_t at = text.find("\n" + from) + 1;
  EXPECT_NE(at, 0u) << from;
  text.replace(at, text.find('\n', at) - at, to);
  return text;
}

TEST(AnswerFileTest, GoodFileGivesThePagesChoices) {
  const AnswerReading r = ReadAnswers(kGood);
  ASSERT_TRUE(r.answers) << r.error.Text("a.toml");
  const Answers& a = *r.answers;
  EXPECT_EQ(a.applianceMac, "02:4b:56:00:00:01");
  EXPECT_EQ(a.newPassword, "secret12");
  EXPECT_EQ(a.confirmPassword, "secret12");
  EXPECT_EQ(a.zone.zone, 7);
  EXPECT_TRUE(a.zone.dst);
  EXPECT_EQ(a.zone.region, 1);
  EXPECT_EQ(a.zone.startMonth, 2);  // list indices, as the page's lists give them
  EXPECT_EQ(a.zone.startWeek, 4);
  EXPECT_EQ(a.zone.endHour, 3);
  EXPECT_TRUE(a.clockFromPc);
  EXPECT_EQ(a.service, ServiceType::Both);
  EXPECT_EQ(a.level, DiskLevel::Raid1);
  EXPECT_EQ(a.nasPercent, 60);
  EXPECT_EQ(a.nasLetter, 'N');
  EXPECT_EQ(a.iscsiLetter, 'I');
  const IdentityFields kept{"OLD", "10.77.0.2", "", "255.255.0.0", "10.77.0.1", "GROUP", "desc"};
  const IdentityFields f = IdentityFor(a, kept);
  EXPECT_EQ(f.ip, "10.77.0.20");
  EXPECT_EQ(f.gateway, "0.0.0.0");  // a new address without a gateway has none
  EXPECT_EQ(f.name, "VAULT1");
  EXPECT_EQ(f.workgroup, "GROUP");  // what the file leaves out stays as the appliance has it
}

TEST(AnswerFileTest, DocumentedExampleIsAGoodFile) {
  std::ifstream file(SP_SOURCE_DIR "/docs/answers-example.toml");
  const std::string text((std::istreambuf_iterator<char>(file)), {});
  ASSERT_FALSE(text.empty());
  const AnswerReading r = ReadAnswers(text);
  ASSERT_TRUE(r.answers) << r.error.Text("answers-example.toml");
  EXPECT_EQ(r.answers->gateway, "192.168.1.1");
}

TEST(AnswerFileTest, EachMistakeNamesItsLineAndField) {
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {Edited("profile", "profile = \"all\""), "a.toml:22: disk.profile: expected one of nas, iscsi, both"},
      {Edited("profile", "profile = 3"), "a.toml:22: disk.profile: expected a string"},
      {Edited("profile", ""), "a.toml:21: disk.profile: missing"},
      {Edited("name", "nmae = \"X\""), "a.toml:19: network.nmae: unknown key"},
      {Edited("zone", "zone = 25"), "a.toml:9: time.zone: expected a number from 0 to 24"},
      {Edited("new_password", "new_password = \"12345678\""),
       "a.toml:6: admin.new_password: Password must contain at least 2 letters!"},
      {Edited("new_password", "new_password = \"abc\""),
       "a.toml:6: admin.new_password: Password must be at least 6 characters!"},
      {Edited("new_password", "new_password = \"\""),
       "a.toml:6: admin.new_password: a blank password needs admin.leave_blank = true"},
      {Edited("netmask", "netmask = \"255.0.255.0\""),
       "a.toml:18: network.netmask: The netmask is not valid. Its ones must come first, as in 255.255.255.0."},
      {Edited("address", "address = \"10.77.0.255\""),
       "a.toml:17: network.address: The IP address is the network or broadcast address of its subnet."},
      {Edited("iscsi_letter", "iscsi_letter = \"N\""),
       "a.toml:26: disk.iscsi_letter: The NAS and the iSCSI volume cannot use the same drive letter."},
      {Edited("iscsi_letter", "iscsi_letter = \"B\""), "a.toml:26: disk.iscsi_letter: expected a drive letter from C"},
      {Edited("clock", "clock = \"server\""), "a.toml:8: time.server: missing"},
      {Edited("dst_end", ""), "a.toml:8: time.dst_end: missing (daylight saving is on)"},
      {Edited("dst_start", "dst_start = { month = 3, week = 6, weekday = \"sun\", hour = 2 }"),
       "a.toml:12: time.dst_start.week: expected a number from 1 to 5"},
      {Edited("mac", "name = \"VAULT\""), ""},           // by name is as good
      {Edited("[network]", "[network"), "a.toml:16: "},  // a syntax error has its line too
      {std::string(kGood) + "[extra]\n", "a.toml:27: extra: unknown table or key"},
  };
  for (const auto& c : cases) {
    const AnswerReading r = ReadAnswers(c.text);
    if (c.expected.empty()) {
      EXPECT_TRUE(r.answers) << r.error.Text("a.toml");
      continue;
    }
    ASSERT_FALSE(r.answers) << c.expected;
    EXPECT_EQ(r.error.Text("a.toml").rfind(c.expected, 0), 0u) << r.error.Text("a.toml");
  }
}

TEST(AnswerFileTest, ThisComputersAddressAndBusyLettersAreRefusedByField) {
  const Answers a = *ReadAnswers(kGood).answers;
  in_addr own{};
  inet_pton(AF_INET, "10.77.0.20", &own);
  const auto problem = CheckIdentity(a, IdentityFor(a, {}), {LocalAddress{"10.77.0.20", own.s_addr}});
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->Text("a.toml").rfind("a.toml:17: network.address: The IP address belongs to this PC", 0), 0u);
  EXPECT_FALSE(CheckLettersFree(a, {"I:\\", "N:\\"}));
  EXPECT_EQ(CheckLettersFree(a, {"I:\\"})->Text("a.toml"),
            "a.toml:25: disk.nas_letter: drive N: is in use on this computer");
}

TEST(AnswerFileTest, PasswordFileOthersCanReadOrThatIsNotOursIsRefused) {
  char folder[] = "/tmp/answers-test-XXXXXX";
  ASSERT_TRUE(mkdtemp(folder));
  const std::string path = std::string(folder) + "/a.toml";
  std::ofstream(path) << kGood;
  std::string text, why;
  for (mode_t mode : {0640, 0604, 0660}) {
    chmod(path.c_str(), mode);
    EXPECT_EQ(ReadPrivateFile(path, text, why), kExitFileNotPrivate) << std::oct << mode;
    EXPECT_NE(why.find("chmod 600"), std::string::npos);
  }
  chmod(path.c_str(), 0600);
  EXPECT_EQ(ReadPrivateFile(path, text, why), kExitDone);
  EXPECT_EQ(text, kGood);
  EXPECT_TRUE(AnswerFilePrivacyProblem(0100600, 1000, 1001));  // someone else's file
  const std::string link = std::string(folder) + "/link.toml";
  ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
  EXPECT_EQ(ReadPrivateFile(link, text, why), kExitUsage);  // not followed
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace sp
