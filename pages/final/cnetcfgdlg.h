#pragma once
// The final page (135): carries out what the user chose. Its worker thread
// runs the final setup sequence (finalsequence.h): the appliance formats its
// disks while the page shows a progress bar and two check rows, then the PC
// attaches the iSCSI volume, maps the shared folder and opens the new drive;
// the page ends with a summary of the appliance's settings or the failure
// text. Finish, shown when the sequence is done, ends the wizard; pressed
// at any time it stops the worker at once first.
//
// The page also holds the wizard state record that every page reaches
// through its host (its blocks cleared when the page is made).
//
// Threads: the worker never touches a widget. It posts progress, Finish
// and outcome events to the page and replaces the layer list under the
// surface's lock (which posts the compose event). Once Finish was pressed
// the page ignores whatever is still on its way.
#include <QEvent>
#include <QProgressBar>
#include <array>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "framework/core/iwizardhost.h"
#include "framework/tstackedpage.h"
#include "pages/final/core/finalsetuprun.h"
#include "pages/final/core/ifinalpagesink.h"
#include "uikit/choverbuttonex.h"
#include "uikit/chtmlstatic.h"
#include "uikit/clayersurface.h"
#include "uikit/wmevents.h"
#include "wizardstate/wizardstate.h"

namespace sp {

// What the final page's setup sequence works with (the parts of the final
// setup). Without any of the first five the page goes straight to the
// failure text.
struct FinalPageServices : FinalSetupParts {
  // Told on the UI thread when a run ends with the summary; empty: nobody.
  std::function<void(const WizardState&)> setUpDone;
};

class CNetcfgDlg : public TStackedPage {
  Q_OBJECT

 public:
  static constexpr int kBackId = 1037;
  static constexpr int kFinishId = 1038;
  static constexpr int kProgressId = 1041;
  static constexpr int kTitleId = 1100;
  static constexpr int kFirstStatusId = 1101;
  // The eleven labels: title, three status lines, seven summary rows.
  static constexpr std::array<int, 11> kLabelIds = {1100, 1101, 1102, 1103, 1110, 1111, 1112, 1113, 1114, 1115, 1119};

  // The worker's own messages besides compose (+107), summary (+108) and
  // failure (+110): the bar position and Finish's state.
  static constexpr QEvent::Type kProgressEvent = wm::UserEvent(320);
  static constexpr QEvent::Type kFinishEnableEvent = wm::UserEvent(321);
  static constexpr QEvent::Type kFinishShowEvent = wm::UserEvent(322);
  static constexpr QEvent::Type kWaitingEvent = wm::UserEvent(323);
  static constexpr QEvent::Type kOutcomeEvent = wm::UserEvent(324);
  // The working layout's line that says the page waits for the appliance.
  static constexpr int kWaitingLabelId = 1110;
  // The line under the outcome that opens this run's setup report.
  static constexpr int kReportLinkId = 1120;

  enum class Layout { Working, Summary, Failure };

  CNetcfgDlg(IWizardHost& host, FinalPageServices services);
  ~CNetcfgDlg() override;

  void OnInitDialog() override;
  void OnPageDestroying() override { StopWorker(); }
  // Coming here (the disk profile page hands over) starts the setup.
  void OnEnterPage(int /*fromPageId*/) override { Start(); }
  CLayerSurface* PageSurface() override { return &surface_; }

  // The record every page writes on the way here.
  WizardState& State() { return state_; }

  // Starts the final setup (before the page is shown): progress bar placed and shown, background composed, the
  // worker started. Runs once per wizard; later calls do nothing. Without
  // the services the sequence needs, the page goes straight to the failure
  // text with Finish.
  void Start();

  // Finish: stops the worker (synchronous, immediate while it waits) and
  // ends the wizard with -1.
  void OnFinish();

  // Try again (in the Back slot, shown when a step on the PC failed after
  // the appliance formatted): the PC's steps once more, no second format.
  void OnTryAgain();

  bool WorkerRunning() const { return worker_.joinable() && !workerDone_.load(); }
  Layout CurrentLayout() const { return layout_; }
  // How the run ended (what the summary or failure layout shows).
  const FinalReport& Report() const { return report_; }
  CHoverButtonEx* FinishButton() const { return finish_; }
  CHoverButtonEx* BackButton() const { return back_; }
  QProgressBar* ProgressBar() const { return progress_; }
  CHTMLStatic* Label(int id) const;
  CHTMLStatic* ReportLink() const { return reportLink_; }

 protected:
  void customEvent(QEvent* event) override;

 private:
  class WorkerSink;

  void LayOut(Layout layout);
  void LayOutWorking();
  void LayOutSummary();
  void LayOutFailure();
  void ShowWaiting(bool waiting);
  // The outcome's link to the setup report, when there is one.
  void ShowReportLink();
  // The short reason of an attach that failed, for the summary and the
  // failure text.
  std::string AttachReason(AttachFailure why) const;
  // The failure layout's line under the failure text: what the appliance
  // did, else what did work, else why the iSCSI volume is missing.
  std::string FailureDetail() const;
  void StyleProgressBar();
  // The whole sequence, or (with `previous`) the PC's steps again.
  void RunSequence(std::stop_token stop, std::optional<FinalReport> previous);
  void StartWorker(std::optional<FinalReport> previous);
  void StopWorker();

  IWizardHost& host_;
  const FinalPageServices services_;
  WizardState state_{};
  CLayerSurface surface_{SurfaceKind::Final};
  CHoverButtonEx* back_ = nullptr;
  CHoverButtonEx* finish_ = nullptr;
  QProgressBar* progress_ = nullptr;
  CHTMLStatic* reportLink_ = nullptr;
  Layout layout_ = Layout::Working;
  FinalReport report_;
  bool started_ = false;
  bool stopped_ = false;  // UI thread: Finish was pressed, ignore the worker's events
  std::atomic<bool> workerDone_{false};
  std::jthread worker_;  // last: stopped before anything it uses goes
};

}  // namespace sp
