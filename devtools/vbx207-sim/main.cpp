// vbx207-sim: plays one or more VBX-207 appliances on UDP port 7778.
#include <cstdio>
#include <string>
#include <vector>

#include "devtools/vbx207-sim/loggingvolumeprovider.h"
#include "devtools/vbx207-sim/simconfig.h"
#include "devtools/vbx207-sim/simserver.h"
#include "devtools/vbx207-sim/simulator.h"
#include "devtools/vbx207-sim/smbvolume.h"
#include "devtools/vbx207-sim/tgtvolume.h"

int main(int argc, char** argv) {
  using namespace sp::sim;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  SimConfig config;
  bool help = false;
  std::string error;
  if (!ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), &config, &help, &error)) {
    std::fprintf(stderr, "vbx207-sim: %s\n%s", error.c_str(), SimUsage());
    return 2;
  }
  if (help) {
    std::fputs(SimUsage(), stdout);
    return 0;
  }
  // Every profile is logged; its iSCSI part becomes a real tgtd target and
  // its NAS part a real SMB share "Volume1".
  LoggingVolumeProvider log(stdout);
  TgtVolumeProvider targets(log, stdout);
  SmbVolumeProvider shares(targets, stdout);
  Simulator simulator(config.appliances, shares);
  shares.SetIdentityLookup([&simulator](const std::string& mac) -> std::optional<Identity> {
    for (const auto& a : simulator.appliances()) {
      if (a->mac() == mac) return a->identity();
    }
    return std::nullopt;
  });
  SimServer server(config, simulator, stdout);
  return server.Run();
}
