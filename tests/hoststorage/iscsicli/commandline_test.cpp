#include "hoststorage/iscsicli/commandline.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace sp {
namespace {

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> words;
  for (const std::u16string& w : SplitCommandLine(Utf8ToUtf16(line))) words.push_back(Utf16ToUtf8(w));
  return words;
}

using Words = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheProgramArgumentRules) {
  struct Case {
    const char* line;
    Words words;
  };
  const Case cases[] = {
      {"iscsicli AddTargetPortal 10.77.0.2 3260", {"iscsicli", "AddTargetPortal", "10.77.0.2", "3260"}},
      {"a  \t b\t\tc  ", {"a", "b", "c"}},
      {"", {}},
      {"   x", {"", "x"}},  // a leading blank gives an empty program word
      {"p \"two words\" x", {"p", "two words", "x"}},
      {"p a\"b c\"d", {"p", "ab cd"}},                      // quotes inside a word
      {"p \"\"", {"p", ""}},                                // an empty quoted word is still a word
      {"p \\\\server\\share", {"p", "\\\\server\\share"}},  // backslashes alone stay
      {"p a\\\"b", {"p", "a\"b"}},                          // \" is a quote
      {"p a\\\\\"b c\"", {"p", "a\\b c"}},                  // \\" is a backslash and opens quotes
      {"p a\\\\\\\"b", {"p", "a\\\"b"}},                    // \\\" is a backslash and a quote
      {"p \"a\\\\\"", {"p", "a\\"}},                        // backslashes before a closing quote halve
      {"p \"a\"\"b\"", {"p", "a\"b"}},                      // "" inside quotes is a quote
      {"p \"a\"\" b\"", {"p", "a\"", "b"}},                 // ... and it ends the quoted part
      {"p \"\"\"a b", {"p", "\"a", "b"}},                   // three quotes: one literal, outside quotes
      {"p \"unterminated word", {"p", "unterminated word"}},
      {"\"C:\\Program Files\\x.exe\" LoginTarget", {"C:\\Program Files\\x.exe", "LoginTarget"}},
      {"\"prog\"next", {"prog", "next"}},  // the program word ends at its quote
      {"pr\\\"og x", {"pr\\\"og", "x"}},   // no escapes in the program word
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.line), c.words) << c.line;
}

TEST(QuoteArgument, EveryWordSurvivesTheRoundTrip) {
  const std::u16string words[] = {
      u"plain",     u"",     u"two words",     u"tab\there", u"q\"uote", u"end\\", u"\\\\server\\share",
      u"both \\\"", u"\\\"", u"trailing \\\\", u"\"\"\""};
  std::u16string line = u"iscsicli";
  for (const auto& w : words) line += u" " + QuoteArgument(w);
  const auto split = SplitCommandLine(line);
  ASSERT_EQ(split.size(), std::size(words) + 1);
  for (std::size_t i = 0; i < std::size(words); ++i) EXPECT_EQ(split[i + 1], words[i]) << i;
  EXPECT_EQ(QuoteArgument(u"plain"), u"plain");
  EXPECT_EQ(QuoteArgument(u"a b"), u"\"a b\"");
}

}  // namespace
}  // namespace sp
