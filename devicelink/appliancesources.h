#pragma once
// Where each appliance answers from. Discovery notes the source address of
// the first answer of every appliance it lists; from then on the exchange
// takes a reply for that appliance's MAC text only from that address (or
// from the address it was moved to when its new network identity was
// committed). A host that answers for someone else's MAC text is ignored.
//
// An appliance that only the request sent straight to the address the
// person typed reached (it sits behind a router that keeps broadcasts in)
// is also asked at its address by unicast in every later exchange; that
// lasts while it moves, and through later discoveries that find it again.
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
  // answer of a discovery counts. `direct`: it was also asked at `source`
  // by unicast and is to be asked so from now on.
  void Discovered(std::string_view mac, std::uint32_t source, bool direct = false);
  // The appliance `mac` now answers at `ipText` (dotted decimal). False when
  // the text is no address.
  bool Moved(std::string_view mac, std::string_view ipText);
  // The address replies for `mac` must come from; nothing when any may.
  std::optional<std::uint32_t> Expected(std::string_view mac) const;
  // The address exchanges with `mac` also go to by unicast; nothing when
  // broadcast alone reaches it.
  std::optional<std::uint32_t> Direct(std::string_view mac) const;

 private:
  static std::string Key(std::string_view mac);

  mutable std::mutex mutex_;
  struct Source {
    std::uint32_t address = 0;
    bool direct = false;
  };
  std::map<std::string, Source> sources_;
};

}  // namespace sp
