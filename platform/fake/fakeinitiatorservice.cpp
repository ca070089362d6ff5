#include "platform/fake/fakeinitiatorservice.h"

namespace sp {

bool FakeInitiatorService::Start() {
  if (IsRunning()) return true;
  if (!installed) return false;
  ++starts;
  running = startWorks;
  return running;
}

}  // namespace sp
