#pragma once
// Formatting a volume with NTFS.
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

namespace sp {

struct NtfsFormatOptions {
  bool quick = true;
  std::uint32_t clusterSize = 8192;
  std::string label;  // empty: no label
  // Where the volume starts on its disk and the disk's geometry, written to
  // the boot sector.
  std::uint32_t hiddenSectors = 63;
  std::uint32_t heads = 255;
  std::uint32_t sectorsPerTrack = 63;
};

class INtfsFormatter {
 public:
  virtual ~INtfsFormatter() = default;
  // Formats the volume `device` and blocks until the formatter ends.
  // `progress` receives each new percentage (0..100) as the formatter reports
  // it. True only when the formatter reported success. A stop request ends
  // the formatter early (false).
  virtual bool Format(const std::string& device, const NtfsFormatOptions& options,
                      const std::function<void(int)>& progress, std::stop_token stop) = 0;
};

}  // namespace sp
