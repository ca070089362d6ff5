#pragma once
// The iSCSI initiator service as the wizard's presence check sees it: is it
// installed, is it running, start it.
namespace sp {

class IInitiatorService {
 public:
  virtual ~IInitiatorService() = default;
  // The service program is in place.
  virtual bool IsInstalled() = 0;
  // It answers on its control socket.
  virtual bool IsRunning() = 0;
  // Starts it when it is installed and not running, and waits (bounded)
  // until it answers. True when it runs afterwards.
  virtual bool Start() = 0;
};

}  // namespace sp
