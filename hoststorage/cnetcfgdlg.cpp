#include "hoststorage/cnetcfgdlg.h"

#include "shell/cmaindlg.h"
#include "shell/pagecontrols.h"

namespace sp {

namespace {
constexpr char kBackgroundList[] = "cbackground.jpg|0|0|255|0,";
}

CNetcfgDlg::CNetcfgDlg(CMainDlg& host) : host_(host) {
  setObjectName(QStringLiteral("135"));
  state_.Clear();
}

void CNetcfgDlg::OnInitDialog() {
  const std::string& folder = host_.ImageFolder();
  back_ = MakeImageButton(this, kBackId, kNextButtonRect, QStringLiteral("Back"), folder, "btn-back.png");
  finish_ = MakeImageButton(this, kFinishId, kCancelButtonRect, QStringLiteral("Finish"), folder, "btn-cancel.png");
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QString::number(kProgressId));
  progress_->setRange(0, 100);
  progress_->setTextVisible(false);
  MakeLabel(this, kTitleId);
  for (int i = 0; i < 3; ++i) MakeLabel(this, kFirstStatusId + i);

  back_->hide();
  finish_->hide();
  progress_->hide();
  setGeometry(0, 0, kPageWidth, kPageHeight);
  finish_->setEnabled(false);
  state_.ClearSummaryBlocks();
  surface_.Create(this);
  surface_.SetImageFolder(folder);
  LayOutWorking();

  connect(finish_, &QPushButton::clicked, this, [this] { OnFinish(); });
}

void CNetcfgDlg::LayOutWorking() {
  PlaceLabel(Control<CHTMLStatic>(this, kTitleId), QRect(30, 20, 400, 60),
             MarkupText(kTitleFormat, kTitleColour, host_.Text(180).c_str()), true);
  const struct {
    int text;
    QRect rect;
  } rows[] = {{181, QRect(35, 58, 500, 50)}, {182, QRect(100, 102, 500, 30)}, {183, QRect(100, 132, 300, 30)}};
  for (int i = 0; i < 3; ++i) {
    PlaceLabel(Control<CHTMLStatic>(this, kFirstStatusId + i), rows[i].rect,
               MarkupText(kTextFormat, kTextSize, "white", host_.Text(rows[i].text).c_str()), true);
  }
}

void CNetcfgDlg::Start() {
  progress_->setGeometry(70, 177, 300, 20);
  progress_->show();
  surface_.SetList(kBackgroundList);
}

void CNetcfgDlg::OnFinish() { host_.PostQuit(-1); }

}  // namespace sp
