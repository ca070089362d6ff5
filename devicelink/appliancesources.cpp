#include "devicelink/appliancesources.h"

#include <arpa/inet.h>

namespace sp {

std::string ApplianceSources::Key(std::string_view mac) {
  // MAC texts compare as the appliance does: without regard to case, over
  // the 17 characters of the text.
  std::string key(mac.substr(0, 17));
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

void ApplianceSources::Forget() {
  std::lock_guard lock(mutex_);
  sources_.clear();
}

void ApplianceSources::Discovered(std::string_view mac, std::uint32_t source, bool direct) {
  std::lock_guard lock(mutex_);
  sources_.emplace(Key(mac), Source{source, direct});
}

bool ApplianceSources::Moved(std::string_view mac, std::string_view ipText) {
  in_addr address{};
  if (inet_pton(AF_INET, std::string(ipText).c_str(), &address) != 1) return false;
  std::lock_guard lock(mutex_);
  sources_[Key(mac)].address = address.s_addr;
  return true;
}

std::optional<std::uint32_t> ApplianceSources::Expected(std::string_view mac) const {
  std::lock_guard lock(mutex_);
  const auto it = sources_.find(Key(mac));
  if (it == sources_.end()) return std::nullopt;
  return it->second.address;
}

std::optional<std::uint32_t> ApplianceSources::Direct(std::string_view mac) const {
  std::lock_guard lock(mutex_);
  const auto it = sources_.find(Key(mac));
  if (it == sources_.end() || !it->second.direct) return std::nullopt;
  return it->second.address;
}

}  // namespace sp
