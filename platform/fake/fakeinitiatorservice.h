#pragma once
// A stand-in for the initiator service: installed or not, running or not,
// and whether a start works; counts the starts.
#include "platform/initiatorservice.h"

namespace sp {

class FakeInitiatorService : public IInitiatorService {
 public:
  bool IsInstalled() override { return installed; }
  bool IsRunning() override { return installed && running; }
  bool Start() override;
  SetupPermission BeginSetup() override;
  void EndSetup() override { holdsSetup = false; }

  bool installed = true;
  bool running = false;
  bool startWorks = true;  // a start makes it run
  int starts = 0;          // starts attempted on an installed, stopped service
  SetupPermission setupAnswer = SetupPermission::Granted;
  int setupRequests = 0;
  bool holdsSetup = false;
};

}  // namespace sp
