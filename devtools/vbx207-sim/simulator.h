#pragma once
// The simulated appliances of one run and the requests that reach them: the
// datagrams from the network and the control requests from tests.
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "devtools/vbx207-sim/ivolumeprovider.h"
#include "devtools/vbx207-sim/simappliance.h"
#include "devtools/vbx207-sim/simprotocol.h"

namespace sp::sim {

class Simulator {
 public:
  Simulator(const std::vector<ApplianceConfig>& appliances, IVolumeProvider& volumes);

  struct Dispatch {
    ParseResult parse = ParseResult::kNotProtocol;
    bool fromOwnAddress = false;
    std::vector<Reaction> reactions;  // one per appliance the request named
  };

  // A datagram from `sourceIp` arrived. Datagrams from the appliances' own
  // addresses (their broadcast replies come back to them) and anything that
  // is not a well-formed request are ignored; every appliance that the
  // request names reacts.
  Dispatch HandleDatagram(const std::string& sourceIp, const std::uint8_t* datagram, std::size_t length,
                          Clock::time_point now);

  // One control request (a JSON object on one line) and its answer (the
  // same). Requests: {"op":"ping"}, {"op":"state"}, {"op":"fault", "mac"?,
  // "kind", "command"?, "item"?, "count"?, "delay_ms"?, "code"?},
  // {"op":"clear_faults", "mac"?}, {"op":"disks", "mac"?, "disks":[...]},
  // {"op":"progress_speed", "mac"?, "percent_per_second"}, {"op":"restart",
  // "mac"?, "down_ms"}, {"op":"serve", "mac"?, "iscsi", "share"} (what a
  // disk setup brings up), {"op":"remove_target", "mac"?}. Without "mac" a
  // request applies to every appliance. Answers: {"ok":true, ...} or
  // {"ok":false, "error":"..."}.
  std::string HandleControl(const std::string& line, Clock::time_point now);

  nlohmann::json State(Clock::time_point now) const;
  bool IsOwnAddress(const std::string& ip) const;
  std::vector<std::unique_ptr<SimAppliance>>& appliances() { return appliances_; }

 private:
  nlohmann::json Control(const nlohmann::json& request, Clock::time_point now);
  std::vector<SimAppliance*> Select(const nlohmann::json& request, std::string* error);

  std::vector<std::unique_ptr<SimAppliance>> appliances_;
};

}  // namespace sp::sim
