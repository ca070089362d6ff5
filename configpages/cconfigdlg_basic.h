#pragma once
// The device configuration page (133): choosing the appliance, logging in,
// the administrator password, the clock and the network identity, as six
// sub-steps.
//
// NOT COMPLETE: this is the page's frame as the main window needs it -
// geometry, background surface, title, Back (to the install guide's last
// step), Cancel and the page entry. The sub-steps' controls and actions
// (discovery, login, password, time, network) are still to be written;
// until then Next stays disabled.
#include <array>

#include "shell/tstackedpage.h"
#include "uikit/chtmlstatic.h"
#include "uikit/choverbuttonex.h"
#include "uikit/clayersurface.h"

namespace sp {

class CMainDlg;

class CConfigDlg_Basic : public TStackedPage {
  Q_OBJECT

 public:
  static constexpr int kBackId = 1069;
  static constexpr int kNextId = 1070;
  static constexpr int kCancelId = 1071;
  static constexpr int kTitleId = 1100;
  static constexpr int kSubStepCount = 6;

  // Selections the two time sub-steps restore when shown again.
  struct TimeStepMemory {
    std::array<int, 10> listIndex{};
    int timeServerIndex = 0;
    bool useTimeServer = true;
    // Time zone index 4, every other index 0, time server on.
    void Reset();
  };

  explicit CConfigDlg_Basic(CMainDlg& host);

  void OnInitDialog() override;
  CLayerSurface* PageSurface() override { return &surface_; }

  // Entering the page (the install guide's Next on its last step, the disk
  // profile page's Back on its first): positions the controls, resets the
  // time-step memory and shows the current sub-step, which entering does not
  // change.
  void EnterPage();
  // Shows sub-step `k` (0..5): its background, title and controls.
  void ShowSubStep(int k);

  int CurrentSubStep() const { return subStep_; }
  const TimeStepMemory& TimeMemory() const { return timeMemory_; }

  void OnBack();
  void OnCancel();

  CHoverButtonEx* BackButton() const { return back_; }
  CHoverButtonEx* NextButton() const { return next_; }
  CHoverButtonEx* CancelButton() const { return cancel_; }

 private:
  void PositionControls();

  CMainDlg& host_;
  CLayerSurface surface_{SurfaceKind::Config};
  int subStep_ = 0;
  TimeStepMemory timeMemory_;
  CHoverButtonEx* back_ = nullptr;
  CHoverButtonEx* next_ = nullptr;
  CHoverButtonEx* cancel_ = nullptr;
  CHTMLStatic* title_ = nullptr;
};

}  // namespace sp
