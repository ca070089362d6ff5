#include "pages/install/cinstalldlg.h"

#include <QCoreApplication>

#include "devicelink/pumpuievents.h"
#include "framework/core/pageids.h"
#include "framework/pagecontrols.h"

namespace sp {

CInstallDlg::CInstallDlg(IWizardHost& host, InstallPageServices services) : host_(host), services_(services) {
  setObjectName(QStringLiteral("132"));
}

CInstallDlg::~CInstallDlg() { StopAnimation(); }

void CInstallDlg::OnInitDialog() {
  const std::string& folder = host_.ImageFolder();
  back_ = MakeImageButton(this, kBackId, kBackButtonRect, QStringLiteral("Back"), folder, "btn-back.png");
  next_ = MakeImageButton(this, kNextId, kNextButtonRect, QStringLiteral("Next"), folder, "btn-next.png");
  cancel_ = MakeImageButton(this, kCancelId, kCancelButtonRect, QStringLiteral("Cancel"), folder, "btn-cancel.png");
  caption_ = MakeLabel(this, kCaptionId);
  back_->hide();
  next_->hide();
  cancel_->hide();

  setGeometry(0, 0, kPageWidth, kPageHeight);
  surface_.Create(this);
  surface_.SetImageFolder(folder);
  // The composed background never covers the buttons.
  surface_.SetExcludedWidgets({back_, next_, cancel_});
  caption_->show();
  back_->show();
  next_->show();
  cancel_->show();

  connect(back_, &QPushButton::clicked, this, [this] { OnBack(); });
  connect(next_, &QPushButton::clicked, this, [this] { OnNext(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { OnCancel(); });
  setTabOrder(back_, next_);
  setTabOrder(next_, cancel_);
}

void CInstallDlg::OnPageDestroying() { StopAnimation(); }

void CInstallDlg::OnEnterPage(int fromPageId) {
  // Going back from the device settings shows the page first, then its
  // last step.
  lastStepWhenShown_ = fromPageId == kPageConfig;
  if (!lastStepWhenShown_) EnterStep(0);
}

void CInstallDlg::OnPageShown() {
  if (!lastStepWhenShown_) return;
  lastStepWhenShown_ = false;
  EnterStep(kInstallStepCount - 1);
}

void CInstallDlg::SetCaption() {
  PlaceLabel(caption_, QRect(30, 20, 400, 60),
             MarkupText(kTitleFormat, kTitleColour, host_.Text(kInstallCaptionBase + step_).c_str()), true);
}

void CInstallDlg::StartAnimation() {
  const InstallFrames frames = frames_;  // the worker's own copy
  const int frameMs = services_.frameMs;
  CLayerSurface* surface = &surface_;
  // Without a worker the page keeps its plain background and works on.
  worker_.Start([frames, frameMs, surface](StoppableWorker& w) {
    RunInstallAnimation(
        frames, frameMs, [surface](const std::string& frame) { surface->SetList(frame); },
        [&w](int ms) { return w.Sleep(ms); });
  });
}

void CInstallDlg::EnterStep(int step) {
  StopAnimation();
  step_ = step;
  surface_.ReplaceList(kInstallBackground);
  surface_.Compose();
  BuildInstallFrames(step_, frames_);
  SetCaption();
  StartAnimation();
}

void CInstallDlg::EnableButtons(bool on) {
  back_->setEnabled(on);
  next_->setEnabled(on);
  cancel_->setEnabled(on);
}

void CInstallDlg::OnBack() {
  StopAnimation();
  if (step_ > 0) {
    --step_;
    BuildInstallFrames(step_, frames_);
    SetCaption();
    StartAnimation();
    return;
  }
  host_.ShowPage(kPageCheck);
}

void CInstallDlg::OnNext() {
  EnableButtons(false);
  if (step_ >= kInstallStepCount - 1) {
    StopAnimation();
    host_.ShowPage(kPageConfig);
  } else {
    // A pause before the next step, with the window kept painted.
    PumpUiEvents(services_.nextHoldMs, [] { QCoreApplication::processEvents(); });
    StopAnimation();
    ++step_;
    BuildInstallFrames(step_, frames_);
    SetCaption();
    StartAnimation();
  }
  EnableButtons(true);
}

void CInstallDlg::OnCancel() {
  StopAnimation();
  host_.PostQuit(-1);
}

}  // namespace sp
