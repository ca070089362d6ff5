#pragma once
// Reading what `nmblookup NAME` prints. An answer line is
//   10.77.0.2 VBX-207<00>
// (address, blank, the name with its type in angle brackets); other lines
// ("querying ... on ...", "name_query failed to find name ...") are noise.
#include <string>
#include <string_view>

namespace sp::netdock {

// The first IPv4 address that answered for `name` (compared without regard
// to case, type <00>), as dotted text; "" when none did.
std::string ParseNmbLookupAddress(std::string_view output, std::string_view name);

}  // namespace sp::netdock
