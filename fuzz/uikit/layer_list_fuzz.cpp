// Layer lists are built by pages and workers; whatever they hold must parse
// into entries within the fixed limits, and dimming must touch alpha only.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "uikit/core/layerlist.h"

namespace {
void Check(bool ok) {
  if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view list(reinterpret_cast<const char*>(data), size);
  std::size_t commas = 0;
  for (char c : list.substr(0, sp::kLayerListMaxBytes)) {
    if (c == '\0') break;
    commas += c == ',';
  }
  for (const auto variant : {sp::LayerVariant::FourNumbers, sp::LayerVariant::SixNumbers}) {
    const auto entries = sp::ParseLayerList(list, variant);
    Check(entries.size() <= commas);
    for (const sp::LayerEntry& e : entries) {
      Check(!e.file.empty());
      Check(e.file.size() <= sp::kLayerEntryMaxBytes);
      Check(e.file.find('|') == std::string::npos && e.file.find(',') == std::string::npos);
      if (variant == sp::LayerVariant::FourNumbers) Check(e.width == 0 && e.height == 0);
      std::uint32_t px[4] = {0xFF102030u, 0x80405060u, 0x00708090u, 0x12345678u};
      for (const auto rule : {sp::DimmingRule::Fixed, sp::DimmingRule::Percentage, sp::DimmingRule::None}) {
        std::uint32_t copy[4] = {px[0], px[1], px[2], px[3]};
        sp::ApplyDimming(copy, 2, 2, 2, rule, e.alpha);
        for (int i = 0; i < 4; ++i) Check((copy[i] & 0x00FFFFFFu) == (px[i] & 0x00FFFFFFu));
      }
    }
  }
  Check(sp::BoundedLayerList(list).size() <= sp::kLayerListMaxBytes);
  return 0;
}
