#pragma once
// The simulator's JSON: configuration files, control requests, state dumps.
// Readers check every type and report what is wrong instead of throwing.
#include <string>

#include <nlohmann/json.hpp>

#include "devtools/vbx207-sim/simtypes.h"

namespace sp::sim {

nlohmann::json ToJson(const Identity& identity);
nlohmann::json ToJson(const DiskSpec& disk);
nlohmann::json ToJson(const Fault& fault);

// Fields that are missing keep the value `*out` had.
bool FromJson(const nlohmann::json& j, Identity* out, std::string* error);
bool FromJson(const nlohmann::json& j, DiskSpec* out, std::string* error);
bool FromJson(const nlohmann::json& j, Fault* out, std::string* error);
bool FromJson(const nlohmann::json& j, ApplianceConfig* out, std::string* error);
bool FromJson(const nlohmann::json& j, std::vector<DiskSpec>* out, std::string* error);

// A whole configuration: {"interface", "manage_addresses", "unicast_replies", "control",
// "appliances": [{identity fields, "password", "disks", "progress_per_second",
// "faults"}]}. Appliance i starts from DefaultAppliance(i).
bool ConfigFromJson(const nlohmann::json& j, SimConfig* out, std::string* error);

// Appliance number `index` (0-based) of a run: MAC 02:4b:56:00:00:<index+1>,
// address 10.77.0.<index+2>, name "VBX-207" (then "VBX-207-2", ...).
ApplianceConfig DefaultAppliance(int index);

}  // namespace sp::sim
