// The progress query's reply area, as the appliance (or anything on the
// network that passes the reply checks) fills it: any bytes, any length up
// to the whole area, no terminator promised.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "pages/final/core/finalsequence.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::array<std::uint8_t, sp::kReplyAreaSize> area{};
  std::memcpy(area.data(), data, std::min(size, area.size()));
  const int value = sp::ReadProgressReply(area.data());
  // What the poll does with it: never a bar position outside 11..61.
  const int highest = std::clamp(std::min(value, 100), 0, 100);
  const int position = highest / 2 + 11;
  if (position < 11 || position > 61) __builtin_trap();
  return 0;
}
