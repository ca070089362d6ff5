// smbclient's share listing: every name found is a non-empty field of a
// "Disk|" line, free of the separators that bound it.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/linux/smbsharelist.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto shares = sp::ParseDiskShares(text);
  for (const auto& name : shares) {
    if (name.empty() || name.find('|') != std::string::npos || name.find('\n') != std::string::npos) std::abort();
    if (text.find("Disk|" + name) == std::string_view::npos) std::abort();
    if (!sp::HasShare(shares, name)) std::abort();
  }
  return 0;
}
