#include "resource/languageselector.h"

namespace sp {

LanguageSelector::LanguageSelector(std::string moduleDir) : moduleDir_(std::move(moduleDir)) {}

void LanguageSelector::SetLanguageModule(const std::string& name) {
  current_.reset();
  if (name == "MLEnglish") return;
  std::string path = moduleDir_;
  if (!path.empty() && path.back() != '/') path.push_back('/');
  path += name + kCatalogueSuffix;
  // A module that cannot be loaded leaves the program's own texts current.
  current_ = LanguageModule::LoadFile(path);
}

}  // namespace sp
