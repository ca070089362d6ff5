#include "configpages/cconfigdlg_basic.h"

#include "shell/cinstalldlg.h"
#include "shell/cmaindlg.h"
#include "shell/pagecontrols.h"

namespace sp {

namespace {
// Title text of each sub-step: select device, login, password, time zone,
// date and time, network.
constexpr int kSubStepTitles[CConfigDlg_Basic::kSubStepCount] = {293, 117, 275, 229, 229, 118};
constexpr char kBackgroundList[] = "cbackground.jpg|0|0|255|0,";
}  // namespace

void CConfigDlg_Basic::TimeStepMemory::Reset() {
  listIndex.fill(0);
  listIndex[0] = 4;  // the time zone list
  timeServerIndex = 0;
  useTimeServer = true;
}

CConfigDlg_Basic::CConfigDlg_Basic(CMainDlg& host) : host_(host) {
  setObjectName(QStringLiteral("133"));
  timeMemory_.Reset();
}

void CConfigDlg_Basic::OnInitDialog() {
  const std::string& folder = host_.ImageFolder();
  back_ = MakeImageButton(this, kBackId, kBackButtonRect, QStringLiteral("Back"), folder, "btn-back.png");
  next_ = MakeImageButton(this, kNextId, kNextButtonRect, QStringLiteral("Next"), folder, "btn-next.png");
  cancel_ = MakeImageButton(this, kCancelId, kCancelButtonRect, QStringLiteral("Cancel"), folder, "btn-cancel.png");
  title_ = MakeLabel(this, kTitleId);
  setGeometry(0, 0, kPageWidth, kPageHeight);
  surface_.Create(this);
  surface_.SetImageFolder(folder);
  // The sub-steps' actions are not there yet.
  next_->setEnabled(false);

  connect(back_, &QPushButton::clicked, this, [this] { OnBack(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { OnCancel(); });
  setTabOrder(back_, next_);
  setTabOrder(next_, cancel_);
}

void CConfigDlg_Basic::PositionControls() {
  back_->move(kBackButtonRect.topLeft());
  next_->move(kNextButtonRect.topLeft());
  cancel_->move(kCancelButtonRect.topLeft());
}

void CConfigDlg_Basic::EnterPage() {
  PositionControls();
  timeMemory_.Reset();
  ShowSubStep(subStep_);
}

void CConfigDlg_Basic::ShowSubStep(int k) {
  if (k < 0 || k >= kSubStepCount) return;
  subStep_ = k;
  surface_.SetList(kBackgroundList);
  PlaceLabel(title_, QRect(30, 20, 400, 60),
             MarkupText(kTitleFormat, kTitleColour, host_.Text(kSubStepTitles[k]).c_str()), true);
}

void CConfigDlg_Basic::OnBack() {
  if (subStep_ == 0) {
    host_.ShowPage(kPageInstall);
    host_.InstallPage()->EnterStep(kInstallStepCount - 1);
    return;
  }
  ShowSubStep(subStep_ - 1);
}

void CConfigDlg_Basic::OnCancel() { host_.PostQuit(-1); }

}  // namespace sp
