#include "hoststorage/iscsicli/commandline.h"

namespace sp {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Reads the program word starting at `i`; returns the index after it.
std::size_t ReadProgramWord(std::u16string_view line, std::size_t i, std::u16string& word) {
  if (i < line.size() && line[i] == u'"') {
    ++i;
    while (i < line.size() && line[i] != u'"') word += line[i++];
    return i < line.size() ? i + 1 : i;  // the closing quote also ends the word
  }
  while (i < line.size() && !IsBlank(line[i])) word += line[i++];
  return i;
}

// State of one argument word while it is read.
struct WordReader {
  std::u16string word;
  std::size_t backslashes = 0;
  int quotes = 0;  // 1 while inside quotes

  void FlushBackslashes() {
    word.append(backslashes, u'\\');
    backslashes = 0;
  }

  // A run of quotes: each one toggles the quoted state, and every third in a
  // row (counting an opening quote already seen) yields a literal quote.
  std::size_t QuoteRun(std::u16string_view line, std::size_t i) {
    word.append(backslashes / 2, u'\\');
    if (backslashes % 2 == 1) {
      word += u'"';  // escaped quote
      ++i;
    }
    backslashes = 0;
    while (i < line.size() && line[i] == u'"') {
      if (++quotes == 3) {
        word += u'"';
        quotes = 0;
      }
      ++i;
    }
    if (quotes == 2) quotes = 0;
    return i;
  }
};

}  // namespace

std::vector<std::u16string> SplitCommandLine(std::u16string_view line) {
  std::vector<std::u16string> words;
  if (line.empty()) return words;
  std::u16string program;
  std::size_t i = ReadProgramWord(line, 0, program);
  words.push_back(std::move(program));

  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    WordReader r;
    while (i < line.size() && !(IsBlank(line[i]) && r.quotes == 0)) {
      const char16_t c = line[i];
      if (c == u'\\') {
        ++r.backslashes;
        ++i;
      } else if (c == u'"') {
        i = r.QuoteRun(line, i);
      } else {
        r.FlushBackslashes();
        r.word += c;
        ++i;
      }
    }
    r.FlushBackslashes();
    words.push_back(std::move(r.word));
  }
  return words;
}

std::u16string QuoteArgument(std::u16string_view word) {
  if (!word.empty() && word.find_first_of(u" \t\"") == std::u16string_view::npos) return std::u16string(word);
  std::u16string out = u"\"";
  std::size_t backslashes = 0;
  for (char16_t c : word) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') {
      out.append(2 * backslashes + 1, u'\\');  // double them and escape the quote
    } else {
      out.append(backslashes, u'\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, u'\\');  // they stand before the closing quote
  out += u'"';
  return out;
}

}  // namespace sp
