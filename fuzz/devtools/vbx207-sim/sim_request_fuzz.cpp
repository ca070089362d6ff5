// A sequence of datagrams reaching two simulated appliances. Each datagram is
// preceded by its length (one byte); what follows the last length is one
// more datagram. Every reply must be something no appliance takes for a
// request, and replies sent back in must change nothing.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "devtools/vbx207-sim/simjson.h"
#include "devtools/vbx207-sim/simulator.h"

namespace {

class NoVolumes : public sp::sim::IVolumeProvider {
 public:
  bool FormatRequested(const sp::sim::FormatProfile&) override { return true; }
};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sp::sim;
  NoVolumes volumes;
  Simulator sim({DefaultAppliance(0), DefaultAppliance(1)}, volumes);
  const auto now = Clock::now();
  std::size_t at = 0;
  int step = 0;
  while (at < size && step++ < 64) {
    std::size_t length = data[at++];
    if (length > size - at) length = size - at;
    const std::vector<std::uint8_t> datagram(data + at, data + at + length);
    at += length;
    const auto dispatch =
        sim.HandleDatagram("10.77.0.1", datagram.data(), datagram.size(), now + std::chrono::seconds(step));
    for (const Reaction& reaction : dispatch.reactions) {
      for (const Outgoing& out : reaction.sends) {
        SimRequest parsed;
        Check(ParseRequest(out.datagram.data(), out.datagram.size(), &parsed) != ParseResult::kRequest);
        Check(sim.HandleDatagram("10.77.0.99", out.datagram.data(), out.datagram.size(), now).reactions.empty());
      }
    }
  }
  // The state dump must always be writable.
  Check(!sim.HandleControl(R"({"op":"state"})", now).empty());
  return 0;
}
