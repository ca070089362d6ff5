// setuppilot-tour: runs the wizard offscreen with the real backends and
// clicks through it like a person, writing a picture of every page it
// reaches. Run it where the wizard should run (scripts/demo.sh runs it in
// the pc namespace, next to the appliance simulator).
//
//   setuppilot-tour [--out DIR]
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/csetuppilotapp.h"
#include "app/linuxwizardbackends.h"
#include "shell/cmaindlg.h"
#include "shell/ilanguagecontrol.h"
#include "tools/tour/tourdriver.h"

namespace {

// The offscreen platform cannot shape windows and says so once per window;
// the tour's pictures apply the shape themselves, so the notice is noise.
QtMessageHandler previousHandler = nullptr;

void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QLatin1String("does not support setting window masks"))) return;
  if (previousHandler) previousHandler(type, context, message);
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
  bool ok = true;
  for (const sp::tour::TourLeg& leg : sp::tour::TourLegs()) {
    driver.Say(std::string("leg: ") + leg.name);
    if (!leg.run(driver)) {
      driver.Say(std::string("stopped at: ") + leg.name);
      ok = false;
      break;
    }
  }
  for (const std::string& shot : driver.shots()) std::printf("screenshot: %s\n", shot.c_str());

  // Leave the way a person would: Cancel (or Finish) on the page shown now.
  if (!driver.Click(driver.CancelButton())) wizard.PostQuit(-1);
  if (!driver.WaitUntil([&] { return exitCode == -1; }, 5000)) {
    driver.Say("the wizard did not end on Cancel");
    ok = false;
  }
  return ok ? 0 : 1;
}
