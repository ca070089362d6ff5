#pragma once
// The install guide page (132): three animated steps showing how to put the
// disks into the appliance, cable it and power it on. A worker swaps whole
// frames (layer lists) into the page's surface every 700 ms and posts the
// compose event; Back and Next move between the steps.
//
// Coming from the check page the guide starts at its first step before the
// page is shown; coming back from the device settings page it shows first,
// then restarts its last step.
#include "framework/core/iwizardhost.h"
#include "framework/core/stoppableworker.h"
#include "framework/tstackedpage.h"
#include "pages/install/core/installframes.h"
#include "uikit/choverbuttonex.h"
#include "uikit/chtmlstatic.h"
#include "uikit/clayersurface.h"

namespace sp {

// The install guide's pauses (tests shorten them).
struct InstallPageServices {
  int frameMs = kInstallFrameMs;  // one frame of the animation
  int nextHoldMs = 500;           // the buttons stay disabled on Next
};

class CInstallDlg : public TStackedPage {
  Q_OBJECT

 public:
  static constexpr int kBackId = 1011;
  static constexpr int kNextId = 1012;
  static constexpr int kCancelId = 1014;
  static constexpr int kCaptionId = 1057;

  CInstallDlg(IWizardHost& host, InstallPageServices services);
  ~CInstallDlg() override;

  void OnInitDialog() override;
  void OnPageDestroying() override;
  void OnEnterPage(int fromPageId) override;
  void OnPageShown() override;
  CLayerSurface* PageSurface() override { return &surface_; }

  // Shows `step` (0..2): the plain background at once, then the step's
  // animation from its first frame.
  void EnterStep(int step);

  // Handlers of the buttons.
  void OnBack();
  void OnNext();
  void OnCancel();

  int Step() const { return step_; }
  const InstallFrames& Frames() const { return frames_; }
  bool Animating() const { return worker_.Started(); }
  CHoverButtonEx* BackButton() const { return back_; }
  CHoverButtonEx* NextButton() const { return next_; }
  CHoverButtonEx* CancelButton() const { return cancel_; }
  CHTMLStatic* Caption() const { return caption_; }

 private:
  void SetCaption();
  void StartAnimation();
  void StopAnimation() { worker_.Stop(); }
  void EnableButtons(bool on);

  IWizardHost& host_;
  const InstallPageServices services_;
  bool lastStepWhenShown_ = false;
  InstallFrames frames_;
  CLayerSurface surface_{SurfaceKind::Install};
  int step_ = 0;
  StoppableWorker worker_;
  CHoverButtonEx* back_ = nullptr;
  CHoverButtonEx* next_ = nullptr;
  CHoverButtonEx* cancel_ = nullptr;
  CHTMLStatic* caption_ = nullptr;
};

}  // namespace sp
