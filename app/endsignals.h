#pragma once
// The ways the wizard is told to end from outside: SIGTERM (the desktop
// session ending, a service manager), SIGINT, SIGHUP (the terminal or the
// session going away) and the session manager's request before logout.
// Each calls `onEnd` once on the UI thread, through the event loop; the
// signal handler itself only writes a byte to a pipe.
//
// The owner ends the main window there; its teardown stops the final
// setup worker, whose running tool is ended and whose half-made volumes are
// taken back, so the program is gone within a second and leaves no mount or
// loop device of its own behind. One instance at a time; the signals get
// their default handling back when it goes.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace sp {

class EndSignals : public QObject {
  Q_OBJECT

 public:
  explicit EndSignals(std::function<void()> onEnd, QObject* parent = nullptr);
  ~EndSignals() override;

  EndSignals(const EndSignals&) = delete;
  EndSignals& operator=(const EndSignals&) = delete;

  bool installed() const { return notifier_ != nullptr; }

 private:
  void OnReadable();
  void End();

  std::function<void()> onEnd_;
  int fds_[2] = {-1, -1};
  QSocketNotifier* notifier_ = nullptr;
  bool ended_ = false;
};

}  // namespace sp
