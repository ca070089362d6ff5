// The device configuration page: controls, the sub-step machine, the buttons
// and the Enter/Tab walk. Texts, actions and the time sub-steps live in the
// cconfigdlg_basic_*.cpp files beside this one.
#include "pages/config/cconfigdlg_basic.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>

#include "framework/core/pageids.h"
#include "framework/pagecontrols.h"
#include "pages/config/cdevicelistctrl.h"
#include "pages/config/cipaddressctrl.h"
#include "pages/config/core/adminpassword.h"
#include "uikit/cbitcombobox.h"
#include "uikit/screenfont.h"

namespace sp {

namespace {

constexpr char kBackgroundList[] = "cbackground.jpg|0|0|255|0,";
constexpr QRect kRefreshRect(108, 413, 104, 39);
constexpr QRect kIdentifyRect(449, 30, 104, 39);
// The list leaves a row under it for finding an appliance by its address.
constexpr QRect kDeviceListRect(36, 72, 490, 219);
constexpr QRect kFindAddressRect(196, 295, 150, 22);
constexpr QRect kFindRect(356, 293, 90, 26);
constexpr int kTextFind = 351;
constexpr int kIdentityTextMaxChars = 19;  // 20-byte record fields with their NUL

struct EditPlace {
  int id;
  QRect rect;
  bool masked;
  int maxChars;
};
constexpr EditPlace kEdits[] = {
    {kCtlLoginPassword, QRect(135, 155, 150, 22), true, kLoginPasswordMaxChars},
    {kCtlNewPassword, QRect(200, 197, 150, 22), true, kNewPasswordMaxChars},
    {kCtlConfirmPassword, QRect(200, 237, 150, 22), true, kNewPasswordMaxChars},
    {kCtlWorkGroup, QRect(130, 262, 220, 22), false, kIdentityTextMaxChars},
    {kCtlNasName, QRect(130, 294, 220, 22), false, kIdentityTextMaxChars},
    {kCtlDescription, QRect(130, 326, 220, 22), false, kIdentityTextMaxChars},
};
constexpr std::pair<int, QRect> kAddressFields[] = {
    {kCtlIpAddress, QRect(130, 102, 220, 22)},
    {kCtlNetmask, QRect(130, 134, 220, 22)},
    {kCtlGateway, QRect(130, 166, 220, 22)},
};
constexpr int kListIds[] = {kCtlList1104, kCtlList1105, kCtlList1107, kCtlList1108, kCtlList1109,
                            kCtlList1110, kCtlList1112, kCtlList1113, kCtlList1114, kCtlList1115};
constexpr QRect kDaylightSavingBox(195, 122, 13, 13);
constexpr QRect kTimeServerBox(175, 82, 13, 13);
constexpr int kSelectionFieldHeight = 25;

QFont FieldFont() { return MakeLogicalFont(QStringLiteral("Arial"), 16, 400); }

}  // namespace

CConfigDlg_Basic::ActionScope::ActionScope(CConfigDlg_Basic& page) : page_(page), outer_(!page.busy_) {
  if (!outer_) return;
  page_.busy_ = true;
  page_.EnableButtons(false);
  QApplication::setOverrideCursor(Qt::BusyCursor);
}

CConfigDlg_Basic::ActionScope::~ActionScope() {
  if (!outer_) return;
  QApplication::restoreOverrideCursor();
  page_.busy_ = false;
  page_.RestoreButtons();
}

CConfigDlg_Basic::CConfigDlg_Basic(IWizardHost& host, ConfigPageServices services) : host_(host), services_(services) {
  setObjectName(QStringLiteral("133"));
  timeMemory_.Reset();
}

CConfigDlg_Basic::~CConfigDlg_Basic() {
  if (qApp) qApp->removeEventFilter(this);
}

void CConfigDlg_Basic::OnInitDialog() {
  setGeometry(0, 0, kPageWidth, kPageHeight);
  MakeControls();
  surface_.Create(this);
  surface_.SetImageFolder(host_.ImageFolder());
  qApp->installEventFilter(this);
}

void CConfigDlg_Basic::MakeControls() {
  const std::string& folder = host_.ImageFolder();
  back_ = MakeImageButton(this, kBackId, kBackButtonRect, QStringLiteral("Back"), folder, "btn-back.png");
  next_ = MakeImageButton(this, kNextId, kNextButtonRect, QStringLiteral("Next"), folder, "btn-next.png");
  cancel_ = MakeImageButton(this, kCancelId, kCancelButtonRect, QStringLiteral("Cancel"), folder, "btn-cancel.png");
  refresh_ = MakeImageButton(this, kRefreshId, kRefreshRect, QStringLiteral("Refresh"), folder, "btn-cancel.png");
  identify_ = MakeImageButton(this, kIdentifyId, kIdentifyRect, QStringLiteral("Identify"), folder, "btn-cancel.png");
  connect(back_, &QPushButton::clicked, this, [this] { OnBack(); });
  connect(next_, &QPushButton::clicked, this, [this] { OnNext(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { OnCancel(); });
  connect(refresh_, &QPushButton::clicked, this, [this] { OnRefresh(); });
  connect(identify_, &QPushButton::clicked, this, [this] { OnIdentify(); });
  find_ = MakeImageButton(this, kCtlFind, kFindRect, QString::fromStdString(host_.Text(kTextFind)), folder,
                          "btn-cancel.png");
  connect(find_, &QPushButton::clicked, this, [this] { OnFindByAddress(); });

  for (int i = 0; i < kLabelCount; ++i)
    labels_[i] = MakeLabel(this, i == kLabelCount - 1 ? kTitleId : kFirstLabelId + i);

  list_ = new CDeviceListCtrl(this, kDeviceListRect);
  list_->setObjectName(QString::number(kCtlDeviceList));
  list_->SetColumnTitles(QString::fromStdString(host_.Text(290)), QString::fromStdString(host_.Text(291)),
                         QString::fromStdString(host_.Text(292)));
  // Drawn on the list's own background, under its headings.
  diagnosis_ = new CHTMLStatic(list_);
  diagnosis_->setObjectName(QStringLiteral("diagnosis"));
  diagnosis_->hide();

  for (const EditPlace& e : kEdits) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::number(e.id));
    edit->setFont(FieldFont());
    edit->setMaxLength(e.maxChars);
    edit->setTextMargins(2, 0, 2, 0);
    if (e.masked) edit->setEchoMode(QLineEdit::Password);
  }
  for (const auto& [id, rect] : kAddressFields) {
    auto* field = new CIpAddressCtrl(this);
    field->setObjectName(QString::number(id));
    field->SetFieldFont(FieldFont());
  }
  auto* findField = new CIpAddressCtrl(this);
  findField->setObjectName(QString::number(kCtlFindAddress));
  findField->SetFieldFont(FieldFont());
  for (int id : kListIds) {
    auto* combo = new CBitComboBox(this);
    combo->setObjectName(QString::number(id));
    combo->SetSelectionFieldHeight(kSelectionFieldHeight);
  }
  for (int id : {kCtlDaylightSaving, kCtlTimeServer}) {
    auto* box = new QCheckBox(this);
    box->setObjectName(QString::number(id));
    box->setStyleSheet(
        QStringLiteral("QCheckBox { spacing: 0px; } QCheckBox::indicator { width: 13px; height: 13px; }"));
  }
  connect(CheckBox(kCtlDaylightSaving), &QCheckBox::clicked, this, [this] { ApplyDaylightSavingRule(); });
  connect(CheckBox(kCtlTimeServer), &QCheckBox::clicked, this, [this] { ApplyTimeServerRule(); });

  // Everything in the step-control table starts hidden; the sub-step shows
  // its row.
  for (const StepControlRow& row : kStepControls)
    for (int id : row)
      if (QWidget* w = ControlById(id)) w->hide();
}

void CConfigDlg_Basic::PositionControls() {
  back_->move(kBackButtonRect.topLeft());
  next_->move(kNextButtonRect.topLeft());
  cancel_->move(kCancelButtonRect.topLeft());
  refresh_->move(kRefreshRect.topLeft());
  identify_->move(kIdentifyRect.topLeft());
  list_->setGeometry(kDeviceListRect);
  for (const EditPlace& e : kEdits) Edit(e.id)->setGeometry(e.rect);
  for (const auto& [id, rect] : kAddressFields) AddressField(id)->setGeometry(rect);
  AddressField(kCtlFindAddress)->setGeometry(kFindAddressRect);
  find_->move(kFindRect.topLeft());
  CheckBox(kCtlDaylightSaving)->setGeometry(kDaylightSavingBox);
  CheckBox(kCtlTimeServer)->setGeometry(kTimeServerBox);
  // The time lists change places between the two time sub-steps; showing
  // either one places them.
}

QWidget* CConfigDlg_Basic::ControlById(int id) const { return Control<QWidget>(this, id); }
CBitComboBox* CConfigDlg_Basic::List(int id) const { return Control<CBitComboBox>(this, id); }
QLineEdit* CConfigDlg_Basic::Edit(int id) const { return Control<QLineEdit>(this, id); }
CIpAddressCtrl* CConfigDlg_Basic::AddressField(int id) const { return Control<CIpAddressCtrl>(this, id); }
QCheckBox* CConfigDlg_Basic::CheckBox(int id) const { return Control<QCheckBox>(this, id); }

void CConfigDlg_Basic::EnterPage() {
  PositionControls();
  timeMemory_.Reset();
  ShowSubStep(subStep_);
}

void CConfigDlg_Basic::ShowSubStep(int k) {
  if (k < 0 || k >= kSubStepCount) return;
  subStep_ = k;
  for (const StepControlRow& row : kStepControls)
    for (int id : row)
      if (QWidget* w = ControlById(id)) w->hide();
  for (int id : kStepControls[k])
    if (QWidget* w = ControlById(id)) w->show();
  surface_.SetList(kBackgroundList);
  diagnosis_->hide();
  WriteTexts(k);
  switch (k) {
    case kStepSelectDevice:
      RunDiscovery();
      break;
    case kStepTimeZone:
      ShowZoneStep();
      break;
    case kStepDateTime:
      ShowClockStep();
      break;
    default:
      break;
  }
  // The focus goes to the row's first control, or the first one shown when
  // a visibility rule hid that one.
  for (int id : kStepControls[k]) {
    QWidget* w = ControlById(id);
    if (w && w->isVisibleTo(this)) {
      w->setFocus(Qt::OtherFocusReason);
      break;
    }
  }
}

void CConfigDlg_Basic::EnableButtons(bool on) {
  for (CHoverButtonEx* b : {back_, next_, cancel_, refresh_, identify_, find_}) b->setEnabled(on);
}

void CConfigDlg_Basic::RestoreButtons() {
  EnableButtons(true);
  // An empty device list offers nothing to go on with or to identify.
  if (subStep_ == kStepSelectDevice && list_->rowCount() == 0) {
    next_->setEnabled(false);
    identify_->setEnabled(false);
  }
}

MessageResult CConfigDlg_Basic::Message(const std::string& text, MessageButtons buttons, MessageIcon icon) {
  return host_.MessageBox().Show(text, buttons, icon);
}

MessageResult CConfigDlg_Basic::Message(int textId, MessageButtons buttons, MessageIcon icon) {
  return Message(host_.Text(textId), buttons, icon);
}

void CConfigDlg_Basic::OnNext() {
  if (busy_) return;
  ActionScope scope(*this);
  if (!RunAction(subStep_)) return;
  if (subStep_ == kStepNetwork) {
    host_.ShowPage(kPageDisk);
    return;
  }
  ShowSubStep(subStep_ + 1);
}

void CConfigDlg_Basic::OnBack() {
  if (busy_) return;
  switch (subStep_) {
    case kStepSelectDevice:
      host_.ShowPage(kPageInstall);
      return;
    case kStepLogin: {
      ActionScope scope(*this);  // discovery runs again
      refresh_->show();
      identify_->show();
      ShowSubStep(kStepSelectDevice);
      return;
    }
    case kStepTimeZone:
      KeepZoneLists();
      break;
    case kStepDateTime:
      KeepClockChoice();
      break;
    default:
      break;
  }
  ShowSubStep(subStep_ - 1);
}

void CConfigDlg_Basic::OnCancel() { host_.PostQuit(-1); }

void CConfigDlg_Basic::OnRefresh() {
  if (busy_) return;
  ActionScope scope(*this);
  RunDiscovery();
  list_->setFocus(Qt::OtherFocusReason);
}

int CConfigDlg_Basic::FocusedStepControl() const {
  for (QWidget* w = QApplication::focusWidget(); w && w != this; w = w->parentWidget()) {
    if (w->parentWidget() != this) continue;
    bool ok = false;
    const int id = w->objectName().toInt(&ok);
    return ok ? id : 0;
  }
  return 0;
}

void CConfigDlg_Basic::HandleFocusKey() {
  // Controls a visibility rule has hidden are passed over: the focus never
  // lands where the user cannot see it.
  int id = FocusedStepControl();
  for (int tries = 0; tries < kStepControlColumns; ++tries) {
    id = NextFocusControl(subStep_, id);
    if (id == 0) return;
    QWidget* w = ControlById(id);
    if (w && w->isVisibleTo(this)) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

bool CConfigDlg_Basic::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* w = static_cast<QWidget*>(watched);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool focusKey = key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return || key == Qt::Key_Enter;
    if (focusKey && (w == this || isAncestorOf(w))) {
      // Enter in the address field, or on its button, finds; Tab walks on.
      const int focused = FocusedStepControl();
      const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
      if (enter && subStep_ == kStepSelectDevice && (focused == kCtlFindAddress || focused == kCtlFind)) {
        OnFindByAddress();
        return true;
      }
      HandleFocusKey();
      return true;  // swallowed whether or not the focus moved
    }
  }
  return TStackedPage::eventFilter(watched, event);
}

}  // namespace sp
