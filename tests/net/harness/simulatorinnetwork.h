#pragma once
// The appliance simulator (devtools/vbx207-sim) in a test network's vbx
// namespace, for network tests of any module.
//
//   auto sim = StartSimulator(net(), {"--count", "2"});
//   ASSERT_NE(sim, nullptr);
//   sim->SetFault({.kind = "drop", .command = 7});
//
// The simulator runs with --manage-addresses (its appliances' addresses are
// put on the vbx interface and move when a commit changes them) and a control
// socket in the network's scratch directory. Appliance i (0-based) of a
// default set has MAC 02:4b:56:00:00:<i+1> and address 10.77.0.<i+2>.
#include <memory>
#include <string>
#include <vector>

#include "devtools/vbx207-sim/simclient.h"
#include "tests/net/harness/testnetwork.h"

namespace sp::nettest {

// The simulator program of this build.
const char* SimulatorPath();

// The MAC text of default appliance `index` (0-based).
std::string SimulatorMac(int index);

// Starts the simulator in net.vbx() with `args` added to its command line and
// waits until it answers on its control socket. Returns null and fails the
// test when it does not come up (its log is then in the failure message).
// The network stops it at teardown.
std::unique_ptr<sim::SimClient> StartSimulator(TestNetwork& net, const std::vector<std::string>& args,
                                               const std::string& name = "vbx207-sim");

}  // namespace sp::nettest
