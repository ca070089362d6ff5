// Finding an appliance by its address, on the device selection sub-step.
// Discovery's broadcast stays inside the PC's own subnet; an appliance
// behind a router is reached only at its address. Once typed, the address
// is asked in every discovery of the run, and the link asks an appliance
// found there at that address in every later exchange.
#include "base/text.h"
#include "devicelink/applianceaddress.h"
#include "devicelink/datagram.h"
#include "devicelink/idevicelink.h"
#include "pages/config/cconfigdlg_basic.h"
#include "pages/config/cdevicelistctrl.h"
#include "pages/config/cipaddressctrl.h"

namespace sp {

namespace {

constexpr int kTextBadAddress = 352;
constexpr int kTextNoAnswerThere = 353;
constexpr int kIpColumn = 1;

std::string NoAnswerText(std::string text, const std::string& address) {
  const std::string port = std::to_string(kDevicePort);
  if (const auto at = text.find("%s"); at != std::string::npos) text.replace(at, 2, address);
  if (const auto at = text.find("%d"); at != std::string::npos) text.replace(at, 2, port);
  return text;
}

}  // namespace

void CConfigDlg_Basic::OnFindByAddress() {
  if (busy_ || subStep_ != kStepSelectDevice) return;
  CIpAddressCtrl* field = FindAddressField();
  const std::string typedText = field->Text();
  const TypedAddress typed = ParseApplianceAddress(typedText);
  if (typed.error) {
    Message(kTextBadAddress, MessageButtons::Ok, MessageIcon::Error);
    field->setFocus(Qt::OtherFocusReason);
    return;
  }
  ActionScope scope(*this);
  IDeviceLink* link = services_.link;
  if (link) link->SetDiscoveryAddress(typed.address);
  RunDiscovery();
  if (link && link->DiscoveryAddressAnswered()) {
    FocusFoundRow(typedText);
    return;
  }
  Message(NoAnswerText(host_.Text(kTextNoAnswerThere), typedText), MessageButtons::Ok, MessageIcon::Information);
  field->setFocus(Qt::OtherFocusReason);
}

void CConfigDlg_Basic::FocusFoundRow(const std::string& address) {
  // The row lists the address the appliance reports for itself, which is
  // the one it was reached at unless something translates between.
  const QString wanted = QString::fromStdString(address);
  for (int row = 0; row < list_->rowCount(); ++row) {
    if (list_->CellText(row, kIpColumn) != wanted) continue;
    list_->SelectAndMark(row);
    break;
  }
  list_->setFocus(Qt::OtherFocusReason);
}

}  // namespace sp
