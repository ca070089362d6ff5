#pragma once
// The real services the wizard runs on under Linux, for the program, the
// tour driver and the end-to-end test: local addresses from getifaddrs, the
// device link over UDP broadcast sockets (one for the UI thread that keeps
// Qt events flowing while it waits, one for workers that only sleeps), Qt
// message boxes, the share-mapping agent's client (the agent is started
// when none runs), drive letters under the mount root, the remembered
// network connections, our iSCSI initiator service and its control socket,
// the helper launcher, and the final setup's backends (the iSCSI
// interpreter over the initiator service and the volume enumerator, disk
// preparation, share mapping, the desktop shell).
//
// Sockets and address lists belong to the network namespace of the thread
// that uses them; run the whole program inside the namespace it should
// work in (scripts/demo.sh runs it in "pc"). Mounts made for the wizard
// (the iSCSI volume, the share) must be visible to it: the initiator
// service and the agent run in the wizard's mount namespace.
//
// The program always uses the default Options: nothing of the wizard is
// configured from outside. Tests point the paths at a scratch folder.
#include <optional>
#include <string>
#include <vector>

#include "app/ilanguagecontrol.h"
#include "app/wizardservices.h"
#include "devicelink/devicelink.h"
#include "framework/qtmessagebox.h"
#include "hoststorage/linux/linuxfinalsetup.h"
#include "platform/appliancememory.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxfilebookmarks.h"
#include "platform/linux/linuxinitiatorservice.h"
#include "platform/linux/linuxlocaladdresses.h"
#include "platform/linux/linuxnetdockagent.h"
#include "platform/linux/linuxnetworkfacts.h"
#include "platform/linux/linuxprocesslauncher.h"

namespace sp {

class LinuxWizardBackends {
 public:
  struct Options {
    // Folder of the images and catalogues (the program's own folder in the
    // build tree), and of the agent's program (empty: the same folder).
    std::string programDir;
    std::string agentDir;
    // Drive X: is <driveRoot>/x, for the volumes and for the share.
    std::string driveRoot = kDriveMountRoot;
    // The initiator service: its program (installed = present there), its
    // control socket and the folder of its LUN files; extra arguments it
    // gets when the wizard starts it. An empty program: the one beside the
    // program folder's own.
    std::string initiatorProgram;
    std::string initiatorSocket = iscsictl::kDefaultSocket;
    std::string lunFolder = iscsictl::kDefaultMountPoint;
    std::vector<std::string> initiatorArgs;
    // The share-mapping agent's socket and its list of remembered
    // connections (empty: the agent's defaults for this user).
    std::string agentSocket;
    std::string rememberedConnections;
    // Start the agent from the program folder when none answers.
    bool startAgent = true;
    // Program that opens a drive or a web page; empty: the desktop's opener.
    std::string opener;
    // The file of appliances set up from this PC (ApplianceMemory); empty:
    // none are remembered and nothing is asked before a format.
    std::string applianceMemory;
    // The file manager's places files (GTK bookmarks, KDE XBEL); empty:
    // the user's own.
    std::string gtkBookmarks;
    std::string kdePlaces;
  };

  // The program's backends: the parts found around the running program's
  // folder `programFolder` (see InstallLayout), every other option at its
  // default.
  LinuxWizardBackends(ILanguageControl& language, std::string programFolder);
  // Those same options, for a caller that changes some of them.
  static Options ForProgram(const std::string& programFolder);
  LinuxWizardBackends(ILanguageControl& language, Options options);
  LinuxWizardBackends(const LinuxWizardBackends&) = delete;
  LinuxWizardBackends& operator=(const LinuxWizardBackends&) = delete;

  WizardServices& Services() { return services_; }
  const Options& options() const { return options_; }
  // Whether an agent answers within `waitMs` (one the backends started
  // when none answered, or one that ran already).
  bool AgentAnswers(int waitMs = 5000) const { return WaitForAgent(options_.agentSocket, waitMs); }

 private:
  Options options_;
  LinuxLocalAddresses addresses_;
  LinuxNetworkFacts networkFacts_;
  std::optional<ApplianceMemory> applianceMemory_;
  // Where each discovered appliance answers from, for both links.
  ApplianceSources sources_;
  DeviceLink uiLink_;
  DeviceLink workerLink_;
  QtMessageBox messageBox_;
  LinuxInitiatorService initiatorService_;
  LinuxProcessLauncher launcher_;
  LinuxNetDockAgent shareAgent_;
  LinuxFinalSetup finalSetup_;
  // The desktop user's places files; a drive is at its mount point.
  LinuxFileBookmarks bookmarks_;
  WizardServices services_;
};

}  // namespace sp
