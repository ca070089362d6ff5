#include "platform/linux/smbsharelist.h"

#include <algorithm>
#include <array>

#include "platform/linux/toolrunner.h"

namespace sp {

namespace {

constexpr std::array<std::string_view, 1> kShareTools = {"smbclient"};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::vector<std::string> ParseDiskShares(std::string_view listing) {
  std::vector<std::string> shares;
  while (!listing.empty()) {
    const std::size_t end = listing.find('\n');
    std::string_view line = listing.substr(0, end);
    listing = end == std::string_view::npos ? std::string_view() : listing.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t first = line.find('|');
    if (first == std::string_view::npos || line.substr(0, first) != "Disk") continue;
    const std::string_view rest = line.substr(first + 1);
    const std::string_view name = rest.substr(0, rest.find('|'));
    if (!name.empty()) shares.emplace_back(name);
  }
  return shares;
}

bool HasShare(const std::vector<std::string>& shares, std::string_view name) {
  return std::any_of(shares.begin(), shares.end(), [&](const std::string& s) { return SameIgnoringCase(s, name); });
}

std::optional<std::vector<std::string>> ListDiskShares(const std::string& address, int timeoutMs) {
  ToolRunOptions options;
  options.timeoutMs = timeoutMs;
  // No user configuration or credentials: a guest's view of the server.
  const ToolResult r = RunAllowedTool(kShareTools, {"smbclient", "-L", "//" + address, "-N", "-g"}, options);
  if (!r.started || r.timedOut) return std::nullopt;
  std::vector<std::string> shares = ParseDiskShares(r.output);
  if (shares.empty()) return std::nullopt;
  return shares;
}

}  // namespace sp
