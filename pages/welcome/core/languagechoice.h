#pragma once
// The welcome page's language list: its entries, the entry preselected from
// the system language, and the language module each entry selects.
#include <string_view>

namespace sp {

inline constexpr int kLanguageEntryCount = 8;
// Entry i shows text kLanguageTextBase + i: English, Simplified Chinese,
// Traditional Chinese, Korean, German, Spanish, French, Italian.
inline constexpr int kLanguageTextBase = 1069;

// The entry to preselect for a system locale, given as ISO codes: language
// ("zh"), script ("Hans", "Hant" or empty) and territory ("CN", "TW", ...).
// Chinese written in Simplified characters (an explicit Hans script, or no
// script and mainland China or Singapore) gives 1, any other Chinese 2;
// Korean 3, German 4, Spanish 5, French 6, Italian 7; anything else 0.
int PreselectedLanguageEntry(std::string_view language, std::string_view script, std::string_view territory);

// The language module an entry selects: "MLSChinese" for 1, "MLTChinese" for
// 2, and the built-in "MLEnglish" for every other entry (the list offers
// Korean to Italian, but no module of those languages exists).
const char* LanguageModuleOfEntry(int entry);

}  // namespace sp
