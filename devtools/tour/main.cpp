// setuppilot-tour: runs the wizard offscreen with the program's own
// backends and timing and walks through it like a person, from the welcome
// page to the summary, writing a picture of every page and sub-step and a
// contact sheet of them all. Run it where the wizard should run
// (scripts/demo.sh runs it in the pc namespace, next to the appliance
// simulator, with the initiator service and the share-mapping agent).
//
//   setuppilot-tour [--out DIR]
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "app/cmaindlg.h"
#include "app/csetuppilotapp.h"
#include "app/ilanguagecontrol.h"
#include "app/linuxwizardbackends.h"
#include "devtools/tour/tourdriver.h"
#include "devtools/tour/wizardwalk.h"

namespace {

// The offscreen platform cannot shape windows and says so once per window;
// the tour's pictures apply the shape themselves, so the notice is noise.
QtMessageHandler previousHandler = nullptr;

void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QLatin1String("does not support setting window masks"))) return;
  if (previousHandler) previousHandler(type, context, message);
}

// Picture names of the steps the walk reports before each Next.
const std::map<std::string, std::string>& ShotNames() {
  static const std::map<std::string, std::string> names = {
      {"welcome", "01-welcome"},
      {"check", "02-check-passed"},
      {"install-1", "03-install-disks"},
      {"install-2", "04-install-cables"},
      {"install-3", "05-install-power"},
      {"device-list", "06-device-list"},
      {"login", "07-login"},
      {"password", "08-password"},
      {"time-zone", "09-time-zone"},
      {"date-time", "10-date-time"},
      {"network", "11-network"},
      {"disk-service", "12-disk-services"},
      {"disk-level", "13-disk-level"},
      {"disk-ratio", "14-disk-ratio-letters"},
      {"disk-summary", "15-disk-summary"},
  };
  return names;
}

}  // namespace

int main(int argc, char** argv) {
  previousHandler = qInstallMessageHandler(QuietHandler);
  std::string out = "tour";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
      out = argv[++i];
    } else {
      std::fprintf(stderr, "usage: setuppilot-tour [--out DIR]\n");
      return 2;
    }
  }
  QApplication qt(argc, argv);
  const std::string programDir = sp::ProgramFolder();
  sp::SelectorLanguageControl language(programDir);
  sp::LinuxWizardBackends backends(language, programDir);
  sp::CMainDlg wizard(backends.Services());
  int exitCode = 0;
  QObject::connect(&wizard, &QDialog::finished, [&](int code) { exitCode = code; });
  wizard.show();

  sp::tour::TourDriver driver(wizard, out);
  sp::tour::WizardWalk walk(driver, sp::tour::RunChoices{});
  walk.beforeNext = [&](const std::string& step) {
    const auto name = ShotNames().find(step);
    if (name == ShotNames().end()) return;
    driver.Pause(200);
    driver.Shot(name->second);
  };
  bool ok = true;
  QElapsedTimer total, final;
  total.start();
  for (const sp::tour::TourLeg& leg : sp::tour::TourLegs()) {
    driver.Say(std::string("leg: ") + leg.name);
    QElapsedTimer timer;
    timer.start();
    if (!leg.run(walk)) {
      driver.Say(std::string("stopped at: ") + leg.name);
      driver.Shot("stopped");
      ok = false;
      break;
    }
    if (wizard.CurrentPageId() == sp::kPageFinal && !final.isValid()) final.start();
    std::printf("tour: leg done in %.1f s\n", timer.elapsed() / 1000.0);
  }
  if (ok) {
    // From the welcome page to the summary, and the final page's share of it.
    std::printf("tour: whole run %.1f s, final page %.1f s\n", total.elapsed() / 1000.0,
                final.isValid() ? final.elapsed() / 1000.0 : 0.0);
  }
  for (const std::string& message : driver.messages()) std::printf("message box: %s\n", message.c_str());
  for (const std::string& shot : driver.shots()) std::printf("screenshot: %s\n", shot.c_str());
  const std::string sheet = out + "/contact-sheet.png";
  if (sp::tour::WriteContactSheet(driver.shots(), sheet)) std::printf("contact sheet: %s\n", sheet.c_str());

  // Leave the way a person would: Finish on the final page (Cancel elsewhere).
  if (!driver.Click(driver.CancelButton())) wizard.PostQuit(-1);
  if (!driver.WaitUntil([&] { return exitCode == -1; }, 10000)) {
    driver.Say("the wizard did not end");
    ok = false;
  }
  return ok ? 0 : 1;
}
