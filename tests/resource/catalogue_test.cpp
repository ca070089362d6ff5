// The Chinese language modules against the built-in English table: every
// text is there under the same id, with the same format specifiers, line
// breaks and markup, so no page can show a missing text or format a text
// with the wrong arguments.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "resource/languagemodule.h"

namespace sp {
namespace {

std::string SourceFile(const std::string& name) { return std::string(SP_SOURCE_DIR) + "/resource/" + name; }

// Ids of a catalogue file, in file order.
std::vector<int> IdsOf(const std::string& path) {
  std::ifstream in(path);
  std::vector<int> ids;
  std::string line;
  static const std::regex kLine(R"(^(\d+)\t)");
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_search(line, m, kLine)) ids.push_back(std::stoi(m[1]));
  }
  return ids;
}

std::vector<std::string> AllMatches(const std::string& text, const std::regex& re) {
  std::vector<std::string> out;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it) {
    out.push_back(it->str());
  }
  return out;
}

// printf conversions, including %%.
const std::regex kSpecifier(R"(%[-+ #0]*(\*|\d+)?(\.(\*|\d+))?(hh|h|ll|l|L|z|j|t)?[diouxXeEfgGaAcspn%])");
// Markup tags, compared case-insensitively by lower-casing first.
const std::regex kTag(R"(<[^>]*>)");

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

class ChineseCatalogue : public ::testing::TestWithParam<const char*> {};

TEST_P(ChineseCatalogue, HasEveryEnglishTextWithItsFormatAndMarkup) {
  const std::string path = SourceFile(std::string(GetParam()) + ".lang");
  const auto module = LanguageModule::LoadFile(path);
  ASSERT_NE(module, nullptr) << path;
  const std::vector<int> englishIds = IdsOf(SourceFile("english.lang"));
  ASSERT_GT(englishIds.size(), 150u);

  for (int id : englishIds) {
    std::string english;
    ASSERT_TRUE(LoadText(nullptr, id, english)) << id;
    const std::string* text = module->Find(id);
    ASSERT_NE(text, nullptr) << GetParam() << " lacks text " << id;
    EXPECT_FALSE(text->empty()) << id;
    EXPECT_EQ(AllMatches(*text, kSpecifier), AllMatches(english, kSpecifier)) << id << ": " << *text;
    EXPECT_EQ(AllMatches(Lower(*text), kTag), AllMatches(Lower(english), kTag)) << id << ": " << *text;
    EXPECT_EQ(std::count(text->begin(), text->end(), '\n'), std::count(english.begin(), english.end(), '\n')) << id;
  }
  // Nothing beyond the English ids, and no id twice.
  const std::vector<int> ids = IdsOf(path);
  EXPECT_EQ(std::set<int>(ids.begin(), ids.end()), std::set<int>(englishIds.begin(), englishIds.end()));
  EXPECT_EQ(ids.size(), englishIds.size());
}

INSTANTIATE_TEST_SUITE_P(Modules, ChineseCatalogue, ::testing::Values("MLSChinese", "MLTChinese"));

TEST(ChineseCatalogueCheck, SpecifierPatternSeesFormats) {
  // The comparison above is only worth something if it sees specifiers.
  EXPECT_EQ(AllMatches("NAS:%d%% - iSCSI:%d%%", kSpecifier), (std::vector<std::string>{"%d", "%%", "%d", "%%"}));
  EXPECT_EQ(AllMatches("%s %-10.3lf", kSpecifier), (std::vector<std::string>{"%s", "%-10.3lf"}));
}

TEST(ChineseCatalogueCheck, ModulesDifferFromEnglishWhereTheyShould) {
  const auto s = LanguageModule::LoadFile(SourceFile("MLSChinese.lang"));
  const auto t = LanguageModule::LoadFile(SourceFile("MLTChinese.lang"));
  ASSERT_TRUE(s && t);
  EXPECT_EQ(*s->Find(101), "欢迎");
  EXPECT_EQ(*t->Find(101), "歡迎");
  EXPECT_EQ(*s->Find(289), "1<br>2<br>3<br>");
  EXPECT_EQ(*s->Find(162), "admin");  // the fixed user name is not translated
}

}  // namespace
}  // namespace sp
