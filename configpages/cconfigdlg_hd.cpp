#include "configpages/cconfigdlg_hd.h"

#include "configpages/cconfigdlg_basic.h"
#include "shell/cmaindlg.h"
#include "shell/pagecontrols.h"

namespace sp {

namespace {
constexpr int kTitleText = 130;  // "Network share profile", every sub-step
constexpr char kBackgroundList[] = "cbackground.jpg|0|0|255|0,";
}  // namespace

CConfigDlg_HD::CConfigDlg_HD(CMainDlg& host) : host_(host) { setObjectName(QStringLiteral("134")); }

void CConfigDlg_HD::OnInitDialog() {
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

void CConfigDlg_HD::EnterPage() { ShowSubStep(subStep_); }

void CConfigDlg_HD::ShowSubStep(int k) {
  if (k < 1 || k > 4) return;
  subStep_ = k;
  PlaceLabel(title_, QRect(30, 20, 400, 60), MarkupText(kTitleFormat, kTitleColour, host_.Text(kTitleText).c_str()),
             true);
  surface_.SetList(kBackgroundList);
}

void CConfigDlg_HD::OnBack() {
  if (subStep_ == 1) {
    host_.ConfigPage()->EnterPage();
    host_.ShowPage(kPageConfig);
    return;
  }
  ShowSubStep(subStep_ - 1);
}

void CConfigDlg_HD::OnCancel() { host_.PostQuit(-1); }

}  // namespace sp
