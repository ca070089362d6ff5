#pragma once
// Something that carries SCSI commands to a target: the live session in the
// service, an in-memory disk in tests.
#include "tools/iscsid/scsiformat.h"

namespace sp::iscsid {

class IScsiExecutor {
 public:
  virtual ~IScsiExecutor() = default;
  // Runs one command and waits for its outcome. Never waits without bound:
  // an implementation answers within its own time limit, with ETIMEDOUT or
  // EIO when the target does not.
  virtual ScsiResult Execute(const ScsiCommand& command) = 0;
};

}  // namespace sp::iscsid
