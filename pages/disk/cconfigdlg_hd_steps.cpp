// The disk profile page's sub-steps: which controls each one shows, its
// texts and where they go.
#include <QLabel>

#include "base/text.h"
#include "framework/pagecontrols.h"
#include "pages/disk/cconfigdlg_hd.h"
#include "pages/disk/core/driveletterlists.h"
#include "uikit/cbitcombobox.h"
#include "uikit/cmyslidercontrol.h"
#include "uikit/ctransradio.h"

namespace sp {

namespace {

constexpr int kTitleText = 130;  // "Network share profile", every sub-step
constexpr char kBackgroundList[] = "cbackground.jpg|0|0|255|0,";
constexpr char kWhite[] = "white";
constexpr char kNoteColour[] = "DarkOrange";
constexpr char kRatioFormat[] = "NAS:%d%% - iSCSI:%d%%";

// String ids of the sub-steps' texts.
constexpr int kIdsSelectProfile = 135;
constexpr int kIdsSelectType = 136;
constexpr int kIdsSetRatio = 137;
constexpr int kIdsNasLetter = 146;
constexpr int kIdsNasVolume = 147;
constexpr int kIdsIscsiLetter = 148;
constexpr int kIdsIscsiVolume = 149;
constexpr int kIdsServiceDescriptions[3] = {150, 151, 152};
constexpr int kIdsLevelStandard = 153;
constexpr int kIdsLevelMirror = 154;
constexpr int kIdsRatioNormal = 156;
constexpr int kIdsRatioRaid1 = 157;
constexpr int kIdsAdvancedNote = 158;
constexpr int kIdsPressNext = 159;
constexpr int kIdsNoDisk = 160;

constexpr QRect kTitleRect(30, 20, 400, 60);
constexpr ServiceType kServices[3] = {ServiceType::Both, ServiceType::NasOnly, ServiceType::IscsiOnly};
constexpr int kServiceCaptionY[3] = {170, 201, 231};

QRect At(int x, int y, int w = 500, int h = 30) { return QRect(x, y, w, h); }

}  // namespace

void CConfigDlg_HD::Heading(int i, const QRect& rect, int textId) {
  Markup(i, rect, Format(kBoldTextFormat, kTextSize, kWhite, Text(textId).c_str()));
}

void CConfigDlg_HD::Caption(int i, const QRect& rect, int textId) {
  Markup(i, rect, Format(kTextFormat, kTextSize, kWhite, Text(textId).c_str()));
}

void CConfigDlg_HD::Note(int i, const QRect& rect, int textId) {
  Markup(i, rect, Format(kTextFormat, kTextSize, kNoteColour, Text(textId).c_str()));
}

void CConfigDlg_HD::Markup(int i, const QRect& rect, const std::string& markup) {
  PlaceLabel(TextLabel(i), rect, Utf8ToUtf16(markup), true);
}

void CConfigDlg_HD::HideTexts() {
  for (CHTMLStatic* label : texts_) PlaceLabel(label, label->geometry(), {}, false);
}

void CConfigDlg_HD::HideStepControls() {
  for (const DiskStepRow& row : kDiskStepControls) {
    for (int id : row) {
      if (QWidget* control = id ? Control(this, id) : nullptr) control->hide();
    }
  }
}

void CConfigDlg_HD::ShowSubStep(int k) {
  if (k < 1 || k > kSubStepCount) return;
  subStep_ = k;
  HideStepControls();
  for (int id : kDiskStepControls[static_cast<std::size_t>(k - 1)]) {
    if (QWidget* control = id ? Control(this, id) : nullptr) control->show();
  }
  advanced_->setVisible(k == 1);
  advanced_->setEnabled(k == 1);
  PlaceLabel(title_, kTitleRect, MarkupText(kTitleFormat, kTitleColour, Text(kTitleText).c_str()), true);
  HideTexts();
  switch (k) {
    case 1:
      inventory_.diskCount > 0 ? ShowServiceStep() : ShowNoDiskStep();
      break;
    case 2:
      ShowLevelStep();
      break;
    case 3:
      ShowRatioStep();
      break;
    case 4:
      ShowSummaryStep();
      break;
    default:
      break;
  }
  FocusFirstInRow();
  surface_.SetList(kBackgroundList);
}

void CConfigDlg_HD::FocusFirstInRow() {
  if (subStep_ < 1 || subStep_ > kSubStepCount) return;
  const int first = kDiskStepControls[static_cast<std::size_t>(subStep_ - 1)][0];
  if (QWidget* control = first ? Control(this, first) : nullptr; control && !control->isHidden()) {
    control->setFocus(Qt::OtherFocusReason);
  }
}

void CConfigDlg_HD::ShowServiceStep() {
  Heading(0, At(45, 142), kIdsSelectProfile);
  for (int i = 0; i < 3; ++i) {
    Caption(1 + i, At(98, kServiceCaptionY[i], 400), ServiceCaptionId(kServices[i]));
    Note(4 + i, At(45, 260, 500, 150), kIdsServiceDescriptions[i]);
  }
  // The first description, whatever is ticked, until a radio is clicked.
  ShowServiceDescription(0);
  Note(7, At(45, 300, 450, 100), kIdsAdvancedNote);
  next_->setEnabled(true);
  cancel_->show();
  cancel_->setEnabled(true);
  finish_->hide();
  finish_->setEnabled(false);
}

void CConfigDlg_HD::ShowNoDiskStep() {
  for (CTransRadio* radio : serviceRadios_) radio->hide();
  Heading(0, At(45, 200, 400, 100), kIdsNoDisk);
  Note(7, At(45, 300, 450, 100), kIdsAdvancedNote);
  next_->setEnabled(false);
  cancel_->hide();
  cancel_->setEnabled(false);
  finish_->show();
  finish_->setEnabled(true);
}

void CConfigDlg_HD::ShowServiceDescription(int index) {
  for (int i = 0; i < 3; ++i) TextLabel(4 + i)->setVisible(i == index);
}

void CConfigDlg_HD::ShowLevelStep() {
  Heading(0, At(45, 140), kIdsSelectType);
  const ServiceType service = TickedService();
  Caption(1, At(98, 170, 400), DiskLevelCaptionId(DiskLevel::Normal, inventory_.diskCount, service));
  if (inventory_.diskCount >= 2) {
    Caption(2, At(98, 201, 400), DiskLevelCaptionId(DiskLevel::Raid1, inventory_.diskCount, service));
  } else {
    levelRadios_[1]->hide();
  }
  Caption(4, At(45, 240, 500, 100), kIdsLevelStandard);
  Note(5, At(45, 240, 500, 100), kIdsLevelMirror);
  ShowLevelDescription(0);
}

void CConfigDlg_HD::ShowLevelDescription(int index) {
  TextLabel(4)->setVisible(index == 0);
  TextLabel(5)->setVisible(index == 1);
}

void CConfigDlg_HD::SetRatioLabel(int nasPercent) {
  ratio_->setText(QString::fromStdString(Format(kRatioFormat, nasPercent, 100 - nasPercent)));
}

void CConfigDlg_HD::FillLetterLists() {
  nasLetters_->clear();
  iscsiLetters_->clear();
  if (!services_.driveLetters || !services_.netConnections) return;
  for (const std::string& entry : FreeDriveLetterEntries(*services_.driveLetters, *services_.netConnections)) {
    nasLetters_->addItem(QString::fromStdString(entry));
    iscsiLetters_->addItem(QString::fromStdString(entry));
  }
}

void CConfigDlg_HD::ShowRatioStep() {
  FillLetterLists();
  const ServiceType service = TickedService();
  switch (service) {
    case ServiceType::Both:
      Heading(0, At(45, 140), kIdsSetRatio);
      Note(1, At(45, 245, 450, 100), TickedLevel() == DiskLevel::Raid1 ? kIdsRatioRaid1 : kIdsRatioNormal);
      Caption(2, At(45, 325, 305), kIdsNasLetter);
      nasLetters_->move(350, 330);
      Caption(3, At(45, 365, 305), kIdsIscsiLetter);
      iscsiLetters_->move(350, 370);
      break;
    case ServiceType::NasOnly:
      slider_->hide();
      ratio_->hide();
      iscsiLetters_->hide();
      Heading(0, At(45, 140), kIdsNasLetter);
      Caption(2, At(45, 180, 105), kIdsNasVolume);
      nasLetters_->move(150, 185);
      break;
    case ServiceType::IscsiOnly:
      slider_->hide();
      ratio_->hide();
      nasLetters_->hide();
      Heading(0, At(45, 140), kIdsIscsiLetter);
      Caption(3, At(45, 180, 105), kIdsIscsiVolume);
      iscsiLetters_->move(150, 185);
      break;
  }
  const LetterSelection selection =
      InitialLetterSelection(service, nasLetters_->count(), keptNasIndex_, keptIscsiIndex_);
  nasLetters_->setCurrentIndex(selection.nas);
  iscsiLetters_->setCurrentIndex(selection.iscsi);
}

void CConfigDlg_HD::ShowSummaryStep() {
  Markup(0, At(45, 140), DiskSummaryLine(inventory_.first));
  if (inventory_.diskCount >= 2) Markup(1, At(45, 220), DiskSummaryLine(inventory_.second));
  const DiskProfile profile = CurrentProfile();
  const int rowY[4] = {170, 200, 250, 280};
  for (int r = 0; r < 4; ++r) {
    const auto& line = profile.rows[static_cast<std::size_t>(r)];
    if (line) Markup(2 + r, At(60, rowY[r]), line->Markup());
  }
  Heading(6, At(45, 345), kIdsPressNext);
  ApplyProfileSummary(profile, host_.State());
}

}  // namespace sp
