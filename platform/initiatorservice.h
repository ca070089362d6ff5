#pragma once
// The iSCSI initiator service as the wizard's presence check sees it: is it
// installed, is it running, start it; and the permission to change this PC
// through it for the rest of the run.
namespace sp {

// The answer to asking for a setup of this PC.
enum class SetupPermission {
  Granted,         // this run may change the PC (also: a service that asks nobody)
  Refused,         // the administrator's permission was not given (or the dialog was closed)
  OtherUserSetup,  // another user's setup holds the PC
  NoService,       // the service did not answer
};

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
  // Asks for this run to set up the PC; the person may be asked for a
  // password meanwhile, so this can take minutes. Granted holds until
  // EndSetup or the end of the program.
  virtual SetupPermission BeginSetup() = 0;
  virtual void EndSetup() = 0;
};

}  // namespace sp
