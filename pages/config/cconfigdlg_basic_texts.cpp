// The texts of the device configuration page's sub-steps: ten mini-HTML
// labels that every sub-step reuses, each filled from the string table in
// the page's label forms. Label 9 is the title.
#include "pages/config/cconfigdlg_basic.h"

#include "framework/pagecontrols.h"

namespace sp {

namespace {

constexpr QRect kTitleRect(30, 20, 400, 60);
constexpr char kWhite[] = "white";
constexpr char kNoteColour[] = "DarkOrange";
constexpr char kColumnHeadingFormat[] = "<font face=Arial size=4 color=white><p align=center>%s</p></font>";
constexpr char kHeadingPairFormat[] = "<font face=Arial size=4 color=white><b>%s</b><br>%s</font>";

// Labels left of a control 90 pixels further right: their right margin may
// pass under the control (it lies above them), so that a text as wide as
// "Work Group" keeps to one line.
constexpr int kFieldLabelWidth = 95;

// Slots of the labels in the time sub-steps (the visibility rules name them).
constexpr int kTitleSlot = CConfigDlg_Basic::kLabelCount - 1;

}  // namespace

void CConfigDlg_Basic::HideLabels() {
  for (CHTMLStatic* l : labels_) l->hide();
}

void CConfigDlg_Basic::PlaceText(int slot, const QRect& rect, const std::u16string& markup) {
  PlaceLabel(labels_.at(slot), rect, markup, true);
}

void CConfigDlg_Basic::WriteTitle(int textId) {
  PlaceText(kTitleSlot, kTitleRect, MarkupText(kTitleFormat, kTitleColour, host_.Text(textId).c_str()));
}

void CConfigDlg_Basic::WriteTexts(int k) {
  HideLabels();
  switch (k) {
    case kStepSelectDevice:
      WriteDeviceTexts();
      break;
    case kStepLogin:
      WriteLoginTexts();
      break;
    case kStepPassword:
      WritePasswordTexts();
      break;
    case kStepTimeZone:
      WriteZoneTexts();
      break;
    case kStepDateTime:
      WriteClockTexts();
      break;
    case kStepNetwork:
      WriteNetworkTexts();
      break;
    default:
      break;
  }
}

namespace {
std::u16string Heading(const std::string& t) { return MarkupText(kBoldTextFormat, kTextSize, kWhite, t.c_str()); }
std::u16string Field(const std::string& t) { return MarkupText(kTextFormat, kTextSize, kWhite, t.c_str()); }
std::u16string Note(const std::string& t) { return MarkupText(kTextFormat, kTextSize, kNoteColour, t.c_str()); }
std::u16string BoldNote(const std::string& t) { return MarkupText(kBoldTextFormat, kTextSize, kNoteColour, t.c_str()); }
}  // namespace

void CConfigDlg_Basic::WriteDeviceTexts() {
  WriteTitle(293);
  PlaceText(0, QRect(40, 323, 420, 88), Note(host_.Text(169)));
  PlaceText(1, QRect(36, 289, 160, 24), Field(host_.Text(350)));
}

void CConfigDlg_Basic::WriteLoginTexts() {
  WriteTitle(117);
  PlaceText(0, QRect(40, 70, 500, 50), Heading(host_.Text(119)));
  PlaceText(1, QRect(40, 117, kFieldLabelWidth, 30), Field(host_.Text(120)));
  PlaceText(2, QRect(40, 149, kFieldLabelWidth, 30), Field(host_.Text(121)));
  PlaceText(3, QRect(130, 117, 150, 30), Note(host_.Text(162)));
  PlaceText(4, QRect(40, 181, 500, 30), Note(host_.Text(168)));
}

void CConfigDlg_Basic::WritePasswordTexts() {
  WriteTitle(275);
  PlaceText(0, QRect(40, 70, 500, 30), Heading(host_.Text(276)));
  PlaceText(1, QRect(40, 150, 160, 30), Field(host_.Text(278)));
  PlaceText(2, QRect(40, 190, 160, 30), Field(host_.Text(280)));
  PlaceText(3, QRect(40, 230, 160, 30), Field(host_.Text(281)));
  PlaceText(4, QRect(200, 150, 150, 30), Heading(host_.Text(279)));
  PlaceText(5, QRect(40, 270, 500, 70), BoldNote(host_.Text(282)));
}

// Slots: 0 time zone heading, 1 daylight-saving heading, 2 "DST Offset :",
// 3-6 the column headings, 7 "DST Start :", 8 "DST End :". Slots 2 to 8 go
// with the daylight-saving rule.
void CConfigDlg_Basic::WriteZoneTexts() {
  WriteTitle(229);
  PlaceText(0, QRect(15, 70, 95, 30), Heading(host_.Text(230)));
  PlaceText(1, QRect(15, 110, 185, 30), Heading(host_.Text(233)));
  PlaceText(2, QRect(15, 160, 95, 30), Field(host_.Text(234)));
  const int columnX[4] = {100, 215, 330, 445};
  for (int c = 0; c < 4; ++c)
    PlaceText(3 + c, QRect(columnX[c], 205, 110, 30), MarkupText(kColumnHeadingFormat, host_.Text(237 + c).c_str()));
  PlaceText(7, QRect(15, 235, 90, 30), Field(host_.Text(235)));
  PlaceText(8, QRect(15, 298, 90, 30), Field(host_.Text(236)));
}

// Slots: 0 "Enable NTP Server :", 1 "NTP Server : ", 2 the manual heading
// pair, 3-5 Month/Day/Year, 6-8 Hour/Minute/Second. Slot 1 goes with the
// time server, slots 2 to 8 with the manual clock.
void CConfigDlg_Basic::WriteClockTexts() {
  WriteTitle(229);
  PlaceText(0, QRect(15, 70, 160, 30), Heading(host_.Text(265)));
  PlaceText(1, QRect(15, 110, 105, 30), Heading(host_.Text(266)));
  PlaceText(2, QRect(15, 150, 300, 50),
            MarkupText(kHeadingPairFormat, host_.Text(267).c_str(), host_.Text(268).c_str()));
  const int labelX[3] = {25, 195, 365};
  for (int c = 0; c < 3; ++c) {
    PlaceText(3 + c, QRect(labelX[c], 215, 65, 30), Field(host_.Text(269 + c)));
    PlaceText(6 + c, QRect(labelX[c], 265, 65, 30), Field(host_.Text(272 + c)));
  }
}

void CConfigDlg_Basic::WriteNetworkTexts() {
  WriteTitle(118);
  PlaceText(0, QRect(40, 62, 450, 30), Heading(host_.Text(122)));
  const int fieldY[3] = {95, 127, 155};
  for (int i = 0; i < 3; ++i) PlaceText(1 + i, QRect(40, fieldY[i], kFieldLabelWidth, 30), Field(host_.Text(123 + i)));
  PlaceText(4, QRect(40, 225, 450, 30), Heading(host_.Text(126)));
  const int textY[3] = {257, 288, 320};
  for (int i = 0; i < 3; ++i) PlaceText(5 + i, QRect(40, textY[i], kFieldLabelWidth, 30), Field(host_.Text(127 + i)));
}

}  // namespace sp
