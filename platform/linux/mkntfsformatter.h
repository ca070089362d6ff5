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

  // The command line for a format (exposed for tests).
  static std::vector<std::string> CommandLine(const std::string& device, const NtfsFormatOptions& options);
};

}  // namespace sp
