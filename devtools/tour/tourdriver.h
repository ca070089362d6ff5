#pragma once
// Drives the real wizard window like a person: waits for what a person
// would wait for, clicks buttons, boxes, list rows and list entries where
// they are, types into edits, answers message boxes, and takes a picture of
// the window at the moments worth showing.
//
// Used by the tour (setuppilot-tour) and by the end-to-end tests.
#include <QAbstractButton>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "app/cmaindlg.h"

class QComboBox;
class QLineEdit;
class QSlider;
class QTableWidget;

namespace sp {
class CIpAddressCtrl;
}

namespace sp::tour {

class TourDriver {
 public:
  // `outFolder` empty: Shot() writes nothing.
  TourDriver(CMainDlg& wizard, std::string outFolder);
  ~TourDriver();

  CMainDlg& wizard() { return wizard_; }

  // Clicks `button` at its centre (press and release), as a mouse would;
  // false when it is hidden or disabled, so the click would do nothing.
  bool Click(QAbstractButton* button);
  // A mouse click on the window at `pos` of `target`: the window system's
  // part is played for real, the click goes to whatever widget is there.
  // False (and nothing clicked) when that is not `target` or one of its
  // children, say a label lying over it.
  bool ClickAt(QWidget* target, QPoint pos);
  // Clicks into `edit`, selects what it holds and types `text` over it.
  bool Type(QLineEdit* edit, const QString& text);
  // Types a dotted address into the four fields of an address control.
  bool TypeAddress(CIpAddressCtrl* field, const std::string& dotted);
  // Opens the list of `combo` with a click and clicks the entry `index`
  // (or the entry whose text is `text`); false when that is not what the
  // list shows afterwards.
  bool Choose(QComboBox* combo, int index);
  bool Choose(QComboBox* combo, const QString& text);
  // Clicks the first cell of row `row`.
  bool ClickRow(QTableWidget* table, int row);
  // Moves a slider with the arrow keys until it shows `value`.
  bool Slide(QSlider* slider, int value);
  // The button that ends the wizard on the page shown now (Cancel, or
  // Finish on the final page).
  QAbstractButton* CancelButton() const;
  // Processes events until `done` holds; false after `timeoutMs`.
  bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
  // Processes events for `ms` milliseconds (a person looking).
  void Pause(int ms);
  // Writes the window as the screen shows it to "<out>/<name>.png".
  bool Shot(const std::string& name);
  // Prints a line of the tour's progress.
  void Say(const std::string& line) const;

  // Message boxes that come up are read and answered with their default
  // button (OK, Yes), as a person who reads them would; their texts are
  // kept in order.
  const std::vector<std::string>& messages() const { return messages_; }
  void ClearMessages() { messages_.clear(); }

  const std::vector<std::string>& shots() const { return shots_; }
  const std::string& outFolder() const { return out_; }

 private:
  void AnswerMessageBox();

  CMainDlg& wizard_;
  std::string out_;
  std::vector<std::string> shots_;
  std::vector<std::string> messages_;
  QTimer messageWatch_;
};

// Lays the pictures out in a grid, each with its name below it, and writes
// the sheet to `path` (PNG). False when nothing could be read or written.
bool WriteContactSheet(const std::vector<std::string>& pictures, const std::string& path, int columns = 4);

}  // namespace sp::tour
