#pragma once
// The connection check page (131): before the user installs the appliance,
// a worker tests twice, behind an animated progress bar, that the PC has a
// network adapter from which the wizard can reach the local network. Next
// becomes available only when both tests pass; on failure the page lists
// what the user should verify.
//
// The worker never touches a widget: it posts its steps (layer lists,
// progress, outcome) to the page, each stamped with the number of the check
// it belongs to. Back and Cancel stop the worker at once; steps of an
// abandoned check that are still queued are dropped, so an abandoned check
// changes nothing on the page afterwards.
//
// The check starts whenever the wizard comes here: before the page is shown
// when it comes from the welcome page, after it is shown when the install
// guide goes back.
#include <QProgressBar>
#include <array>
#include <atomic>

#include "framework/core/iwizardhost.h"
#include "framework/core/stoppableworker.h"
#include "framework/tstackedpage.h"
#include "pages/check/core/connectioncheck.h"
#include "uikit/choverbuttonex.h"
#include "uikit/chtmlstatic.h"
#include "uikit/clayersurface.h"

namespace sp {

class IDeviceLink;

// What the check page works with besides its host.
struct CheckPageServices {
  // The adapter test (a device link whose waits only sleep: it runs on the
  // page's worker). Null: no adapter is usable.
  IDeviceLink* adapterLink = nullptr;
  // One step of the progress bar's animation.
  int stepMs = kCheckStepMs;
};

class CCheckDlg : public TStackedPage {
  Q_OBJECT

 public:
  static constexpr int kBackId = 1007;
  static constexpr int kNextId = 1008;
  static constexpr int kCancelId = 1015;
  static constexpr int kProgressId = 1010;

  CCheckDlg(IWizardHost& host, CheckPageServices services);
  ~CCheckDlg() override;

  void OnInitDialog() override;
  void OnPageDestroying() override;
  void OnEnterPage(int fromPageId) override;
  void OnPageShown() override;
  CLayerSurface* PageSurface() override { return &surface_; }

  // Resets the page and starts a fresh check.
  void StartCheck();
  // Stops the checking worker; when this returns it has ended.
  void StopCheck();

  // Handlers of the buttons.
  void OnBack();
  void OnNext();
  void OnCancel();

  CHoverButtonEx* BackButton() const { return back_; }
  CHoverButtonEx* NextButton() const { return next_; }
  CHoverButtonEx* CancelButton() const { return cancel_; }
  QProgressBar* ProgressBar() const { return progress_; }
  // The label of control `id` (1052..1056, 1116..1120).
  CHTMLStatic* Label(int id) const;
  // Checks started so far.
  unsigned CheckNumber() const { return generation_; }

 protected:
  bool event(QEvent* event) override;

 private:
  class Sink;
  void LayOutLabels(bool failed);
  void ApplyOutcome(CheckOutcome outcome);

  IWizardHost& host_;
  const CheckPageServices services_;
  bool checkWhenShown_ = false;
  CLayerSurface surface_{SurfaceKind::Check};
  StoppableWorker worker_;
  std::atomic<unsigned> generation_{0};
  CHoverButtonEx* back_ = nullptr;
  CHoverButtonEx* next_ = nullptr;
  CHoverButtonEx* cancel_ = nullptr;
  QProgressBar* progress_ = nullptr;
};

}  // namespace sp
