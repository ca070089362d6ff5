// The state file and the share records beside it are read at every start:
// damaged contents must be refused or read, never crash, and what is read
// must save and read back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/iscsid/shareops.h"
#include "tools/iscsid/statestore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<sp::iscsid::ShareRecord> records;
  if (sp::iscsid::DecodeShareRecords(text, records)) {
    std::vector<sp::iscsid::ShareRecord> back;
    if (!sp::iscsid::DecodeShareRecords(sp::iscsid::EncodeShareRecords(records), back) || back != records) {
      __builtin_trap();
    }
  }
  sp::iscsid::PersistentState state;
  if (!sp::iscsid::DecodeState(text, state)) return 0;
  const std::string saved = sp::iscsid::EncodeState(state);
  sp::iscsid::PersistentState again;
  if (!sp::iscsid::DecodeState(saved, again)) __builtin_trap();
  if (sp::iscsid::EncodeState(again) != saved) __builtin_trap();
  return 0;
}
