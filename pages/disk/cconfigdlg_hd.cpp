#include "pages/disk/cconfigdlg_hd.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <atomic>
#include <thread>

#include "base/text.h"
#include "devicelink/idevicelink.h"
#include "framework/core/imessagebox.h"
#include "framework/core/pageids.h"
#include "framework/pagecontrols.h"
#include "hoststorage/presence/initiatorpresence.h"
#include "pages/disk/core/driveletterlists.h"
#include "pages/disk/core/setuprecord.h"
#include "platform/initiatorservice.h"
#include "uikit/cbitcombobox.h"
#include "uikit/ccolorlist.h"
#include "uikit/cmyslidercontrol.h"
#include "uikit/ctransradio.h"

namespace sp {

namespace {

// Runs `work` on a thread of its own while the window keeps drawing (user
// input waits): the service may be waiting for the person to type a
// password into the desktop's own dialog, for minutes.
template <typename Work>
auto WhileDrawing(Work work) {
  std::atomic<bool> done = false;
  decltype(work()) result{};
  std::thread worker([&] {
    result = work();
    done = true;
  });
  QEventLoop wait;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &wait, [&] {
    if (done) wait.quit();
  });
  poll.start(30);
  if (!done) wait.exec(QEventLoop::ExcludeUserInputEvents);
  worker.join();
  return result;
}

constexpr QRect kAdvancedRect(108, 414, 104, 39);
constexpr QRect kFinishRect(449, 413, 104, 39);
constexpr QRect kDiskListRect(36, 77, 490, 66);
constexpr int kRadioX = 80;
constexpr int kRadioSize = 16;
constexpr int kServiceRadioY[3] = {180, 210, 240};
constexpr int kLevelRadioY[2] = {180, 210};
constexpr QRect kRatioLabelRect(80, 180, 200, 22);
constexpr QRect kSliderRect(80, 210, 200, 25);
constexpr int kRatioMin = 1;
constexpr int kRatioMax = 99;
// Disk list columns: slot, manufacturer, model, serial number, capacity, in
// fiftieths of the list's client width.
constexpr int kColumnTitles[5] = {kIdsColumnSlot, kIdsColumnManufacture, kIdsColumnModel, kIdsColumnSerialNo,
                                  kIdsColumnCapacity};
constexpr int kColumnFiftieths[5] = {4, 10, 13, 15, 8};

}  // namespace

CConfigDlg_HD::CConfigDlg_HD(IWizardHost& host, DiskPageServices services)
    : host_(host), services_(std::move(services)) {
  setObjectName(QStringLiteral("134"));
}

void CConfigDlg_HD::OnInitDialog() {
  setGeometry(0, 0, kPageWidth, kPageHeight);
  MakeControls();
  surface_.Create(this);
  surface_.SetImageFolder(host_.ImageFolder());
  ConnectControls();
  // Enter and Tab move through the shown row, wherever the focus is.
  installEventFilter(this);
  for (QObject* child : children()) {
    if (child->isWidgetType()) child->installEventFilter(this);
  }
}

