#pragma once
// The disk profile page (134): which services the disks serve, the
// protection level, the capacity split and the drive letters, as four
// sub-steps, then the start of the final setup.
//
// NOT COMPLETE: this is the page's frame as the main window needs it -
// geometry, background surface, title, Back (to the device configuration
// page), Cancel and the page entry. The disk query, the sub-steps' controls
// and the hand-over to the final page are still to be written; until then
// Next stays disabled.
#include "shell/tstackedpage.h"
#include "uikit/clayersurface.h"

namespace sp {

class CMainDlg;
class CHTMLStatic;
class CHoverButtonEx;

class CConfigDlg_HD : public TStackedPage {
  Q_OBJECT

 public:
  static constexpr int kBackId = 1013;
  static constexpr int kNextId = 1016;
  static constexpr int kCancelId = 1009;
  static constexpr int kTitleId = 1100;

  explicit CConfigDlg_HD(CMainDlg& host);

  void OnInitDialog() override;
  CLayerSurface* PageSurface() override { return &surface_; }

  // Entering the page (the device configuration page's Next on its last
  // sub-step): shows the current sub-step, which entering does not change.
  void EnterPage();
  // Shows sub-step `k` (1..4).
  void ShowSubStep(int k);
  int CurrentSubStep() const { return subStep_; }

  void OnBack();
  void OnCancel();

  CHoverButtonEx* BackButton() const { return back_; }
  CHoverButtonEx* NextButton() const { return next_; }
  CHoverButtonEx* CancelButton() const { return cancel_; }

 private:
  CMainDlg& host_;
  CLayerSurface surface_{SurfaceKind::Disk};
  int subStep_ = 1;
  CHoverButtonEx* back_ = nullptr;
  CHoverButtonEx* next_ = nullptr;
  CHoverButtonEx* cancel_ = nullptr;
  CHTMLStatic* title_ = nullptr;
};

}  // namespace sp
