#pragma once
// Physical drives for a wizard that is not root: the system disks from
// /sys as LinuxBlockDevices lists them (opened directly, which only root
// can), then the initiator service's LUN files, which the service reads and
// writes for it in blocks of at most a mebibyte.
#include <string>

#include "platform/blockdevices.h"
#include "platform/linux/linuxblockdevices.h"
#include "platform/linux/servicestoragelink.h"

namespace sp {

class ServiceBlockDevices : public IBlockDevices {
 public:
  explicit ServiceBlockDevices(ServiceStorageLink& link, std::string sysDir = kSysDir, std::string devDir = kDevDir);

  std::vector<std::string> PhysicalDrives() override;
  std::unique_ptr<IBlockDevice> Open(const std::string& path) override;

 private:
  ServiceStorageLink& link_;
  LinuxBlockDevices local_;
};

}  // namespace sp
