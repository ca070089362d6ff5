#include "uikit/core/layerlist.h"

#include <algorithm>
#include <climits>

#include "base/text.h"

namespace sp {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Splits like strtok(entry, "|"): empty fields do not exist.
std::vector<std::string_view> Tokens(std::string_view entry) {
  std::vector<std::string_view> out;
  std::size_t pos = 0;
  while (pos < entry.size()) {
    while (pos < entry.size() && entry[pos] == '|') ++pos;
    if (pos == entry.size()) break;
    std::size_t end = entry.find('|', pos);
    if (end == std::string_view::npos) end = entry.size();
    out.push_back(entry.substr(pos, end - pos));
    pos = end;
  }
  return out;
}

}  // namespace

int LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    // Saturate instead of overflowing; the result clamps to the int range.
    if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

bool ParseLayerEntry(std::string_view entry, LayerVariant variant, LayerEntry& out) {
  entry = entry.substr(0, Utf8PrefixLength(entry, kLayerEntryMaxBytes));
  // A NUL ends the entry as it would end the C string it was copied into.
  if (const std::size_t nul = entry.find('\0'); nul != std::string_view::npos) {
    entry = entry.substr(0, nul);
  }
  const std::vector<std::string_view> fields = Tokens(entry);
  if (fields.empty()) return false;
  const auto number = [&fields](std::size_t i) { return i < fields.size() ? LeadingNumber(fields[i]) : 0; };
  out = LayerEntry{};
  out.file = std::string(fields[0]);
  out.x = number(1);
  out.y = number(2);
  out.alpha = number(3);
  out.offset = number(4);
  if (variant == LayerVariant::SixNumbers) {
    out.width = number(5);
    out.height = number(6);
  }
  return true;
}

std::vector<LayerEntry> ParseLayerList(std::string_view list, LayerVariant variant) {
  list = list.substr(0, std::min(list.size(), kLayerListMaxBytes));
  if (const std::size_t nul = list.find('\0'); nul != std::string_view::npos) {
    list = list.substr(0, nul);
  }
  std::vector<LayerEntry> entries;
  std::size_t pos = 0;
  for (std::size_t comma = list.find(','); comma != std::string_view::npos; comma = list.find(',', pos)) {
    LayerEntry e;
    if (ParseLayerEntry(list.substr(pos, comma - pos), variant, e)) entries.push_back(std::move(e));
    pos = comma + 1;
  }
  return entries;
}

std::string BoundedLayerList(std::string_view list) {
  if (const std::size_t nul = list.find('\0'); nul != std::string_view::npos) {
    list = list.substr(0, nul);
  }
  return std::string(list.substr(0, Utf8PrefixLength(list, kLayerListMaxBytes)));
}

bool DimmingApplies(DimmingRule rule, int alpha) {
  switch (rule) {
    case DimmingRule::Fixed:
      return alpha < 100;
    case DimmingRule::Percentage:
      return alpha < 255;
    case DimmingRule::None:
      break;
  }
  return false;
}

std::uint8_t DimmedAlpha(std::uint8_t a, DimmingRule rule, int alpha) {
  switch (rule) {
    case DimmingRule::Fixed:
      return alpha < 100 ? static_cast<std::uint8_t>(a * 30 / 100) : a;
    case DimmingRule::Percentage:
      if (alpha >= 255) return a;
      // Values from 101 to 254 wrap past 255: only the low byte is kept.
      return static_cast<std::uint8_t>(static_cast<long long>(a) * alpha / 100);
    case DimmingRule::None:
      break;
  }
  return a;
}

void ApplyDimming(std::uint32_t* pixels, int width, int height, int stride, DimmingRule rule, int alpha) {
  if (pixels == nullptr || width <= 0 || height <= 0) return;
  if (!DimmingApplies(rule, alpha)) return;
  for (int y = 0; y < height; ++y) {
    std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      const auto a = static_cast<std::uint8_t>(row[x] >> 24);
      row[x] = (row[x] & 0x00FFFFFFu) | (static_cast<std::uint32_t>(DimmedAlpha(a, rule, alpha)) << 24);
    }
  }
}

}  // namespace sp
