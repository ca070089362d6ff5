#pragma once
// Waiting without freezing the user interface.
#include <functional>

namespace sp {

// Dispatches one pending user-interface event of the calling thread, if there
// is one. The Qt pages pass one that processes the thread's pending events;
// a worker thread passes none.
using UiEventDispatcher = std::function<void()>;

// Waits `ms` milliseconds by a monotonic clock: repeatedly sleeps 1 ms and
// then dispatches one event, until `ms` have passed since the call began. The
// loop body runs at least once, so even PumpUiEvents(0) sleeps 1 ms and
// dispatches once. Without a dispatcher it only sleeps.
void PumpUiEvents(int ms, const UiEventDispatcher& dispatchOne);

}  // namespace sp
