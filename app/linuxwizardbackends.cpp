#include "app/linuxwizardbackends.h"

#include <QCoreApplication>

namespace sp {

LinuxWizardBackends::LinuxWizardBackends(ILanguageControl& language, std::string programDir)
    : uiLink_(addresses_, [] { QCoreApplication::processEvents(); }), workerLink_(addresses_) {
  services_.programDir = std::move(programDir);
  services_.language = &language;
  services_.uiLink = &uiLink_;
  services_.workerLink = &workerLink_;
  services_.addresses = &addresses_;
  services_.messageBox = &messageBox_;
  // The disk profile page: drive letters, remembered connections, the
  // initiator gate and its installer.
  services_.driveLetters = &driveLetters_;
  services_.netConnections = &netConnections_;
  services_.initiatorService = &initiatorService_;
  services_.launcher = &launcher_;
  services_.shareAgent = &shareAgent_;
}

}  // namespace sp