void CConfigDlg_HD::MakeControls() {
  const std::string& folder = host_.ImageFolder();
  back_ = MakeImageButton(this, kBackId, kBackButtonRect, QStringLiteral("Back"), folder, "btn-back.png");
  next_ = MakeImageButton(this, kNextId, kNextButtonRect, QStringLiteral("Next"), folder, "btn-next.png");
  cancel_ = MakeImageButton(this, kCancelId, kCancelButtonRect, QStringLiteral("Cancel"), folder, "btn-cancel.png");
  advanced_ = MakeImageButton(this, kAdvancedId, kAdvancedRect, QStringLiteral("Advanced"), folder, "btn-cancel.png");
  finish_ = MakeImageButton(this, kFinishId, kFinishRect, QStringLiteral("Finish"), folder, "btn-cancel.png");
  finish_->hide();
  finish_->setEnabled(false);

  title_ = MakeLabel(this, kTitleId);
  for (int i = 0; i < kTextLabelCount; ++i) texts_[static_cast<std::size_t>(i)] = MakeLabel(this, kFirstTextId + i);

  MakeDiskList();

  const int serviceIds[3] = {diskpage::kRadioBoth, diskpage::kRadioNasOnly, diskpage::kRadioIscsiOnly};
  for (int i = 0; i < 3; ++i) {
    auto* radio = new CTransRadio(this, QRect(kRadioX, kServiceRadioY[i], kRadioSize, kRadioSize), &serviceGroup_);
    radio->setObjectName(QString::number(serviceIds[i]));
    serviceRadios_[static_cast<std::size_t>(i)] = radio;
  }
  const int levelIds[2] = {diskpage::kRadioNormal, diskpage::kRadioRaid1};
  for (int i = 0; i < 2; ++i) {
    auto* radio = new CTransRadio(this, QRect(kRadioX, kLevelRadioY[i], kRadioSize, kRadioSize), &levelGroup_);
    radio->setObjectName(QString::number(levelIds[i]));
    levelRadios_[static_cast<std::size_t>(i)] = radio;
  }

  ratio_ = new QLabel(this);
  ratio_->setObjectName(QString::number(diskpage::kRatioLabel));
  ratio_->setGeometry(kRatioLabelRect);
  ratio_->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
  QFont ratioFont(QStringLiteral("Arial"));
  ratioFont.setPixelSize(16);
  ratioFont.setBold(true);
  ratio_->setFont(ratioFont);

  slider_ = new CmySliderControl(this, kSliderRect);
  slider_->setObjectName(QString::number(diskpage::kSlider));
  slider_->setRange(kRatioMin, kRatioMax);
  slider_->setEnabled(false);  // until the ratio sub-step is entered with Both

  nasLetters_ = new CBitComboBox(this, QRect(350, 330, 150, 22));
  nasLetters_->setObjectName(QString::number(diskpage::kNasLetterList));
  iscsiLetters_ = new CBitComboBox(this, QRect(350, 370, 150, 22));
  iscsiLetters_->setObjectName(QString::number(diskpage::kIscsiLetterList));

  HideStepControls();
}

void CConfigDlg_HD::MakeDiskList() {
  disks_ = new CColorList(this, kDiskListRect);
  disks_->setObjectName(QString::number(diskpage::kDiskList));
  const int client = kDiskListRect.width() - 2 * disks_->frameWidth();
  for (int c = 0; c < 5; ++c) {
    disks_->InsertColumn(QString::fromStdString(Text(kColumnTitles[c])), client * kColumnFiftieths[c] / 50);
  }
  disks_->show();
}

