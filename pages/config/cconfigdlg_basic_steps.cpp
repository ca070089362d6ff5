// The device configuration page's actions on Next, and discovery and
// Identify: sub-steps 0 (select device), 1 (login), 2 (password) and 5
// (network). The time sub-steps are in cconfigdlg_basic_time.cpp.
#include <QLineEdit>

#include "base/text.h"
#include "pages/config/cconfigdlg_basic.h"
#include "pages/config/cdevicelistctrl.h"
#include "pages/config/cipaddressctrl.h"
#include "pages/config/core/adminpassword.h"
#include "pages/config/core/configactions.h"
#include "pages/config/core/identitycheck.h"
#include "platform/appliancememory.h"
#include "uikit/choverbuttonex.h"

namespace sp {

namespace {
constexpr int kTextSetUpBeforeNote = 341;  // "Set up from this PC on %s"
std::string TextOf(const QLineEdit* e) { return e->text().toStdString(); }
}  // namespace

bool CConfigDlg_Basic::RunAction(int k) {
  switch (k) {
    case kStepSelectDevice:
      return SelectDeviceAction();
    case kStepLogin:
      return LoginAction();
    case kStepPassword:
      return PasswordAction();
    case kStepTimeZone:
      return ZoneAction();
    case kStepDateTime:
      return ClockAction();
    case kStepNetwork:
      return NetworkAction();
    default:
      return false;
  }
}

void CConfigDlg_Basic::RunDiscovery() {
  ActionScope scope(*this);
  list_->DeleteAllItems();
  diagnosis_->hide();
  if (IDeviceLink* link = services_.link) link->DiscoverDevices(*list_);
  MarkSetUpBefore();
  list_->SelectAndMark(0);
  ShowDiagnosis();
}

void CConfigDlg_Basic::MarkSetUpBefore() {
  const ApplianceMemory* memory = services_.applianceMemory;
  if (!memory) return;
  for (int row = 0; row < list_->rowCount(); ++row) {
    const auto before = memory->Find(list_->CellText(row, 2).toStdString());
    if (!before) continue;
    std::string note = host_.Text(kTextSetUpBeforeNote);
    if (const auto at = note.find("%s"); at != std::string::npos) note.replace(at, 2, before->date);
    list_->MarkRow(row, QString::fromStdString(note));
  }
}

std::string CConfigDlg_Basic::TargetMacOfFocusRow() const {
  const int row = list_->FocusRow();
  return list_->CellText(row >= 0 ? row : 0, 2).toStdString();
}

bool CConfigDlg_Basic::SelectDeviceAction() {
  if (list_->rowCount() == 0) return false;
  CopyBounded(host_.State().targetMac, TargetMacOfFocusRow());
  refresh_->hide();
  identify_->hide();
  return true;
}

void CConfigDlg_Basic::OnIdentify() {
  if (busy_ || list_->rowCount() == 0) return;
  ActionScope scope(*this);
  // The identified row stays the chosen one, so that Next configures the
  // unit whose lights the user has just seen.
  const int row = list_->FocusRow() >= 0 ? list_->FocusRow() : 0;
  WizardState& state = host_.State();
  CopyBounded(state.targetMac, list_->CellText(row, 2).toStdString());
  if (IDeviceLink* link = services_.link) {
    std::uint8_t area[kReplyAreaSize] = {};
    link->SendDeviceCommand(state.targetMac, kCmdIdentify, nullptr, 0, area);
  }
  list_->SelectAndMark(row);
  list_->setFocus(Qt::OtherFocusReason);
}

bool CConfigDlg_Basic::LoginAction() {
  const std::string password = TextOf(Edit(kCtlLoginPassword));
  if (!PasswordFits(password)) {
    Message(kMsgPasswordTooLong, MessageButtons::Ok, MessageIcon::Error);
    return false;
  }
  IDeviceLink* link = services_.link;
  if (link && CheckLogin(*link, host_.State().targetMac, password)) return true;
  Message(kMsgIncorrectPassword, MessageButtons::Ok, MessageIcon::None);
  return false;
}

bool CConfigDlg_Basic::PasswordAction() {
  const std::string password = TextOf(Edit(kCtlNewPassword));
  switch (CheckNewPassword(password, TextOf(Edit(kCtlConfirmPassword)))) {
    case PasswordVerdict::kMismatch:
      Message(kMsgPasswordMismatch, MessageButtons::Ok, MessageIcon::Error);
      return false;
    case PasswordVerdict::kAskBlank:
      if (Message(kMsgAskBlankPassword, MessageButtons::OkCancel, MessageIcon::Information) != MessageResult::Ok)
        return false;
      break;
    case PasswordVerdict::kTooShort:
      Message(kMsgPasswordTooShort, MessageButtons::Ok, MessageIcon::Error);
      return false;
    case PasswordVerdict::kTooFewLetters:
      Message(kTwoLettersMessage, MessageButtons::Ok, MessageIcon::Error);
      return false;
    case PasswordVerdict::kTooLong:
      Message(kMsgPasswordTooLong, MessageButtons::Ok, MessageIcon::Error);
      return false;
    case PasswordVerdict::kAcceptable:
      break;
  }
  IDeviceLink* link = services_.link;
  if (link && SetAdminPassword(*link, host_.State(), password)) return true;
  Message(kMsgSetPasswordFailed, MessageButtons::Ok, MessageIcon::Error);
  return false;
}

void CConfigDlg_Basic::FillIdentity(const IdentityFields& f) {
  AddressField(kCtlIpAddress)->SetText(f.ip);
  AddressField(kCtlNetmask)->SetText(f.netmask);
  AddressField(kCtlGateway)->SetText(f.gateway);
  Edit(kCtlNasName)->setText(QString::fromStdString(f.name));
  Edit(kCtlWorkGroup)->setText(QString::fromStdString(f.workgroup));
  Edit(kCtlDescription)->setText(QString::fromStdString(f.description));
}

IdentityFields CConfigDlg_Basic::TypedIdentity() const {
  IdentityFields f;
  f.ip = AddressField(kCtlIpAddress)->Text();
  f.netmask = AddressField(kCtlNetmask)->Text();
  f.gateway = AddressField(kCtlGateway)->Text();
  f.name = TextOf(Edit(kCtlNasName));
  f.workgroup = TextOf(Edit(kCtlWorkGroup));
  f.description = TextOf(Edit(kCtlDescription));
  return f;
}

bool CConfigDlg_Basic::NetworkAction() {
  // Nothing goes to the appliance that would take it off the network.
  std::vector<LocalAddress> own;
  if (ILocalAddresses* addresses = services_.addresses) addresses->List(own);
  const IdentityProblem problem = CheckNetworkIdentity(TypedIdentity(), own);
  if (problem != IdentityProblem::kNone) {
    Message(IdentityProblemMessage(problem), MessageButtons::Ok, MessageIcon::Error);
    return false;
  }
  IDeviceLink* link = services_.link;
  if (link && ApplyNetworkIdentity(*link, services_.iscsiInterpreter, host_.State(), TypedIdentity()) ==
                  NetworkOutcome::kApplied)
    return true;
  Message(kMsgChangeSettingFailed, MessageButtons::Ok, MessageIcon::Error);
  return false;
}

}  // namespace sp
