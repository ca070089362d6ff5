#pragma once
// A volume provider that builds nothing: it writes the requested profile to
// the simulator's output and accepts it. The appliance's format then only
// exists as state and progress.
#include <cstdio>

#include "devtools/vbx207-sim/ivolumeprovider.h"

namespace sp::sim {

class LoggingVolumeProvider : public IVolumeProvider {
 public:
  explicit LoggingVolumeProvider(std::FILE* out) : out_(out) {}
  bool FormatRequested(const FormatProfile& profile) override;

 private:
  std::FILE* out_;
};

}  // namespace sp::sim
