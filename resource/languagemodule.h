#pragma once
// User-interface texts by numeric id.
//
// A language module is a catalogue of texts under the same ids as the built-in
// English table. Catalogue files are plain UTF-8 text, one text per line:
//
//   # comment
//   101<TAB>Welcome
//
// Escapes in the text: \n line break, \t tab, \\ backslash. The text runs to
// the end of the line; leading and trailing blanks belong to it. A line that
// does not start with an id and a tab is ignored; a later line with the same
// id replaces the earlier one.
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace sp {

class LanguageModule {
 public:
  // Parses catalogue text; never fails (bad lines are skipped).
  static std::unique_ptr<LanguageModule> Parse(std::string_view text);
  // Reads and parses a catalogue file; null when it cannot be read.
  static std::unique_ptr<LanguageModule> LoadFile(const std::string& path);

  // The text under `id`, or null when this module has none.
  const std::string* Find(int id) const;
  std::size_t size() const { return texts_.size(); }

 private:
  std::map<int, std::string> texts_;
};

// The program's own texts (English), built in.
const LanguageModule& BuiltInTexts();

// Loads text `id` through a language handle; a null handle means the
// program's own texts. Returns false and leaves `out` unchanged when the
// module has no such text.
bool LoadText(const LanguageModule* handle, int id, std::string& out);

// Convenience: the text, or an empty string when the module has none.
std::string LoadText(const LanguageModule* handle, int id);

}  // namespace sp
