#pragma once
// Drives the real wizard window like a person: waits for what a person
// would wait for, clicks buttons and boxes where they are, and takes a
// picture of the window at the moments worth showing.
#include <QAbstractButton>
#include <functional>
#include <string>
#include <vector>

#include "shell/cmaindlg.h"

namespace sp::tour {

class TourDriver {
 public:
  TourDriver(CMainDlg& wizard, std::string outFolder);

  CMainDlg& wizard() { return wizard_; }

  // Clicks `button` at its centre (press and release), as a mouse would;
  // false when it is hidden or disabled, so the click would do nothing.
  bool Click(QAbstractButton* button);
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

  const std::vector<std::string>& shots() const { return shots_; }

 private:
  CMainDlg& wizard_;
  std::string out_;
  std::vector<std::string> shots_;
};

// One leg of the tour: a page (or a sub-step), from arriving on it to
// leaving it. Returns false when the wizard did not do what the leg
// expected; the tour then stops there.
struct TourLeg {
  const char* name;
  bool (*run)(TourDriver&);
};

// The legs in the order a person meets the pages.
const std::vector<TourLeg>& TourLegs();

}  // namespace sp::tour
