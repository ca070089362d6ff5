// setuppilot: the wizard that prepares a VBX-207 appliance from this PC.
#include <QApplication>

#include "app/cmaindlg.h"
#include "app/csetuppilotapp.h"
#include "app/endsignals.h"
#include "app/linuxwizardbackends.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Setup Pilot"));

  sp::CSetupPilotApp::Options options;
  options.programDir = sp::ProgramFolder();
  sp::CSetupPilotApp app(options);
  // Start-up always reports false: the program ends after it, whether the
  // wizard ran or a copy was already running.
  app.InitInstance([](sp::CSetupPilotApp& a) {
    sp::LinuxWizardBackends::Options backendOptions;
    backendOptions.programDir = a.ProgramDir();
    // Only the real program remembers what it set up; test and tour runs
    // leave the person's list alone.
    backendOptions.applianceMemory = sp::ApplianceMemory::DefaultPath();
    sp::LinuxWizardBackends backends(a, backendOptions);
    sp::CMainDlg wizard(backends.Services());
    // Ended from outside: the window goes now; leaving this scope tears the
    // pages down, which stops and tidies the final setup.
    sp::EndSignals ending([&wizard] { wizard.EndNow(); });
    return wizard.DoModal();
  });
  return 0;
}
