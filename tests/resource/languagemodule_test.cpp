#include "resource/languagemodule.h"
#include "resource/languageselector.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace sp {
namespace {

TEST(BuiltInTexts, HoldTheWizardTextsExactly) {
  EXPECT_EQ(LoadText(nullptr, 100), "Windows sockets initialization failed.");
  EXPECT_EQ(LoadText(nullptr, 101), "Welcome");
  // Leading and trailing blanks belong to the text.
  EXPECT_EQ(LoadText(nullptr, 148), "Please select a available iSCSI drive letter : ");
  EXPECT_EQ(LoadText(nullptr, 166).substr(0, 7), " Check ");
  // Escaped line breaks, doubled ampersands and inner quotes stand as written.
  EXPECT_NE(LoadText(nullptr, 167).find("setup.\n\nPress [Yes]"), std::string::npos);
  EXPECT_EQ(LoadText(nullptr, 210), "(GMT-06:00) Central Time (US &&  Canada)");
  EXPECT_NE(LoadText(nullptr, 156).find("(\"Standard format\" or \"Standardard+JBOD format\")"), std::string::npos);
  EXPECT_EQ(LoadText(nullptr, 1077), "Japanese");
}

TEST(BuiltInTexts, CoverEveryRangeThePagesUse) {
  for (int id = 101; id <= 144; ++id) EXPECT_NE(BuiltInTexts().Find(id), nullptr) << id;
  for (int id = 204; id <= 287; ++id) EXPECT_NE(BuiltInTexts().Find(id), nullptr) << id;
  for (int id = 289; id <= 293; ++id) EXPECT_NE(BuiltInTexts().Find(id), nullptr) << id;
  for (int id = 1069; id <= 1077; ++id) EXPECT_NE(BuiltInTexts().Find(id), nullptr) << id;
  EXPECT_EQ(LoadText(nullptr, 241), "Jan");
  EXPECT_EQ(LoadText(nullptr, 252), "Dec");
  EXPECT_EQ(LoadText(nullptr, 257), "5th");
  EXPECT_EQ(LoadText(nullptr, 264), "Sat");
}

TEST(LanguageModule, ParsesLinesAndSkipsJunk) {
  auto m = LanguageModule::Parse(
      "# comment\n101\tWillkommen\r\n"
      "junk line\n\t102\tno id\n103 no tab\n"
      "104\ta\\nb\\tc\\\\d\\x\n105\t\n101\tlater wins\n99999999\ttoo big\n");
  ASSERT_NE(m->Find(101), nullptr);
  EXPECT_EQ(*m->Find(101), "later wins");
  EXPECT_EQ(m->Find(102), nullptr);
  EXPECT_EQ(m->Find(103), nullptr);
  EXPECT_EQ(*m->Find(104), "a\nb\tc\\d\\x");
  ASSERT_NE(m->Find(105), nullptr);
  EXPECT_EQ(*m->Find(105), "");
  EXPECT_EQ(m->size(), 3u);
}

TEST(LoadText, MissingIdLeavesTheBufferAsItWas) {
  auto m = LanguageModule::Parse("101\tX\n");
  std::string out = "previous";
  EXPECT_FALSE(LoadText(m.get(), 102, out));
  EXPECT_EQ(out, "previous");
  EXPECT_TRUE(LoadText(m.get(), 101, out));
  EXPECT_EQ(out, "X");
}

class LanguageSelectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("sp-lang-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ / "MLSChinese.lang") << "101\t\xE6\xAC\xA2\xE8\xBF\x8E\n";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(LanguageSelectorTest, SelectsCataloguesAndFallsBackToEnglish) {
  LanguageSelector selector(dir_.string());
  EXPECT_EQ(selector.Current(), nullptr);
  selector.SetLanguageModule("MLSChinese");
  ASSERT_NE(selector.Current(), nullptr);
  EXPECT_EQ(LoadText(selector.Current(), 101), "\xE6\xAC\xA2\xE8\xBF\x8E");

  // A module whose file is absent leaves every text English.
  selector.SetLanguageModule("MLTChinese");
  EXPECT_EQ(selector.Current(), nullptr);
  EXPECT_EQ(LoadText(selector.Current(), 101), "Welcome");

  // The name comparison is exact: "mlenglish" is not the built-in module but
  // a file that does not exist, which also ends in English.
  selector.SetLanguageModule("MLSChinese");
  selector.SetLanguageModule("MLEnglish");
  EXPECT_EQ(selector.Current(), nullptr);
}

}  // namespace
}  // namespace sp
