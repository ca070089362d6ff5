#include "pages/welcome/core/languagechoice.h"

#include <cctype>
#include <string>

namespace sp {

namespace {

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

int PreselectedLanguageEntry(std::string_view language, std::string_view script, std::string_view territory) {
  if (SameText(language, "zh")) {
    if (SameText(script, "Hans")) return 1;
    if (SameText(script, "Hant")) return 2;
    // Without a script the territory decides: Singapore writes Simplified
    // characters like the mainland; Taiwan, Hong Kong and Macao do not.
    return SameText(territory, "CN") || SameText(territory, "SG") ? 1 : 2;
  }
  static constexpr struct {
    const char* code;
    int entry;
  } kOthers[] = {{"ko", 3}, {"de", 4}, {"es", 5}, {"fr", 6}, {"it", 7}};
  for (const auto& o : kOthers) {
    if (SameText(language, o.code)) return o.entry;
  }
  return 0;
}

const char* LanguageModuleOfEntry(int entry) {
  switch (entry) {
    case 1:
      return "MLSChinese";
    case 2:
      return "MLTChinese";
    default:
      return "MLEnglish";
  }
}

}  // namespace sp
