#pragma once
// The shell's own posted events, beside the surfaces' compose events
// (uikit/wmevents.h). Workers post these; they never touch widgets.
#include <QEvent>
#include <string>

#include "uikit/wmevents.h"

namespace sp::shellev {

// The quit request: ends the main window's modal run with an exit code.
constexpr QEvent::Type kQuitRequest = wm::UserEvent(300);
// A step of the connection check, from its worker to the check page.
constexpr QEvent::Type kCheckUpdate = wm::UserEvent(301);

class QuitRequestEvent : public QEvent {
 public:
  explicit QuitRequestEvent(int exitCode) : QEvent(kQuitRequest), exitCode_(exitCode) {}
  int exitCode() const { return exitCode_; }

 private:
  int exitCode_;
};

}  // namespace sp::shellev
