// A command-0 reply comes from the network: whatever its bytes and length,
// reading the identity out of it must stay inside the reply, give texts no
// longer than their fields, and the read-back must leave the target MAC text
// terminated within its field. Texts read this way, written back into a
// record, come out as prefixes of themselves that keep their NUL.
//
// Input: the reply area as received (its length is the reply's length).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"
#include "pages/config/core/configactions.h"
#include "pages/config/core/identityrecord.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

bool IsPrefix(const std::string& p, const std::string& s) { return s.compare(0, p.size(), p) == 0; }

// Answers every identity query with the fuzzer's bytes.
class ReplayLink : public sp::IDeviceExchange {
 public:
  ReplayLink(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int SendDeviceCommand(const char*, std::uint8_t, const std::uint8_t*, std::size_t, std::uint8_t* area) override {
    if (size_ == 0) return 0;
    std::memset(area, 0, sp::kReplyAreaSize);
    std::memcpy(area, data_, std::min(size_, sp::kReplyAreaSize));
    return static_cast<int>(size_ + 22);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > sp::kReplyAreaSize) return 0;
  // A copy of exactly `size` bytes, so that reading past it is caught.
  std::vector<std::uint8_t> reply(data, data + size);

  sp::IdentityFields f;
  const bool taken = sp::ParseIdentityReply(reply.data(), reply.size(), &f);
  Check(taken == !f.ip.empty());
  Check(f.name.size() <= 20 && f.ip.size() <= 16 && f.mac.size() <= 20 && f.netmask.size() <= 16 &&
        f.gateway.size() <= 16 && f.workgroup.size() <= 20 && f.description.size() <= 20);
  // The page shows the texts as wide text: any bytes convert.
  (void)sp::Utf8ToUtf16(f.name);
  (void)sp::Utf8ToUtf16(f.description);

  const sp::IdentityRecord r = sp::MakeIdentityRecord(f);
  Check(r.name[19] == 0 && r.ip[15] == 0 && r.mac[19] == 0 && r.workgroup[19] == 0 && r.description[19] == 0);
  for (char c : r.zero) Check(c == 0);
  Check(IsPrefix(sp::FieldText(r.name), f.name) && IsPrefix(sp::FieldText(r.ip), f.ip) &&
        IsPrefix(sp::FieldText(r.netmask), f.netmask) && IsPrefix(sp::FieldText(r.description), f.description));

  sp::WizardState state;
  state.Clear();
  sp::CopyBounded(state.targetMac, "02:4b:56:00:00:01");
  ReplayLink link(reply.data(), reply.size());
  sp::IdentityFields back;
  const bool read = sp::ReadIdentity(link, state, &back);
  Check(read == taken);
  Check(std::memchr(state.targetMac, 0, sizeof state.targetMac) != nullptr);
  if (read) Check(back.ip == f.ip);
  return 0;
}
