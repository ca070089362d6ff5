// setuppilot-startup: starts the wizard the way the program does (the
// application object, the program's Linux backends, the main window run
// modally) and measures it:
//   first_paint_ms    from just before the program's process was started
//                     (fork and exec included) to the welcome page's first
//                     paint having reached the window system
//   startup_cpu_ms    CPU time (user + system) the program used up to the
//                     first paint
//   idle_cpu_percent  CPU time (user + system) the program used while it
//                     sat on the welcome page for --idle seconds, in percent
//                     of one core
//   vmhwm_kb          peak resident memory (VmHWM) at the end
// One line "key=value ..." on standard output. The window system is the
// caller's (xvfb-run, or QT_QPA_PLATFORM=offscreen).
//
//   setuppilot-startup --program-dir DIR [--idle SECONDS]
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "app/cmaindlg.h"
#include "app/csetuppilotapp.h"
#include "app/linuxwizardbackends.h"
#include "pages/welcome/cwelcomedlg.h"

namespace {

long long MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long VmHwmKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// Notes the end of the first paint of the page it watches: the paint event
// is delivered while the window's contents are drawn and flushed, so a
// zero timer started from it fires once that is done.
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(std::function<void()> done) : done_(std::move(done)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && done_) {
      QTimer::singleShot(0, std::move(done_));
      done_ = nullptr;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> done_;
};

int RunChild(long long t0, const std::string& programDir, int idleSeconds) {
  int argc = 1;
  char name[] = "setuppilot";
  char* argv[] = {name, nullptr};
  QApplication qt(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Setup Pilot"));
  sp::CSetupPilotApp::Options options;
  options.programDir = programDir;
  sp::CSetupPilotApp app(options);
  double firstPaintMs = -1, idleCpu = -1, startupCpuMs = -1;
  app.InitInstance([&](sp::CSetupPilotApp& a) {
    sp::LinuxWizardBackends backends(a, a.ProgramDir());
    sp::CMainDlg wizard(backends.Services());
    double cpuAtPaint = 0;
    QElapsedTimer idle;
    FirstPaint watch([&] {
      firstPaintMs = static_cast<double>(MonotonicNs() - t0) / 1e6;
      cpuAtPaint = CpuSeconds();
      startupCpuMs = cpuAtPaint * 1000.0;
      idle.start();
      QTimer::singleShot(idleSeconds * 1000, &wizard, [&] {
        idleCpu = 100.0 * (CpuSeconds() - cpuAtPaint) / (static_cast<double>(idle.elapsed()) / 1000.0);
        wizard.PostQuit(-1);
      });
    });
    wizard.WelcomePage()->installEventFilter(&watch);
    return wizard.DoModal();
  });
  std::printf("first_paint_ms=%.1f startup_cpu_ms=%.1f idle_seconds=%d idle_cpu_percent=%.2f vmhwm_kb=%ld\n",
              firstPaintMs, startupCpuMs, idleSeconds, idleCpu, VmHwmKb());
  return firstPaintMs > 0 && idleCpu >= 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string programDir;
  int idleSeconds = 10;
  long long t0 = -1;
  for (int i = 1; i < argc; ++i) {
    const bool value = i + 1 < argc;
    if (std::strcmp(argv[i], "--program-dir") == 0 && value)
      programDir = argv[++i];
    else if (std::strcmp(argv[i], "--idle") == 0 && value)
      idleSeconds = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--child-t0") == 0 && value)
      t0 = std::atoll(argv[++i]);
    else {
      std::fprintf(stderr, "usage: setuppilot-startup --program-dir DIR [--idle SECONDS]\n");
      return 2;
    }
  }
  if (programDir.empty() || idleSeconds < 1) return 2;
  if (t0 >= 0) return RunChild(t0, programDir, idleSeconds);

  // The measured program is a fresh process, started the way a launcher
  // starts one: the clock runs from just before the fork.
  const std::string start = std::to_string(MonotonicNs());
  const std::string idle = std::to_string(idleSeconds);
  const pid_t child = fork();
  if (child == 0) {
    execl("/proc/self/exe", argv[0], "--program-dir", programDir.c_str(), "--idle", idle.c_str(), "--child-t0",
          start.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
