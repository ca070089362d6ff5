#pragma once
// The system's "delete this drive's network use" command: the network file
// system mounted at a drive letter is unmounted by an outside command, which
// the caller waits for.
#include <string_view>

namespace sp {

class INetUse {
 public:
  virtual ~INetUse() = default;
  // Runs the delete command for drive "X:" and waits for it (bounded).
  // Returns false when no command was started (nothing to delete, not a
  // drive, or the command is missing), true when one ran, whatever its
  // outcome.
  virtual bool DeleteUse(std::string_view drive) = 0;
};

}  // namespace sp
