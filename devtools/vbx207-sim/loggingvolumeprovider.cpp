#include "devtools/vbx207-sim/loggingvolumeprovider.h"

#include <string>

namespace sp::sim {

bool LoggingVolumeProvider::FormatRequested(const FormatProfile& profile) {
  if (!out_) return true;
  std::string sizes;
  for (auto mb : profile.diskSizesMb) sizes += (sizes.empty() ? "" : ",") + std::to_string(mb);
  std::fprintf(out_, "volumes: %s (%s) format requested: NAS %d%%, level %d, disks [%s] MB\n", profile.mac.c_str(),
               profile.ip.c_str(), profile.nasPercent, profile.levelCode, sizes.c_str());
  std::fflush(out_);
  return true;
}

}  // namespace sp::sim
