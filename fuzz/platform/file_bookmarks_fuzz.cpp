// The user's places files (GTK bookmarks, KDE XBEL) as we read and edit
// them: whatever they hold, an edit ends, an add then a remove of our
// place gives back what the user had, and adding twice changes nothing.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/filebookmarks.h"

namespace {
constexpr std::string_view kUri = "file:///mnt/x";
constexpr std::string_view kName = "vault-one (X:)";
void Check(bool ok) {
  if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const std::string gtk = sp::WithGtkBookmark(file, kUri, kName);
  Check(sp::WithGtkBookmark(gtk, kUri, kName) == gtk);
  const std::string without = sp::WithoutGtkBookmark(gtk, kUri);
  Check(without.rfind("file:///mnt/x ", 0) != 0 && without.find("\nfile:///mnt/x ") == std::string::npos);

  if (const auto xbel = sp::WithXbelBookmark(file, kUri, kName)) {
    Check(sp::WithXbelBookmark(*xbel, kUri, kName) == *xbel);
    const auto removed = sp::WithoutXbelBookmark(*xbel, kUri);
    Check(removed.has_value());
    // Without a place of ours before, the user's text comes back whole.
    if (file.find("mnt/x") == std::string_view::npos && !file.empty() &&
        file.find_first_not_of(" \t\r\n") != std::string_view::npos) {
      Check(*removed == file);
    }
  }
  return 0;
}
