#include "pages/check/core/connectioncheck.h"

namespace sp {

namespace {

// Sets the bar to each position in turn, one step of `stepMs` after each.
bool Animate(const ConnectionCheckSteps& steps, ICheckSink& sink, int first, int count) {
  for (int p = first; p < first + count; ++p) {
    sink.Progress(p);
    if (!steps.sleep(steps.stepMs)) return false;
  }
  return true;
}

bool Finish(ICheckSink& sink, CheckOutcome result, CheckOutcome* outcome) {
  sink.Finished(result);
  if (outcome) *outcome = result;
  return true;
}

}  // namespace

bool RunConnectionCheck(const ConnectionCheckSteps& steps, ICheckSink& sink, CheckOutcome* outcome) {
  sink.Layers(kCheckRow1List);
  if (!Animate(steps, sink, 0, kCheckFirstSteps)) return false;
  if (!steps.adapterUsable()) {
    sink.Layers(kCheckRow1FailedList);
    return Finish(sink, CheckOutcome::FailedRow1, outcome);
  }
  sink.Layers(kCheckRow2List);
  if (!Animate(steps, sink, kCheckFirstSteps, kCheckSecondSteps)) return false;
  if (!steps.adapterUsable()) {
    sink.Layers(kCheckRow2FailedList);
    return Finish(sink, CheckOutcome::FailedRow2, outcome);
  }
  sink.Layers(kCheckPassedList);
  return Finish(sink, CheckOutcome::Passed, outcome);
}

}  // namespace sp
