#pragma once
// The wizard's private window messages as Qt event types.
//
// Each drawing surface has its own compose message; writers (page code or a
// page's worker thread) replace the surface's layer list and post the
// message with QCoreApplication::postEvent, which is safe from any thread:
//
//   QCoreApplication::postEvent(page, new QEvent(sp::wm::kComposeInstall));
//
// The numbers keep the old WM_USER offsets so that logs and tests can name
// them the same way: WM_USER + n is QEvent::User + n.
#include <QCoreApplication>
#include <QEvent>

namespace sp::wm {

constexpr QEvent::Type UserEvent(int n) { return static_cast<QEvent::Type>(QEvent::User + n); }

constexpr QEvent::Type kComposeMainWindow = UserEvent(100);  // main window (WM_USER+100)
constexpr QEvent::Type kComposeLinkPage = UserEvent(101);    // link page, never shown
constexpr QEvent::Type kComposeWelcome = UserEvent(102);     // welcome page
constexpr QEvent::Type kComposeCheck = UserEvent(103);       // connection check page
constexpr QEvent::Type kComposeInstall = UserEvent(104);     // install guide page
constexpr QEvent::Type kComposeConfig = UserEvent(105);      // device settings page
constexpr QEvent::Type kComposeDisk = UserEvent(106);        // disk profile page
constexpr QEvent::Type kComposeFinal = UserEvent(107);       // final setup page
constexpr QEvent::Type kFinalSummary = UserEvent(108);       // final page: show the summary
constexpr QEvent::Type kFinalFailure = UserEvent(110);       // final page: show the failure text

// Posts a parameterless private message to `receiver` (any thread).
inline void PostWizardEvent(QObject* receiver, QEvent::Type type) {
  QCoreApplication::postEvent(receiver, new QEvent(type));
}

}  // namespace sp::wm
