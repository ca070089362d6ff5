#include "platform/networkfacts.h"

#include <arpa/inet.h>

#include <charconv>

namespace sp {

namespace {

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

template <class T>
bool Number(std::string_view text, int base, T& out) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out, base);
  return error == std::errc() && end == text.data() + text.size();
}

// The table writes each address as the hex of its 32-bit value in host byte
// order, so reading it back as a number gives the network-order value.
bool HexAddress(std::string_view text, std::uint32_t& out) { return text.size() == 8 && Number(text, 16, out); }

}  // namespace

bool ParseRouteTable(std::string_view text, std::vector<RouteEntry>& out) {
  out.clear();
  std::size_t end = text.find('\n');
  const std::vector<std::string_view> heading = Fields(text.substr(0, end));
  if (heading.size() < 8 || heading[0] != "Iface" || heading[1] != "Destination" || heading[2] != "Gateway")
    return false;
  while (end != std::string_view::npos) {
    const std::size_t start = end + 1;
    end = text.find('\n', start);
    const std::vector<std::string_view> f =
        Fields(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (f.size() < 8) continue;
    RouteEntry r;
    r.interfaceName = std::string(f[0]);
    if (!HexAddress(f[1], r.destination) || !HexAddress(f[2], r.gateway) || !Number(f[3], 16, r.flags) ||
        !Number(f[6], 10, r.metric) || !HexAddress(f[7], r.mask))
      continue;
    out.push_back(std::move(r));
  }
  return true;
}

bool IsLinkLocal(std::uint32_t address) { return (ntohl(address) & 0xffff0000u) == 0xa9fe0000u; }

}  // namespace sp
