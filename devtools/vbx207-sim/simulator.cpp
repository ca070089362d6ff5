#include "devtools/vbx207-sim/simulator.h"

#include <strings.h>

#include "devtools/vbx207-sim/simjson.h"

namespace sp::sim {

using nlohmann::json;

namespace {

json Error(const std::string& text) { return {{"ok", false}, {"error", text}}; }

}  // namespace

Simulator::Simulator(const std::vector<ApplianceConfig>& appliances, IVolumeProvider& volumes) {
  for (const auto& config : appliances) appliances_.push_back(std::make_unique<SimAppliance>(config, volumes));
}

bool Simulator::IsOwnAddress(const std::string& ip) const {
  for (const auto& a : appliances_) {
    if (a->identity().ip == ip) return true;
  }
  return false;
}

Simulator::Dispatch Simulator::HandleDatagram(const std::string& sourceIp, const std::uint8_t* datagram,
                                              std::size_t length, Clock::time_point now) {
  Dispatch d;
  if (IsOwnAddress(sourceIp)) {
    d.fromOwnAddress = true;
    return d;
  }
  SimRequest request;
  d.parse = ParseRequest(datagram, length, &request);
  if (d.parse != ParseResult::kRequest) return d;
  for (auto& appliance : appliances_) {
    Reaction r = appliance->Handle(request, now);
    if (r.addressed) d.reactions.push_back(std::move(r));
  }
  return d;
}

json Simulator::State(Clock::time_point now) const {
  json list = json::array();
  for (const auto& a : appliances_) list.push_back(a->State(now));
  return {{"appliances", list}};
}

std::vector<SimAppliance*> Simulator::Select(const json& request, std::string* error) {
  std::vector<SimAppliance*> out;
  if (!request.contains("mac")) {
    for (auto& a : appliances_) out.push_back(a.get());
    return out;
  }
  if (!request["mac"].is_string()) {
    *error = "mac: expected a string";
    return out;
  }
  const std::string mac = request["mac"].get<std::string>();
  for (auto& a : appliances_) {
    if (strcasecmp(a->mac().c_str(), mac.c_str()) == 0) out.push_back(a.get());
  }
  if (out.empty()) *error = "no appliance with MAC " + mac;
  return out;
}

json Simulator::Control(const json& request, Clock::time_point now) {
  if (!request.is_object() || !request.contains("op") || !request["op"].is_string()) {
    return Error("expected {\"op\": ...}");
  }
  const std::string op = request["op"].get<std::string>();
  if (op == "ping") return {{"ok", true}};
  if (op == "state") return {{"ok", true}, {"state", State(now)}};

  std::string error;
  const auto selected = Select(request, &error);
  if (selected.empty()) return Error(error);
  if (op == "fault") {
    Fault fault;
    if (!FromJson(request, &fault, &error)) return Error(error);
    for (auto* a : selected) a->AddFault(fault);
  } else if (op == "clear_faults") {
    for (auto* a : selected) a->ClearFaults();
  } else if (op == "disks") {
    std::vector<DiskSpec> disks;
    if (!request.contains("disks") || !FromJson(request["disks"], &disks, &error)) {
      return Error(error.empty() ? "disks: missing" : error);
    }
    for (auto* a : selected) a->SetDisks(disks);
  } else if (op == "restart") {
    const int downMs = request.value("down_ms", 0);
    for (auto* a : selected) a->Restart(now, downMs);
  } else if (op == "serve") {
    const bool iscsi = request.value("iscsi", true), share = request.value("share", true);
    for (auto* a : selected) a->SetServed(iscsi, share);
  } else if (op == "remove_target") {
    for (auto* a : selected) a->RemoveTarget();
  } else if (op == "progress_speed") {
    if (!request.contains("percent_per_second") || !request["percent_per_second"].is_number()) {
      return Error("percent_per_second: expected a number");
    }
    const double speed = request["percent_per_second"].get<double>();
    for (auto* a : selected) a->SetProgressSpeed(speed, now);
  } else {
    return Error("unknown op \"" + op + "\"");
  }
  return {{"ok", true}, {"appliances", selected.size()}};
}

std::string Simulator::HandleControl(const std::string& line, Clock::time_point now) {
  const json request = json::parse(line, nullptr, false);
  json reply;
  if (request.is_discarded()) {
    reply = Error("not JSON");
  } else {
    try {
      reply = Control(request, now);
    } catch (const json::exception& e) {
      reply = Error(e.what());
    }
  }
  // Invalid UTF-8 from a request (in an error text) must not stop the dump.
  return reply.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace sp::sim
