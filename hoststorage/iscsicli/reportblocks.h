#pragma once
// Text blocks that several listings share: security flags, login options,
// target mappings and hex dumps. `indent` is the caller's indentation.
#include <cstdint>
#include <ostream>
#include <vector>

#include "platform/iscsiinitiator.h"

namespace sp {

// Prints one printf-formatted line and a line break.
void PrintLine(std::ostream& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

void PrintSecurityFlags(std::ostream& out, const char* indent, std::uint64_t flags);
void PrintLoginOptions(std::ostream& out, const char* indent, const IscsiLoginOptions& options);
void PrintMapping(std::ostream& out, const IscsiTargetMapping& mapping);
// Sixteen bytes a line: offset, hex values, printable characters.
void PrintHexDump(std::ostream& out, const char* indent, const std::vector<std::uint8_t>& bytes);
// "<Any Port>" or the number, after `label`.
void PrintPortNumber(std::ostream& out, const char* label, std::uint32_t port);

}  // namespace sp
