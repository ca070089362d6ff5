// What a target answers is outside input too: a LUN scan and LUN I/O run
// against a target whose every reply (status, data, sense) comes from the
// fuzzer's bytes.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "tools/iscsid/discovery.h"
#include "tools/iscsid/lundevice.h"
#include "tools/iscsid/lunscan.h"

namespace {

using namespace sp::iscsid;

class ScriptedTarget : public IScsiExecutor {
 public:
  ScriptedTarget(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  ScsiResult Execute(const ScsiCommand& command) override {
    ScsiResult result;
    if (at_ >= size_) {
      result.error = 5;  // the "connection" ends with the input
      return result;
    }
    const std::uint8_t head = Take();
    if (head & 0x80) result.error = 5;
    result.status = static_cast<std::uint8_t>(head & 0x7F) == 1 ? 2 : (head & 0x7F) == 2 ? 8 : 0;
    const std::size_t n = std::min<std::size_t>(Take() * 16u, command.inLength + 16u);
    for (std::size_t i = 0; i < n && at_ < size_; ++i) {
      (result.status == 2 ? result.sense : result.data).push_back(Take());
    }
    return result;
  }

 private:
  std::uint8_t Take() { return at_ < size_ ? data_[at_++] : 0; }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto target = std::make_shared<ScriptedTarget>(data, size);
  std::vector<LunIdentity> luns;
  ScanLuns(*target, luns);
  for (const auto& lun : luns) {
    if (lun.capacity.blockSize == 0 || lun.inquiry.size() < 36) __builtin_trap();
  }
  LunIdentity identity;
  identity.capacity = {16, 512};
  LunDevice device(target, identity);
  std::uint8_t buffer[2048];
  const long n = device.Read(100, sizeof buffer, buffer);
  if (n > static_cast<long>(sizeof buffer)) __builtin_trap();
  device.Write(700, 900, buffer);
  ParseTargetAddress(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
