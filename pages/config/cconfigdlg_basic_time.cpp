// The two time sub-steps of the device configuration page: 3 (time zone and
// daylight saving) and 4 (time server, or the date and time by hand). The
// lists 1104 to 1112 serve both with different contents and places.
#include <QCheckBox>
#include <QDateTime>

#include "base/text.h"
#include "pages/config/cconfigdlg_basic.h"
#include "pages/config/core/configactions.h"
#include "uikit/cbitcombobox.h"
#include "uikit/chtmlstatic.h"

namespace sp {

namespace {

// Sub-step 3's lists in the order of the time-step memory.
constexpr int kZoneLists[10] = {kCtlList1104, kCtlList1105, kCtlList1107, kCtlList1108, kCtlList1109,
                                kCtlList1110, kCtlList1112, kCtlList1113, kCtlList1114, kCtlList1115};
// Sub-step 4's manual lists: month, day, year, hour, minute, second.
constexpr int kClockLists[6] = {kCtlList1105, kCtlList1107, kCtlList1108, kCtlList1109, kCtlList1110, kCtlList1112};

constexpr int kColumnX[4] = {100, 215, 330, 445};
constexpr int kListWidth = 110;
constexpr int kStartY = 240, kEndY = 300;
constexpr int kClockX[3] = {90, 260, 430};
constexpr int kClockRowY[2] = {220, 270};

void Fill(CBitComboBox* list, const std::vector<std::string>& entries) {
  list->clear();
  for (const std::string& e : entries) list->addItem(QString::fromStdString(e));
}

std::vector<std::string> Texts(const IWizardHost& host, int firstId, int count) {
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.push_back(host.Text(firstId + i));
  return out;
}

std::vector<std::string> HourLabels() {
  std::vector<std::string> out;
  for (int h = 0; h < kHourCount; ++h) out.push_back(HourLabel(h));
  return out;
}

}  // namespace

void CConfigDlg_Basic::ShowZoneStep() {
  List(kCtlList1104)->setGeometry(110, 75, 430, 22);
  List(kCtlList1105)->setGeometry(110, 165, 100, 22);
  for (int c = 0; c < 4; ++c) {
    List(kZoneLists[2 + c])->setGeometry(kColumnX[c], kStartY, kListWidth, 22);
    List(kZoneLists[6 + c])->setGeometry(kColumnX[c], kEndY, kListWidth, 22);
  }
  Fill(List(kCtlList1104), Texts(host_, kFirstTimeZoneTextId, kTimeZoneCount));
  Fill(List(kCtlList1105), {host_.Text(kRegionUsaTextId), host_.Text(kRegionEuTextId)});
  for (int base : {2, 6}) {
    Fill(List(kZoneLists[base]), Texts(host_, kFirstMonthNameId, kMonthCount));
    Fill(List(kZoneLists[base + 1]), Texts(host_, kFirstWeekNameId, kWeekCount));
    Fill(List(kZoneLists[base + 2]), Texts(host_, kFirstDayNameId, kDayOfWeekCount));
    Fill(List(kZoneLists[base + 3]), HourLabels());
  }
  for (int i = 0; i < 10; ++i) List(kZoneLists[i])->setCurrentIndex(timeMemory_.listIndex[i]);
  ApplyDaylightSavingRule();
}

void CConfigDlg_Basic::ApplyDaylightSavingRule() {
  if (subStep_ != kStepTimeZone) return;
  const bool on = CheckBox(kCtlDaylightSaving)->isChecked();
  for (int slot = 2; slot <= 8; ++slot) Label(slot)->setVisible(on);
  for (int i = 1; i < 10; ++i) List(kZoneLists[i])->setVisible(on);
  update();
}

void CConfigDlg_Basic::ShowClockStep() {
  List(kCtlList1104)->setGeometry(115, 113, 270, 22);
  for (int i = 0; i < 6; ++i) List(kClockLists[i])->setGeometry(kClockX[i % 3], kClockRowY[i / 3], 100, 22);
  std::vector<std::string> servers(kDefaultTimeServers.begin(), kDefaultTimeServers.end());
  Fill(List(kCtlList1104), servers);
  Fill(List(kCtlList1105), ManualMonthEntries());
  Fill(List(kCtlList1107), ManualDayEntries());
  Fill(List(kCtlList1108), ManualYearEntries());
  Fill(List(kCtlList1109), ManualHourEntries());
  Fill(List(kCtlList1110), ManualMinuteEntries());
  Fill(List(kCtlList1112), ManualMinuteEntries());
  List(kCtlList1104)->setCurrentIndex(timeMemory_.timeServerIndex);
  CheckBox(kCtlTimeServer)->setChecked(timeMemory_.useTimeServer);
  ApplyTimeServerRule();
}

void CConfigDlg_Basic::ApplyTimeServerRule() {
  if (subStep_ != kStepDateTime) return;
  const bool server = CheckBox(kCtlTimeServer)->isChecked();
  Label(1)->setVisible(server);
  List(kCtlList1104)->setVisible(server);
  for (int slot = 2; slot <= 8; ++slot) Label(slot)->setVisible(!server);
  for (int id : kClockLists) List(id)->setVisible(!server);
  if (!server) SetClockListsToNow();
  update();
}

void CConfigDlg_Basic::SetLocalClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

void CConfigDlg_Basic::SetClockListsToNow() {
  const QDateTime now = clock_ ? clock_() : QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  const ClockIndices i = IndicesForLocalTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
  const int indices[6] = {i.month, i.day, i.year, i.hour, i.minute, i.second};
  for (int k = 0; k < 6; ++k) List(kClockLists[k])->setCurrentIndex(indices[k]);
}

ZoneChoice CConfigDlg_Basic::ReadZoneChoice() const {
  int idx[10];
  for (int i = 0; i < 10; ++i) idx[i] = List(kZoneLists[i])->currentIndex();
  return ZoneChoice{
      idx[0], CheckBox(kCtlDaylightSaving)->isChecked(), idx[1], idx[2], idx[3], idx[4], idx[5], idx[6], idx[7], idx[8],
      idx[9]};
}

void CConfigDlg_Basic::KeepZoneLists() { timeMemory_.Keep(ReadZoneChoice()); }

void CConfigDlg_Basic::KeepClockChoice() {
  timeMemory_.timeServerIndex = List(kCtlList1104)->currentIndex();
  timeMemory_.useTimeServer = CheckBox(kCtlTimeServer)->isChecked();
}

bool CConfigDlg_Basic::ZoneAction() {
  const ZoneChoice choice = ReadZoneChoice();
  ApplyZoneStep(timeBlock_, choice);
  timeMemory_.KeepOnNext(choice);
  CopyBounded(host_.State().deviceTime, List(kCtlList1104)->currentText().toStdString());
  return true;
}

bool CConfigDlg_Basic::ClockAction() {
  ClockChoice c;
  c.useServer = CheckBox(kCtlTimeServer)->isChecked();
  timeMemory_.useTimeServer = c.useServer;
  if (c.useServer) {
    timeMemory_.timeServerIndex = List(kCtlList1104)->currentIndex();
    c.serverHost = List(kCtlList1104)->currentText().toStdString();
  } else {
    int* fields[6] = {&c.month, &c.day, &c.year, &c.hour, &c.minute, &c.second};
    for (int k = 0; k < 6; ++k) *fields[k] = List(kClockLists[k])->currentIndex();
  }
  ApplyClockStep(timeBlock_, c);

  IDeviceLink* link = services_.link;
  WizardState& state = host_.State();
  if (!link || !SendTimeSettings(*link, state.targetMac, timeBlock_)) {
    Message(kMsgChangeSettingFailed, MessageButtons::Ok, MessageIcon::Error);
    return false;
  }
  IdentityFields current;
  if (!ReadIdentity(*link, state, &current)) {
    Message(kMsgChangeSettingFailed, MessageButtons::Ok, MessageIcon::Error);
    return false;
  }
  FillIdentity(current);
  return true;
}

}  // namespace sp
