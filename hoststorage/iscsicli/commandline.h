#pragma once
// Command lines in the Windows program-argument form: words separated by
// blanks and tabs, double quotes group words with blanks, backslashes escape
// a quote only when they stand right before one, and a doubled quote inside
// quotes is a literal quote that also ends the quoted part.
#include <string>
#include <string_view>
#include <vector>

namespace sp {

// Splits `line` into words. The first word (the program word) is taken
// plainly: up to the first blank, or between quotes without escapes; a line
// that starts with a blank has an empty program word. An empty line has no
// words at all.
std::vector<std::u16string> SplitCommandLine(std::u16string_view line);

// Quotes `word` so that SplitCommandLine gives it back unchanged in any
// position but the first. Plain words stay as they are; an empty word
// becomes "".
std::u16string QuoteArgument(std::u16string_view word);

}  // namespace sp
