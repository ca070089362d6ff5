#pragma once
// The colour-name table of the mini-HTML markup: 140 names, matched without
// regard to case, each standing for "#" and six hexadecimal digits.
#include <cstddef>
#include <string_view>

namespace sp {

// The table's "#RRGGBB" text for `name`, or null when the name is unknown.
const char* LookupColorName(std::u16string_view name);

// For tests and tools: the table in its order.
std::size_t ColorNameCount();
const char* ColorNameAt(std::size_t index);

}  // namespace sp
