#pragma once
// The real services the wizard runs on under Linux, for the program and the
// tour driver: local addresses from getifaddrs, the device link over UDP
// broadcast sockets (one for the UI thread that keeps Qt events flowing
// while it waits, one for workers that only sleeps), Qt message boxes, and
// the client of the share-mapping agent on its socket in the user's
// runtime directory.
//
// Sockets and address lists belong to the network namespace of the thread
// that uses them; run the whole program inside the namespace it should
// work in (scripts/demo.sh runs it in "pc").
#include <string>

#include "devicelink/devicelink.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxinitiatorservice.h"
#include "platform/linux/linuxlocaladdresses.h"
#include "platform/linux/linuxnetconnections.h"
#include "platform/linux/linuxnetdockagent.h"
#include "platform/linux/linuxprocesslauncher.h"
#include "shell/ilanguagecontrol.h"
#include "shell/qtmessagebox.h"
#include "shell/wizardservices.h"

namespace sp {

class LinuxWizardBackends {
 public:
  LinuxWizardBackends(ILanguageControl& language, std::string programDir);
  LinuxWizardBackends(const LinuxWizardBackends&) = delete;
  LinuxWizardBackends& operator=(const LinuxWizardBackends&) = delete;

  WizardServices& Services() { return services_; }

 private:
  LinuxLocalAddresses addresses_;
  DeviceLink uiLink_;
  DeviceLink workerLink_;
  QtMessageBox messageBox_;
  LinuxDriveLetters driveLetters_;
  LinuxNetConnections netConnections_;
  LinuxInitiatorService initiatorService_;
  LinuxProcessLauncher launcher_;
  LinuxNetDockAgent shareAgent_;
  WizardServices services_;
};

}  // namespace sp
