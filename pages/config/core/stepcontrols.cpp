#include "pages/config/core/stepcontrols.h"

namespace sp {

namespace {
bool InRange(int step) { return step >= 0 && step < kConfigStepCount; }
}  // namespace

int NextFocusControl(int step, int focusedId) {
  if (!InRange(step) || focusedId == 0) return 0;
  const StepControlRow& row = kStepControls[step];
  for (int i = 0; i < kStepControlColumns; ++i) {
    if (row[i] != focusedId) continue;
    const int next = i + 1 < kStepControlColumns ? row[i + 1] : 0;
    return next != 0 ? next : row[0];
  }
  return 0;
}

int FirstStepControl(int step) { return InRange(step) ? kStepControls[step][0] : 0; }

bool IsStepControl(int id) {
  if (id == 0) return false;
  for (const StepControlRow& row : kStepControls)
    for (int c : row)
      if (c == id) return true;
  return false;
}

}  // namespace sp
