#include "platform/fake/fakeinitiatorservice.h"

namespace sp {

bool FakeInitiatorService::Start() {
  if (IsRunning()) return true;
  if (!installed) return false;
  ++starts;
  running = startWorks;
  return running;
}

SetupPermission FakeInitiatorService::BeginSetup() {
  ++setupRequests;
  if (!IsRunning()) return SetupPermission::NoService;
  holdsSetup = setupAnswer == SetupPermission::Granted;
  return setupAnswer;
}

}  // namespace sp
