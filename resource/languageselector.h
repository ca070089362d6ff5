#pragma once
// The process-wide language choice: which language module the texts come from.
#include <memory>
#include <string>

#include "resource/languagemodule.h"

namespace sp {

class LanguageSelector {
 public:
  // `moduleDir` is where catalogue files are looked for (the program's folder).
  explicit LanguageSelector(std::string moduleDir);

  // Releases the module in use and selects the one called `name`:
  // "MLEnglish" (exact) selects the built-in texts; any other name loads the
  // catalogue file `name` + ".lang" from the module folder. A file that is
  // missing or unreadable leaves the built-in texts in use, silently.
  void SetLanguageModule(const std::string& name);

  // The current language handle: null while the built-in texts are in use.
  const LanguageModule* Current() const { return current_.get(); }

  static constexpr const char* kCatalogueSuffix = ".lang";

 private:
  std::string moduleDir_;
  std::unique_ptr<LanguageModule> current_;
};

}  // namespace sp
