#include "pages/welcome/core/languagechoice.h"

#include <gtest/gtest.h>

namespace sp {
namespace {

TEST(LanguageChoice, SystemLanguagePreselectsItsEntry) {
  EXPECT_EQ(PreselectedLanguageEntry("zh", "", "CN"), 1);
  EXPECT_EQ(PreselectedLanguageEntry("zh", "", "SG"), 1);
  EXPECT_EQ(PreselectedLanguageEntry("zh", "Hans", "HK"), 1);
  EXPECT_EQ(PreselectedLanguageEntry("zh", "Hant", "CN"), 2);
  EXPECT_EQ(PreselectedLanguageEntry("zh", "", "HK"), 2);
  EXPECT_EQ(PreselectedLanguageEntry("zh", "", "TW"), 2);
  EXPECT_EQ(PreselectedLanguageEntry("ZH", "", "cn"), 1);
  EXPECT_EQ(PreselectedLanguageEntry("ko", "", "KR"), 3);
  EXPECT_EQ(PreselectedLanguageEntry("de", "", "AT"), 4);
  EXPECT_EQ(PreselectedLanguageEntry("es", "", "MX"), 5);
  EXPECT_EQ(PreselectedLanguageEntry("fr", "", "CA"), 6);
  EXPECT_EQ(PreselectedLanguageEntry("it", "", "IT"), 7);
  // The list has no Japanese entry; English and everything else give 0.
  EXPECT_EQ(PreselectedLanguageEntry("ja", "", "JP"), 0);
  EXPECT_EQ(PreselectedLanguageEntry("en", "", "US"), 0);
  EXPECT_EQ(PreselectedLanguageEntry("", "", ""), 0);
}

TEST(LanguageChoice, OnlyTheChineseEntriesHaveModules) {
  EXPECT_STREQ(LanguageModuleOfEntry(0), "MLEnglish");
  EXPECT_STREQ(LanguageModuleOfEntry(1), "MLSChinese");
  EXPECT_STREQ(LanguageModuleOfEntry(2), "MLTChinese");
  for (int i = 3; i < kLanguageEntryCount; ++i) EXPECT_STREQ(LanguageModuleOfEntry(i), "MLEnglish");
  EXPECT_STREQ(LanguageModuleOfEntry(-1), "MLEnglish");
}

}  // namespace
}  // namespace sp
