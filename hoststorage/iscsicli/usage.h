#pragma once
// The interpreter's usage text: one synopsis section per command in command
// table order, the quick commands under their own heading, then the meaning
// of mappings, id types, flags and argument forms.
#include <ostream>

namespace sp {

// Prints the synopsis of usage section `section` and an empty line; an
// unknown section prints nothing.
void PrintUsageSection(std::ostream& out, int section);
void PrintFullUsage(std::ostream& out);

}  // namespace sp
