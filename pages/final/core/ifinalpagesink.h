#pragma once
// What the final setup sequence shows, as the final page takes it from the
// worker thread. The page's implementation posts events to itself (it never
// touches a widget from the worker); tests record the calls.
#include <string_view>

#include "pages/final/core/iscsiattach.h"

namespace sp {

// What the appliance did while it should have been formatting.
enum class ApplianceTrouble {
  kNone,
  kStoppedAnswering,  // it fell silent, or never reported (or finished) progress in time
  kRestarted,         // its progress fell back: the format was cut off
};

// How the run ended, for the page to show.
struct FinalReport {
  bool summary = false;  // the appliance's settings; else the failure text
  ApplianceTrouble appliance = ApplianceTrouble::kNone;
  bool formatted = false;   // the appliance reported its format done; the PC's steps ran
  bool iscsiAsked = false;  // the profile has an iSCSI volume and the attach ran
  AttachOutcome iscsi;      // its outcome, when asked
  bool nasAsked = false;    // the profile has a NAS volume and the mapping ran
  bool nasMapped = false;
};

// Whether the run ended with a step on the PC failed (the iSCSI volume not
// attached or prepared, the share not mapped) after the appliance had
// formatted: those steps can be tried again without formatting again.
bool PcStepsFailed(const FinalReport& report);

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
  // Whether the page says it is waiting for the appliance's first progress
  // report.
  virtual void SetWaitingForAppliance(bool waiting) = 0;
  // The outcome: the appliance's settings, or the failure text.
  virtual void PostOutcome(const FinalReport& report) = 0;
};

}  // namespace sp
