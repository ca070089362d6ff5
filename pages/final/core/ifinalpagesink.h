#pragma once
// What the final setup sequence shows, as the final page takes it from the
// worker thread. The page's implementation posts events to itself (it never
// touches a widget from the worker); tests record the calls.
#include <string_view>

namespace sp {

class IFinalPageSink {
 public:
  virtual ~IFinalPageSink() = default;
  // Progress bar position, 0..100.
  virtual void SetProgress(int position) = 0;
  // Replaces the page's layer list (handed over whole) and asks for a redraw.
  virtual void SetLayerList(std::string_view list) = 0;
  // Enables or disables Finish (the sequence disables it first thing).
  virtual void SetFinishEnabled(bool enabled) = 0;
  // Shows Finish and enables it: the only way on from the page.
  virtual void ShowFinish() = 0;
  // The outcome: the appliance's settings, or the failure text.
  virtual void PostSummary() = 0;
  virtual void PostFailure() = 0;
};

}  // namespace sp