void CConfigDlg_HD::ConnectControls() {
  connect(back_, &QPushButton::clicked, this, [this] { OnBack(); });
  connect(next_, &QPushButton::clicked, this, [this] { OnNext(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { OnCancel(); });
  connect(finish_, &QPushButton::clicked, this, [this] { OnFinish(); });
  connect(advanced_, &QPushButton::clicked, this, [this] { OnAdvanced(); });
  for (int i = 0; i < 3; ++i) {
    connect(serviceRadios_[static_cast<std::size_t>(i)], &QAbstractButton::clicked, this,
            [this, i] { ShowServiceDescription(i); });
  }
  for (int i = 0; i < 2; ++i) {
    connect(levelRadios_[static_cast<std::size_t>(i)], &QAbstractButton::clicked, this,
            [this, i] { ShowLevelDescription(i); });
  }
  connect(slider_, &QSlider::valueChanged, this, [this](int value) { SetRatioLabel(value); });
  // Another letter only redraws the page.
  for (CBitComboBox* list : {nasLetters_, iscsiLetters_}) {
    connect(list, &QComboBox::currentIndexChanged, this, [this] { update(); });
  }
}

std::string CConfigDlg_HD::Text(int id) const { return host_.Text(id); }

ServiceType CConfigDlg_HD::TickedService() const {
  if (serviceRadios_[1]->isChecked()) return ServiceType::NasOnly;
  if (serviceRadios_[2]->isChecked()) return ServiceType::IscsiOnly;
  return ServiceType::Both;
}

DiskLevel CConfigDlg_HD::TickedLevel() const {
  return levelRadios_[1]->isChecked() ? DiskLevel::Raid1 : DiskLevel::Normal;
}

CTransRadio* CConfigDlg_HD::ServiceRadio(ServiceType service) const {
  switch (service) {
    case ServiceType::NasOnly:
      return serviceRadios_[1];
    case ServiceType::IscsiOnly:
      return serviceRadios_[2];
    case ServiceType::Both:
      break;
  }
  return serviceRadios_[0];
}

CTransRadio* CConfigDlg_HD::LevelRadio(DiskLevel level) const {
  return level == DiskLevel::Raid1 ? levelRadios_[1] : levelRadios_[0];
}

void CConfigDlg_HD::EnterPage() {
  serviceRadios_[0]->setChecked(true);
  levelRadios_[0]->setChecked(true);
  if (IDeviceLink* link = services_.link) {
    inventory_ = QueryDisks(*link, host_.State().targetMac);
  } else {
    inventory_ = DiskInventory{};
  }
  FillDiskList();
  ShowSubStep(subStep_);
}

void CConfigDlg_HD::FillDiskList() {
  disks_->DeleteAllItems();
  const DiskRecord* records[2] = {&inventory_.first, &inventory_.second};
  for (int i = 0; i < inventory_.diskCount && i < 2; ++i) {
    QStringList row;
    for (const std::string& text : DiskListRow(*records[i])) row << QString::fromStdString(text);
    disks_->AddRow(row);
  }
}

void CConfigDlg_HD::ReleaseDisks() {
  inventory_ = DiskInventory{};
  disks_->DeleteAllItems();
}

void CConfigDlg_HD::EnableNavigation(bool enabled) {
  back_->setEnabled(enabled);
  next_->setEnabled(enabled);
  cancel_->setEnabled(enabled);
}

void CConfigDlg_HD::OnNext() {
  EnableNavigation(false);
  int to = subStep_;
  switch (subStep_) {
    case 1:
      if (TickedService() == ServiceType::NasOnly || PassesInitiatorGate()) to = 2;
      break;
    case 2:
      if (TickedService() == ServiceType::Both) {
        SetRatioLabel(keptRatio_);
        slider_->setRange(kRatioMin, kRatioMax);
        slider_->setValue(keptRatio_);
        slider_->setEnabled(true);
      }
      to = 3;
      break;
    case 3:
      KeepRatioAndLetters();
      if (LettersClash(TickedService(), nasLetters_->currentText().toStdString(),
                       iscsiLetters_->currentText().toStdString())) {
        host_.MessageBox().Show(Text(kMsgLettersClash), MessageButtons::Ok, MessageIcon::Error);
        break;  // the user picks another letter here
      }
      to = 4;
      break;
    case 4:
      if (!ConfirmErase()) break;          // Cancel: the appliance and its data stay as they are
      if (!HoldsSetupPermission()) break;  // nothing changed; the message said why
      WriteConfirmedChoice();
      to = kDoneSubStep;
      break;
    default:
      break;
  }
  if (to == kDoneSubStep) {
    subStep_ = kDoneSubStep;
    HandOver();
  } else if (to != subStep_) {
    ShowSubStep(to);
  }
  EnableNavigation(true);
  // With no disk Next stays off; the no-disk state set that while showing.
  if (subStep_ == 1 && inventory_.diskCount == 0) next_->setEnabled(false);
}

bool CConfigDlg_HD::PassesInitiatorGate() {
  const DiskPageServices& s = services_;
  if (!s.initiatorService || !s.launcher) return false;
  InitiatorPresence presence(*s.initiatorService, *s.launcher, host_.MessageBox(),
                             InitiatorInstallerPath(host_.ProgramFolder()));
  presence.SetWaiter([](const std::function<bool()>& start) { return WhileDrawing(start); });
  switch (presence.RunGate(Text(kIdsInitiatorMissing))) {
    case InitiatorGateResult::Present:
      return true;
    case InitiatorGateResult::Declined:
      // The prompt says No ends the wizard.
      ReleaseDisks();
      host_.PostQuit(-1);
      return false;
    case InitiatorGateResult::StillAbsent:
      break;
  }
  return false;
}

bool CConfigDlg_HD::HoldsSetupPermission() {
  IInitiatorService* service = services_.initiatorService;
  if (!service) return true;
  const SetupPermission answer = WhileDrawing([service] { return service->BeginSetup(); });
  switch (answer) {
    case SetupPermission::Granted:
    case SetupPermission::NoService:  // nothing to ask; the attach reports what fails later
      return true;
    case SetupPermission::Refused:
      host_.MessageBox().Show(Text(kMsgSetupRefused), MessageButtons::Ok, MessageIcon::Error);
      return false;
    case SetupPermission::OtherUserSetup:
      host_.MessageBox().Show(Text(kMsgOtherUserSetup), MessageButtons::Ok, MessageIcon::Error);
      return false;
  }
  return false;
}

void CConfigDlg_HD::KeepRatioAndLetters() {
  keptRatio_ = slider_->value();
  keptNasIndex_ = nasLetters_->currentIndex();
  keptIscsiIndex_ = iscsiLetters_->currentIndex();
}

DiskProfile CConfigDlg_HD::CurrentProfile() const {
  return ComputeDiskProfile(inventory_, TickedService(), TickedLevel(), slider_->value());
}

bool CConfigDlg_HD::ConfirmErase() {
  const WizardState& state = host_.State();
  std::string question;
  if (const auto before = RememberedSetUp(services_.applianceMemory, state.targetMac)) {
    question = EraseQuestion(Text(kTextEraseSetUpBefore), *before);
  } else if (services_.holdsVolumes && services_.holdsVolumes(state)) {
    // Set up elsewhere, or before this PC kept notes: the day is unknown.
    RememberedAppliance unknown;
    unknown.mac = state.targetMac;
    question = EraseQuestion(Text(kTextEraseHoldsVolumes), unknown);
  } else {
    return true;
  }
  return host_.MessageBox().Show(question, MessageButtons::OkCancel, MessageIcon::Information) == MessageResult::Ok;
}

void CConfigDlg_HD::WriteConfirmedChoice() {
  ApplyConfirmedChoice(CurrentProfile(), TickedService(), nasLetters_->currentText().toStdString(),
                       iscsiLetters_->currentText().toStdString(), host_.State());
}

void CConfigDlg_HD::HandOver() {
  ReleaseDisks();
  host_.ShowPage(kPageFinal);
}

void CConfigDlg_HD::OnBack() {
  if (subStep_ == 1) {
    host_.ShowPage(kPageConfig);
    return;
  }
  if (subStep_ == 3) KeepRatioAndLetters();
  if (subStep_ > 1 && subStep_ <= kSubStepCount) ShowSubStep(subStep_ - 1);
}

void CConfigDlg_HD::OnCancel() {
  ReleaseDisks();
  host_.PostQuit(-1);
}

void CConfigDlg_HD::OnFinish() {
  ReleaseDisks();
  host_.PostQuit(-1);
}

void CConfigDlg_HD::OnAdvanced() {
  WizardState& state = host_.State();
  OpenWebPages(state.deviceIpWide, std::size(state.deviceIpWide), services_.desktop);
  ReleaseDisks();
  host_.PostQuit(-1);
}

bool CConfigDlg_HD::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return || key == Qt::Key_Enter) {
      MoveFocusInRow();
      return true;  // swallowed, found or not
    }
  }
  return TStackedPage::eventFilter(watched, event);
}

void CConfigDlg_HD::MoveFocusInRow() {
  if (subStep_ < 1 || subStep_ > kDoneSubStep) return;
  const DiskStepRow& row = kDiskStepControls[static_cast<std::size_t>(subStep_ - 1)];
  QWidget* focused = QApplication::focusWidget();
  int id = focused && focused->parentWidget() == this ? focused->objectName().toInt() : 0;
  // Controls of the row that are not shown here (a hidden radio or list, the
  // ratio label that takes no focus) are stepped over.
  for (std::size_t tries = 0; tries < row.size(); ++tries) {
    id = NextFocusInRow(row, id);
    if (id == 0) return;
    QWidget* target = Control(this, id);
    if (target && target->isVisible() && target->isEnabled() && target->focusPolicy() != Qt::NoFocus) {
      target->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

}  // namespace sp
