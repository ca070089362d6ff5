#pragma once
// The simulator's command line.
#include <string>
#include <vector>

#include "devtools/vbx207-sim/simtypes.h"

namespace sp::sim {

// Usage text for --help and errors.
const char* SimUsage();

// Reads the command line (without the program name) into *config. Options:
//   --control PATH        Unix socket for tests (state, faults, disks, speed)
//   --config FILE         JSON configuration (see simjson.h); options given
//                         after it add to or override it
//   --interface NAME      the link to answer on (default: the one holding the
//                         first appliance's address)
//   --manage-addresses    put the appliances' addresses on the interface and
//                         move them when a commit changes them (for a network
//                         namespace of its own)
//   --appliance SPEC      one more appliance; SPEC is key=value pairs joined by
//                         ",": mac, ip, name, netmask, gateway, workgroup,
//                         description, password, disks (0, 1 or 2), speed
//                         (format progress, percent per second)
//   --count N             N more appliances with default settings
//   --unicast-replies     answer by unicast to the requester only (as an
//                         appliance behind a router is reached), never
//                         by broadcast
//   --verbose             also log datagrams that are ignored
// Without --appliance, --count or a configuration, one default appliance.
// Returns false with a message in *error; *help is set for --help.
bool ParseCommandLine(const std::vector<std::string>& args, SimConfig* config, bool* help, std::string* error);

// One --appliance SPEC applied to *appliance.
bool ApplySpec(const std::string& spec, ApplianceConfig* appliance, std::string* error);

}  // namespace sp::sim
