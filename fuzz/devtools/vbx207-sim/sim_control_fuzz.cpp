// Control requests, configuration files and --appliance specs given to the
// simulator: every answer is a JSON object that says ok or not.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "devtools/vbx207-sim/simconfig.h"
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
  const std::string text(reinterpret_cast<const char*>(data), size);
  NoVolumes volumes;
  Simulator sim({DefaultAppliance(0), DefaultAppliance(1)}, volumes);
  const auto now = Clock::now();
  // Each line is one request, as on the socket.
  std::size_t start = 0;
  for (int n = 0; start <= text.size() && n < 16; ++n) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const auto reply = nlohmann::json::parse(sim.HandleControl(text.substr(start, end - start), now), nullptr, false);
    Check(reply.is_object() && reply.contains("ok") && reply["ok"].is_boolean());
    start = end + 1;
  }
  Check(!sim.HandleControl(R"({"op":"state"})", now).empty());

  SimConfig config;
  std::string error;
  const auto j = nlohmann::json::parse(text, nullptr, false);
  if (!j.is_discarded()) {
    if (!ConfigFromJson(j, &config, &error)) Check(!error.empty());
  }
  ApplianceConfig appliance;
  if (!ApplySpec(text, &appliance, &error)) Check(!error.empty());
  return 0;
}
