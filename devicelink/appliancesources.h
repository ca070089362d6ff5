#pragma once
// Where each appliance answers from. Discovery notes the source address of
// the first answer of every appliance it lists; from then on the exchange
// takes a reply for that appliance's MAC text only from that address (or
// from the address it was moved to when its new network identity was
// committed). A host that answers for someone else's MAC text is ignored.
//
// Shared by the UI thread's link and the final setup worker's link, so it
// locks. An appliance that was never discovered is not pinned.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace sp {

class ApplianceSources {
 public:
  // A new discovery starts: what the last one learnt is forgotten.
  void Forget();
  // `source` (network byte order) answered discovery for `mac`; the first
  // answer of a discovery counts.
  void Discovered(std::string_view mac, std::uint32_t source);
  // The appliance `mac` now answers at `ipText` (dotted decimal). False when
  // the text is no address.
  bool Moved(std::string_view mac, std::string_view ipText);
  // The address replies for `mac` must come from; nothing when any may.
  std::optional<std::uint32_t> Expected(std::string_view mac) const;

 private:
  static std::string Key(std::string_view mac);

  mutable std::mutex mutex_;
  std::map<std::string, std::uint32_t> sources_;
};

}  // namespace sp
