#include "platform/desktopshell.h"

namespace sp {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char UpperAsciiLetter(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  return (c >= 'A' && c <= 'Z') ? c : 0;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::optional<ExplorerTarget> ParseExplorerCommandLine(std::string_view line) {
  line = TrimBlanks(line);
  constexpr std::string_view kProgram = "explorer";
  if (line.size() < kProgram.size() || !EqualsNoCase(line.substr(0, kProgram.size()), kProgram)) return std::nullopt;
  std::string_view rest = line.substr(kProgram.size());
  if (rest.empty()) return ExplorerTarget{};
  if (!IsBlank(rest.front())) return std::nullopt;  // "explorer.exe", "explorerX:\"
  rest = TrimBlanks(rest);
  if (rest.empty()) return ExplorerTarget{};
  if (rest.size() < 2 || rest.size() > 3 || rest[1] != ':') return std::nullopt;
  if (rest.size() == 3 && rest[2] != '\\') return std::nullopt;
  const char letter = UpperAsciiLetter(rest[0]);
  if (!letter) return std::nullopt;
  return ExplorerTarget{letter};
}

}  // namespace sp
