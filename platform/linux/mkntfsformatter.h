#pragma once
// NTFS formatting with mkntfs from ntfs-3g.
#include <string>
#include <vector>

#include "platform/ntfsformatter.h"

namespace sp {

class MkntfsFormatter : public INtfsFormatter {
 public:
  bool Format(const std::string& device, const NtfsFormatOptions& options, const std::function<void(int)>& progress,
              std::stop_token stop) override;

  // A quick format takes seconds even on a large volume; one that runs this
  // long is ended (the waiting side gives up earlier still).
  static constexpr int kFormatToolMs = 20 * 60 * 1000;

  // The command line for a format (exposed for tests).
  static std::vector<std::string> CommandLine(const std::string& device, const NtfsFormatOptions& options);
};

}  // namespace sp
