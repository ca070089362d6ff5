// What the storage tools and the kernel print is outside input: any bytes
// must parse without harm. Byte 0 picks the parser; the rest is the text.
// The mkntfs progress parser is fed in chunks whose sizes come from the
// input too, and must give the same result however the text is cut.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/storagetooloutput.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  switch (data[0] % 4) {
    case 0:
      for (const sp::MountEntry& e : sp::ParseMountInfo(text)) {
        Check(e.mountPoint.size() <= text.size() && e.source.size() <= text.size());
      }
      break;
    case 1:
      for (const auto& [key, value] : sp::ParseBlkidExport(text)) Check(!key.empty() && value.size() <= text.size());
      break;
    case 2: {
      const std::string device = sp::ParseLosetupDevice(text);
      Check(device.empty() || device.rfind("/dev/loop", 0) == 0);
      Check(!sp::NaturalLess(text, text));
      break;
    }
    case 3: {
      sp::MkntfsProgress whole;
      whole.Feed(text);
      sp::MkntfsProgress cut;
      std::size_t step = 1 + data[0] / 4;
      for (std::size_t i = 0; i < text.size(); i += step) cut.Feed(text.substr(i, step));
      Check(whole.percent() >= 0 && whole.percent() <= 100);
      Check(whole.percent() == cut.percent() && whole.reportedSuccess() == cut.reportedSuccess());
      break;
    }
  }
  return 0;
}
