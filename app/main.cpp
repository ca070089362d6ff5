// setuppilot: the wizard that prepares a VBX-207 appliance from this PC.
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app/cmaindlg.h"
#include "app/commandline.h"
#include "app/csetuppilotapp.h"
#include "app/endsignals.h"
#include "app/linuxwizardbackends.h"
#include "headless/headlessmain.h"
#include "platform/linux/installlayout.h"
#include "uikit/cbitcombobox.h"
#include "version.h"

int main(int argc, char** argv) {
  // Answered before Qt starts: a terminal without a display must do.
  const sp::WizardCommandLine command = sp::ParseWizardCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!command.error.empty()) {
    std::fprintf(stderr, "setuppilot: %s\n%s", command.error.c_str(), sp::WizardUsageText());
    return 2;
  }
  if (command.help) {
    std::fputs(sp::WizardUsageText(), stdout);
    return 0;
  }
  if (command.version) {
    std::printf("setuppilot %s\n", SP_VERSION_TEXT);
    return 0;
  }
  // Files the wizard writes for its user (remembered connections, the
  // agent's mounts) would belong to root, and the desktop would run as root.
  if (geteuid() == 0 && !command.allowRoot) {
    std::fputs(sp::RootRefusalText(), stderr);
    return 1;
  }
  // No window: nothing of Qt is started.
  if (!command.answersFile.empty()) return sp::RunAnswersCommand(command.answersFile, sp::ProgramFolder());

  QApplication qt(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Setup Pilot"));
  QApplication::setApplicationVersion(QStringLiteral(SP_VERSION_TEXT));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.setuppilot.SetupPilot"));

  const sp::InstallLayout layout = sp::LayoutFor(sp::ProgramFolder());
  sp::CBitComboBox::SetDefaultBitmapFolder(sp::CBitComboBox::BitmapFolderFor(layout.dataDir));
  sp::CSetupPilotApp::Options options;
  options.programDir = layout.dataDir;
  sp::CSetupPilotApp app(options);
  // Start-up always reports false: the program ends after it, whether the
  // wizard ran or a copy was already running.
  app.InitInstance([&](sp::CSetupPilotApp&) {
    sp::LinuxWizardBackends::Options backendOptions = sp::LinuxWizardBackends::ForProgram(layout.programDir);
    // Only the real program remembers what it set up; test and tour runs
    // leave the person's list alone.
    backendOptions.applianceMemory = sp::ApplianceMemory::DefaultPath();
    sp::LinuxWizardBackends backends(app, backendOptions);
    sp::CMainDlg wizard(backends.Services());
    // Ended from outside: the window goes now; leaving this scope tears the
    // pages down, which stops and tidies the final setup.
    sp::EndSignals ending([&wizard] { wizard.EndNow(); });
    if (!command.firstPagePicture.empty()) {
      QTimer::singleShot(0, &wizard, [&] {
        const bool saved = wizard.grab().save(QString::fromStdString(command.firstPagePicture), "PNG");
        wizard.PostQuit(saved ? 0 : 1);
      });
    }
    return wizard.DoModal();
  });
  // A picture that could not be drawn is a failure; otherwise the program
  // ends well however the wizard ended.
  if (!command.firstPagePicture.empty() && app.mainWindowResult() != 0) return 1;
  return 0;
}
