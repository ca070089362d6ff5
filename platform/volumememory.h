#pragma once
// The volumes that come back by themselves: a prepared iSCSI volume the
// initiator is told to remember is mounted again at its drive letter each
// time the PC starts and the appliance's LUN appears, without the wizard.
#include <string>

namespace sp {

class IVolumeMemory {
 public:
  virtual ~IVolumeMemory() = default;

  // Remembers the volume now mounted at drive `letter` ('A'..'Z') from a
  // LUN of `target`, for the person running this program. Success flag.
  virtual bool RememberVolume(const std::string& target, char letter) = 0;
};

}  // namespace sp
