#include "resource/languagemodule.h"

#include <fstream>
#include <sstream>

namespace sp {

namespace {

std::string Unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char n = s[i + 1];
      if (n == 'n') {
        out.push_back('\n');
        ++i;
        continue;
      }
      if (n == 't') {
        out.push_back('\t');
        ++i;
        continue;
      }
      if (n == '\\') {
        out.push_back('\\');
        ++i;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

// Parses "<digits>\t<text>"; returns false for any other line.
bool ParseLine(std::string_view line, int& id, std::string& text) {
  std::size_t i = 0;
  long value = 0;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
    value = value * 10 + (line[i] - '0');
    if (value > 65535) return false;  // ids are 16-bit resource numbers
    ++i;
  }
  if (i == 0 || i >= line.size() || line[i] != '\t') return false;
  id = static_cast<int>(value);
  text = Unescape(line.substr(i + 1));
  return true;
}

}  // namespace

std::unique_ptr<LanguageModule> LanguageModule::Parse(std::string_view text) {
  auto module = std::make_unique<LanguageModule>();
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    int id = 0;
    std::string value;
    if (ParseLine(line, id, value)) module->texts_[id] = std::move(value);
    pos = end + 1;
  }
  return module;
}

std::unique_ptr<LanguageModule> LanguageModule::LoadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return nullptr;
  return Parse(buffer.str());
}

const std::string* LanguageModule::Find(int id) const {
  auto it = texts_.find(id);
  return it == texts_.end() ? nullptr : &it->second;
}

// Generated from english.lang at build time.
extern const unsigned char kEnglishCatalogue[];
extern const std::size_t kEnglishCatalogueSize;

const LanguageModule& BuiltInTexts() {
  static const std::unique_ptr<LanguageModule> english =
      LanguageModule::Parse(std::string_view(reinterpret_cast<const char*>(kEnglishCatalogue), kEnglishCatalogueSize));
  return *english;
}

bool LoadText(const LanguageModule* handle, int id, std::string& out) {
  const LanguageModule& module = handle ? *handle : BuiltInTexts();
  const std::string* text = module.Find(id);
  if (!text) return false;
  out = *text;
  return true;
}

std::string LoadText(const LanguageModule* handle, int id) {
  std::string out;
  LoadText(handle, id, out);
  return out;
}

}  // namespace sp
