#include "devicelink/applianceaddress.h"

#include <arpa/inet.h>

namespace sp {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Host order; nothing when the text is not four octets.
std::optional<std::uint32_t> Octets(std::string_view text) {
  std::uint32_t address = 0;
  int octets = 0;
  std::size_t at = 0;
  while (octets < 4) {
    unsigned value = 0;
    std::size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
      if (digits == 3) return std::nullopt;
      value = value * 10 + static_cast<unsigned>(text[at] - '0');
    }
    if (digits == 0 || value > 255) return std::nullopt;
    address = address << 8 | value;
    if (++octets < 4) {
      if (at >= text.size() || text[at] != '.') return std::nullopt;
      ++at;
    }
  }
  if (at != text.size()) return std::nullopt;
  return address;
}

}  // namespace

TypedAddress ParseApplianceAddress(std::string_view text) {
  const std::optional<std::uint32_t> host = Octets(Trimmed(text));
  if (!host) return {0, TypedAddressError::kMalformed};
  const std::uint32_t first = *host >> 24;
  // No appliance answers at these: "this network", loopback, multicast and
  // the reserved block with the limited broadcast address in it.
  if (first == 0 || first == 127 || first >= 224) return {0, TypedAddressError::kNotAHost};
  return {htonl(*host), std::nullopt};
}

}  // namespace sp
