#include "tests/net/harness/simulatorinnetwork.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace sp::nettest {

const char* SimulatorPath() { return SP_VBX207_SIM_PATH; }

std::string SimulatorMac(int index) {
  char text[18];
  std::snprintf(text, sizeof text, "02:4b:56:00:%02x:%02x", (index + 1) >> 8 & 0xff, (index + 1) & 0xff);
  return text;
}

std::unique_ptr<sim::SimClient> StartSimulator(TestNetwork& net, const std::vector<std::string>& args,
                                               const std::string& name) {
  const std::string control = net.scratchDir() + "/" + name + ".sock";
  std::vector<std::string> argv{SimulatorPath(), "--manage-addresses", "--control", control};
  argv.insert(argv.end(), args.begin(), args.end());
  SpawnedProcess* process = net.Spawn(net.vbx(), argv, name);
  if (!process) return nullptr;
  auto client = std::make_unique<sim::SimClient>(control);
  if (!client->WaitReady(10000)) {
    ADD_FAILURE() << "the simulator did not come up:\n" << process->ReadLog();
    return nullptr;
  }
  return client;
}

}  // namespace sp::nettest
