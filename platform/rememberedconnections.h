#pragma once
// The remembered network connections of one user: which drive letter stands
// for which share. Kept by the share-mapping agent (which brings them back
// when it starts) and read by the wizard's connection queries.
//
// File form, one mapping per line, UTF-8:
//   # comment
//   Z:<TAB>\\storage1\Volume1
// A drive "X:", one or more blanks or tabs, the share path "\\host\share".
// Lines that do not read this way are skipped; a later line for the same
// letter replaces an earlier one.
#include <map>
#include <string>
#include <string_view>

namespace sp {

// Letter (upper case) -> share path "\\host\share".
using RememberedConnections = std::map<char, std::string>;

// Files longer than this are read only up to here: the list has at most 26
// short lines.
inline constexpr std::size_t kRememberedConnectionsMaxBytes = 64 * 1024;

RememberedConnections ParseRememberedConnections(std::string_view text);
std::string SerializeRememberedConnections(const RememberedConnections& connections);

}  // namespace sp
