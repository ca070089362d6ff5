#pragma once
// The final page (135): carries out what the user chose - the appliance
// formats its disks while the PC attaches the iSCSI volume and maps the
// shared folder - and ends with a summary or a failure text. It holds the
// wizard state record that every page reaches through the main window.
//
// NOT COMPLETE: this is the page's frame as the main window needs it -
// geometry, background surface, the working layout, Finish (ending the
// wizard) and the state record, cleared when the page is made. Start() lays
// the page out for the sequence; the setup sequence itself (its worker,
// progress, summary and failure layouts) is still to be written.
#include <QProgressBar>

#include "shell/tstackedpage.h"
#include "shell/wizardstate.h"
#include "uikit/chtmlstatic.h"
#include "uikit/choverbuttonex.h"
#include "uikit/clayersurface.h"

namespace sp {

class CMainDlg;

class CNetcfgDlg : public TStackedPage {
  Q_OBJECT

 public:
  static constexpr int kBackId = 1037;
  static constexpr int kFinishId = 1038;
  static constexpr int kProgressId = 1041;
  static constexpr int kTitleId = 1100;
  static constexpr int kFirstStatusId = 1101;

  explicit CNetcfgDlg(CMainDlg& host);

  void OnInitDialog() override;
  CLayerSurface* PageSurface() override { return &surface_; }

  // The record every page writes on the way here.
  WizardState& State() { return state_; }

  // Starts the final setup (the disk profile page, before it shows this
  // page): progress bar placed and shown, background composed.
  void Start();

  void OnFinish();

  CHoverButtonEx* FinishButton() const { return finish_; }
  QProgressBar* ProgressBar() const { return progress_; }

 private:
  void LayOutWorking();

  CMainDlg& host_;
  WizardState state_{};
  CLayerSurface surface_{SurfaceKind::Final};
  CHoverButtonEx* back_ = nullptr;
  CHoverButtonEx* finish_ = nullptr;
  QProgressBar* progress_ = nullptr;
};

}  // namespace sp
