#pragma once
// Where logged-in LUNs become visible to the system: the FUSE directory in
// the service, a recording double in tests.
#include <memory>
#include <string>

#include "tools/iscsid/lundevice.h"

namespace sp::iscsid {

class ILunPublisher {
 public:
  virtual ~ILunPublisher() = default;
  // Shows `device` under `name` (replacing what had that name) and returns
  // the path by which the system reaches it.
  virtual std::string Publish(const std::string& name, std::shared_ptr<LunDevice> device) = 0;
  // Takes the name away; handles still open on it fail from now on.
  virtual void Withdraw(const std::string& name) = 0;
  // True while something holds the LUN open (a loop device, a program).
  virtual bool InUse(const std::string& name) const = 0;
};

}  // namespace sp::iscsid
