// Why the device list stayed empty: after a discovery that found no
// appliance, the checks of discoverydiagnosis.h run on this PC and their
// findings are drawn over the empty list, each as a line of advice, so the
// person knows what to change before pressing Refresh again.
#include <QHeaderView>

#include "base/text.h"
#include "devicelink/datagram.h"
#include "devicelink/discoverydiagnosis.h"
#include "framework/pagecontrols.h"
#include "pages/config/cconfigdlg_basic.h"
#include "pages/config/cdevicelistctrl.h"
#include "uikit/core/htmlmarkup.h"

namespace sp {

namespace {

constexpr int kTextHeading = 328;
constexpr int kTextNothingFound = 338;
constexpr int kTextThenRefresh = 339;

int TextOf(FindingKind kind) {
  switch (kind) {
    case FindingKind::kSwitchedOff:
      return 329;
    case FindingKind::kNoLink:
      return 330;
    case FindingKind::kNoAddress:
      return 331;
    case FindingKind::kLinkLocalOnly:
      return 332;
    case FindingKind::kTunnelRoute:
      return 333;
    case FindingKind::kPortTaken:
      return 334;
    case FindingKind::kPacketFilter:
      return 335;
    case FindingKind::kNoAdapter:
      return 336;
    case FindingKind::kFactsUnavailable:
      return 337;
  }
  return kTextNothingFound;
}

// The texts hold "%s" for the interface and "%d" for the port, in whichever
// order the language puts them.
std::string Fill(std::string text, const std::string& interfaceName) {
  const std::string port = std::to_string(kDevicePort);
  const std::string name = EscapeMarkupText(interfaceName);
  for (auto at = text.find("%d"); at != std::string::npos; at = text.find("%d", at + port.size()))
    text.replace(at, 2, port);
  for (auto at = text.find("%s"); at != std::string::npos; at = text.find("%s", at + name.size()))
    text.replace(at, 2, name);
  return text;
}

}  // namespace

void CConfigDlg_Basic::ShowDiagnosis() {
  INetworkFacts* facts = services_.networkFacts;
  if (!facts || list_->rowCount() > 0) {
    diagnosis_->hide();
    return;
  }
  std::string lines;
  const std::vector<Finding> findings = DiagnoseEmptyDiscovery(*facts);
  for (const Finding& f : findings) lines += "- " + Fill(host_.Text(TextOf(f.kind)), f.interfaceName) + "<br>";
  if (findings.empty()) lines += host_.Text(kTextNothingFound) + "<br>";
  lines += host_.Text(kTextThenRefresh);
  const std::string heading = host_.Text(kTextHeading);
  std::u16string markup = MarkupText(kBoldTextFormat, kTextSize, "DarkOrange", heading.c_str());
  markup += u"<br>";
  markup += MarkupText(kTextFormat, 3, "white", lines.c_str());
  // From the list's own size: the viewport of a list not yet shown has
  // not been laid out.
  const int frame = list_->frameWidth();
  const int top = frame + list_->horizontalHeader()->sizeHint().height();
  const QRect area(frame, top, list_->width() - 2 * frame, list_->height() - top - frame);
  PlaceLabel(diagnosis_, area.adjusted(4, 2, -4, -2), std::move(markup), true);
  diagnosis_->raise();
}

}  // namespace sp
