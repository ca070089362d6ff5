#pragma once
// Physical drives on Linux: system disks from /sys/block (those backed by a
// device: no loop, zram, RAM, device-mapper or MD devices; no optical or
// floppy drives), in natural name order, then the iSCSI LUN files of the
// initiator service's disk folder in name order.
#include <string>

#include "platform/blockdevices.h"

namespace sp {

class LinuxBlockDevices : public IBlockDevices {
 public:
  explicit LinuxBlockDevices(std::string lunDir = kIscsiDiskDir, std::string sysDir = kSysDir,
                             std::string devDir = kDevDir);

  std::vector<std::string> PhysicalDrives() override;
  std::unique_ptr<IBlockDevice> Open(const std::string& path) override;

  // The system disks alone, as device paths.
  std::vector<std::string> SystemDisks() const;
  // The LUN files alone.
  std::vector<std::string> LunFiles() const;

 private:
  std::string lunDir_;
  std::string sysDir_;
  std::string devDir_;
};

}  // namespace sp
