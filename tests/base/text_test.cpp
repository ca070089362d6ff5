#include "base/text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace sp {
namespace {

TEST(CopyBounded, CutsToWidthMinusOneAndZeroFillsTheRest) {
  char field[8];
  std::memset(field, 'x', sizeof field);
  CopyBounded(field, "abcdefghij");
  EXPECT_EQ(std::string(field), "abcdefg");
  EXPECT_EQ(field[7], '\0');

  CopyBounded(field, "ab");
  EXPECT_EQ(std::string(field), "ab");
  for (std::size_t i = 2; i < sizeof field; ++i) EXPECT_EQ(field[i], '\0') << i;
}

TEST(CopyBounded, NeverSplitsAMultiByteCharacter) {
  // "ab" then U+00E9 (2 bytes) then U+4E2D (3 bytes): cut points fall inside them.
  const std::string text = "ab\xC3\xA9\xE4\xB8\xAD";
  char four[4];
  CopyBounded(four, text);  // 3 bytes of room: "ab" + half of é -> "ab"
  EXPECT_EQ(std::string(four), "ab");
  char five[5];
  CopyBounded(five, text);  // 4 bytes of room: "abé"
  EXPECT_EQ(std::string(five), "ab\xC3\xA9");
  char seven[7];
  CopyBounded(seven, text);  // 6 bytes of room: "abé" + 2 of 3 bytes of 中 -> "abé"
  EXPECT_EQ(std::string(seven), "ab\xC3\xA9");
}

TEST(CopyBounded, StopsAtAnEmbeddedNul) {
  char field[8];
  CopyBounded(field, std::string_view("ab\0cd", 5));
  EXPECT_EQ(std::string(field), "ab");
  EXPECT_EQ(field[3], '\0');
}

TEST(CopyBounded, WideFieldKeepsSurrogatePairsWhole) {
  char16_t field[3];
  const std::u16string text = u"a\U0001F600";  // a + surrogate pair
  CopyBounded(field, text);                    // room for 2 units: "a" + high half -> "a"
  EXPECT_EQ(FieldText(field), u"a");
  char16_t wide[4];
  CopyBounded(wide, text);
  EXPECT_EQ(FieldText(wide), text);
}

TEST(FieldText, ReadsAFieldWithoutTerminator) {
  const char full[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(FieldText(full), "abcd");
}

TEST(Utf, RoundTripsAndReplacesInvalidBytes) {
  const std::string text = "Z: \\\\storage1\\Volume1 \xE4\xB8\xAD\xF0\x9F\x98\x80";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\uFFFD"
            "b");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong form refused
  EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), u"\uFFFD\uFFFD");  // truncated sequence
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Format, HandlesLongOutput) {
  EXPECT_EQ(Format("v%d.%d.%d.%d", 1, 2, 3, 4), "v1.2.3.4");
  const std::string longText(1000, 'q');
  EXPECT_EQ(Format("<b>%s</b>", longText.c_str()), "<b>" + longText + "</b>");
  EXPECT_EQ(Format("NAS:%d%% - iSCSI:%d%%", 70, 30), "NAS:70% - iSCSI:30%");
}

}  // namespace
}  // namespace sp
