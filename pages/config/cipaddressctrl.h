#pragma once
// An IPv4 address field: four octet edits with points between them in one
// white frame, like the address fields of a system dialog.
//
// Typing: digits only, at most three per octet; a value above 255 becomes
// 255. A third digit, or a point, moves on to the next octet. Backspace in
// an empty octet (or at its start) goes back to the end of the previous one;
// Left at an octet's start and Right at its end cross into the neighbour.
// Home and End go to the first and last octet. Tab and Enter are left to
// the page (it moves the focus to its next control).
//
//   auto* ip = new CIpAddressCtrl(page, QRect(130, 102, 220, 22));
//   ip->SetText("10.77.0.2");
//   std::string dotted = ip->Text();  // "10.77.0.2"; blank octets read 0
#include <QFrame>
#include <array>
#include <string>

class QLineEdit;
class QLabel;

namespace sp {

class CIpAddressCtrl : public QFrame {
  Q_OBJECT

 public:
  explicit CIpAddressCtrl(QWidget* parent = nullptr);
  CIpAddressCtrl(QWidget* parent, const QRect& geometry);

  // Four numbers joined by points; a blank octet reads 0.
  std::string Text() const;
  // Fills the octets from dotted text. Text that is not four numbers of
  // 0..255 leaves every octet blank and returns false.
  bool SetText(const std::string& dotted);
  void Clear();
  bool IsBlank() const;

  QLineEdit* Octet(int i) const { return octets_.at(i); }
  void SetFieldFont(const QFont& font);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOut();
  void OnOctetEdited(int i);
  void FocusOctet(int i, bool atEnd);
  int IndexOf(QObject* o) const;

  std::array<QLineEdit*, 4> octets_{};
  std::array<QLabel*, 3> dots_{};
};

}  // namespace sp
