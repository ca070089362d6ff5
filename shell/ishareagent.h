#pragma once
// The share-mapping agent as the main window sees it: when the wizard's
// window goes, a running agent is told to end. The agent's full client
// (map and unmap requests) belongs to the share mapping; this is the one
// operation the shell needs of it.
namespace sp {

class IShareAgent {
 public:
  virtual ~IShareAgent() = default;
  // Asks a running agent to end. False when there was none.
  virtual bool Close() = 0;
};

}  // namespace sp
