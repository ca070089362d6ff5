// setuppilot-startup: starts the wizard the way the program does (the
// application object, the program's Linux backends, the main window run
// modally) and, beside it, a bare Qt dialog of the same size with a label
// and two buttons, each in a fresh process, and measures both:
//   first_paint_ms    from just before the process was started (fork and
//                     exec included) to the first paint of the welcome page
//                     (of the bare dialog) having reached the window system
//   startup_cpu_ms    CPU time (user + system) used up to the first paint
//   idle_cpu_percent  CPU time (user + system) the wizard used while it sat
//                     on the welcome page for --idle seconds (from when it
//                     had built its other pages), in percent of one core
//   vmhwm_kb          peak resident memory (VmHWM) at the end
// The two alternate for --rounds rounds; one line "key=value ..." per start,
// then a summary line with the medians of the first paints and their ratio
// (wizard / bare dialog). The window system is the caller's (xvfb-run, or
// QT_QPA_PLATFORM=offscreen).
//
//   setuppilot-startup --program-dir DIR [--idle SECONDS] [--rounds N]
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

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
    double cpuAtIdle = 0;
    // The idle time starts once the wizard has built the pages it builds
    // after its first paint.
    std::function<void()> startIdle = [&] {
      if (wizard.PagesWaiting()) {
        QTimer::singleShot(1, &wizard, startIdle);
        return;
      }
      cpuAtIdle = CpuSeconds();
      idle.start();
      QTimer::singleShot(idleSeconds * 1000, &wizard, [&] {
        idleCpu = 100.0 * (CpuSeconds() - cpuAtIdle) / (static_cast<double>(idle.elapsed()) / 1000.0);
        wizard.PostQuit(-1);
      });
    };
    FirstPaint watch([&] {
      firstPaintMs = static_cast<double>(MonotonicNs() - t0) / 1e6;
      cpuAtPaint = CpuSeconds();
      startupCpuMs = cpuAtPaint * 1000.0;
      startIdle();
    });
    wizard.WelcomePage()->installEventFilter(&watch);
    return wizard.DoModal();
  });
  std::printf("wizard first_paint_ms=%.1f startup_cpu_ms=%.1f idle_seconds=%d idle_cpu_percent=%.2f vmhwm_kb=%ld\n",
              firstPaintMs, startupCpuMs, idleSeconds, idleCpu, VmHwmKb());
  return firstPaintMs > 0 && idleCpu >= 0 ? 0 : 1;
}

// The yardstick: what Qt itself needs to put a dialog of the wizard's size
// with a label and two buttons on the screen, measured the same way.
int RunBareChild(long long t0) {
  int argc = 1;
  char name[] = "setuppilot";
  char* argv[] = {name, nullptr};
  QApplication qt(argc, argv);
  QDialog dialog(nullptr, Qt::Window | Qt::FramelessWindowHint);
  dialog.setFixedSize(722, 532);
  auto* label = new QLabel(QStringLiteral("2-Bay Vaultline VBX-207"), &dialog);
  label->setGeometry(310, 74, 240, 60);
  auto* next = new QPushButton(QStringLiteral("Next"), &dialog);
  next->setGeometry(493, 477, 104, 39);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
  cancel->setGeometry(606, 477, 104, 39);
  double firstPaintMs = -1, startupCpuMs = -1;
  FirstPaint watch([&] {
    firstPaintMs = static_cast<double>(MonotonicNs() - t0) / 1e6;
    startupCpuMs = CpuSeconds() * 1000.0;
    dialog.done(0);
  });
  dialog.installEventFilter(&watch);
  dialog.exec();
  std::printf("bare first_paint_ms=%.1f startup_cpu_ms=%.1f vmhwm_kb=%ld\n", firstPaintMs, startupCpuMs, VmHwmKb());
  return firstPaintMs > 0 ? 0 : 1;
}

// Starts this program again as `kind` ("wizard" or "bare") with the clock
// running from just before the fork, the way a launcher starts one; returns
// the line it printed (empty when it failed).
std::string Measure(const char* self, const char* kind, const std::string& programDir, int idleSeconds) {
  int out[2];
  if (pipe(out) != 0) return {};
  const std::string start = std::to_string(MonotonicNs());
  const std::string idle = std::to_string(idleSeconds);
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execl("/proc/self/exe", self, "--program-dir", programDir.c_str(), "--idle", idle.c_str(), "--child", kind,
          "--child-t0", start.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string line;
  char buffer[512];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) line.append(buffer, static_cast<std::size_t>(n));
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  while (!line.empty() && line.back() == '\n') line.pop_back();
  return ok ? line : std::string();
}

double FirstPaintOf(const std::string& line) {
  const std::size_t at = line.find("first_paint_ms=");
  return at == std::string::npos ? -1 : std::atof(line.c_str() + at + 15);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string programDir;
  std::string child;
  int idleSeconds = 10;
  int rounds = 1;
  long long t0 = -1;
  for (int i = 1; i < argc; ++i) {
    const bool value = i + 1 < argc;
    if (std::strcmp(argv[i], "--program-dir") == 0 && value)
      programDir = argv[++i];
    else if (std::strcmp(argv[i], "--idle") == 0 && value)
      idleSeconds = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--rounds") == 0 && value)
      rounds = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--child") == 0 && value)
      child = argv[++i];
    else if (std::strcmp(argv[i], "--child-t0") == 0 && value)
      t0 = std::atoll(argv[++i]);
    else {
      std::fprintf(stderr, "usage: setuppilot-startup --program-dir DIR [--idle SECONDS] [--rounds N]\n");
      return 2;
    }
  }
  if (programDir.empty() || idleSeconds < 1 || rounds < 1) return 2;
  if (t0 >= 0) return child == "bare" ? RunBareChild(t0) : RunChild(t0, programDir, idleSeconds);

  std::vector<double> wizard, bare;
  bool ok = true;
  for (int round = 1; round <= rounds; ++round) {
    for (const char* kind : {"wizard", "bare"}) {
      const std::string line = Measure(argv[0], kind, programDir, idleSeconds);
      std::printf("round=%d %s\n", round, line.empty() ? kind : line.c_str());
      std::fflush(stdout);
      ok = ok && !line.empty();
      (std::strcmp(kind, "bare") == 0 ? bare : wizard).push_back(FirstPaintOf(line));
    }
  }
  const double w = Median(wizard), b = Median(bare);
  std::printf("summary rounds=%d wizard_first_paint_ms=%.1f bare_first_paint_ms=%.1f first_paint_ratio=%.2f\n", rounds,
              w, b, b > 0 ? w / b : -1);
  return ok ? 0 : 1;
}
