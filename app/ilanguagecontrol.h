#pragma once
// The process-wide language choice as the pages see it: the application
// object implements it; tools and tests use SelectorLanguageControl.
#include <string>

#include "resource/languageselector.h"

namespace sp {

class ILanguageControl {
 public:
  virtual ~ILanguageControl() = default;
  // Releases the module in use and selects the one called `name`
  // ("MLEnglish", "MLSChinese", "MLTChinese"); a module that cannot be
  // loaded leaves the built-in English texts in use.
  virtual void SetLanguageModule(const std::string& name) = 0;
  // The current language handle; null means the built-in English texts.
  virtual const LanguageModule* LanguageHandle() const = 0;
};

// The choice held by a plain LanguageSelector over the catalogues in
// `moduleDir`.
class SelectorLanguageControl : public ILanguageControl {
 public:
  explicit SelectorLanguageControl(std::string moduleDir) : selector_(std::move(moduleDir)) {}
  void SetLanguageModule(const std::string& name) override { selector_.SetLanguageModule(name); }
  const LanguageModule* LanguageHandle() const override { return selector_.Current(); }

 private:
  LanguageSelector selector_;
};

}  // namespace sp
