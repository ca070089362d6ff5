#pragma once
// What the wizard's pages get from outside: the platform services and core
// objects, handed to the main window (and through it to every page) by
// whoever builds the wizard. main() fills it with the real Linux backends;
// tests fill it with fakes, or with real backends inside a test network.
//
// Pointers are not owned; whoever fills the struct keeps the objects alive
// for the main window's lifetime. Later parts of the wizard add their
// services here.
#include <functional>
#include <string>

namespace sp {

class DiskPreparation;
class IDesktopShell;
class IDeviceLink;
class IDriveLetters;
class IInitiatorService;
class IscsiInterpreter;
class ILanguageControl;
class ILocalAddresses;
class IMessageBox;
class INetConnections;
class INetDockAgent;
class IProcessLauncher;
class ShareMapping;

// The wizard's fixed pauses. The program always uses the defaults; tests
// shorten them.
struct WizardTiming {
  int checkStepMs = 5;          // one step of the connection check's progress bar
  int installFrameMs = 700;     // one frame of the install guide's animation
  int installNextHoldMs = 500;  // the install guide's buttons stay disabled on Next
  int finalPausePercent = 100;  // the final setup's pauses, in percent of their length
  int finalSilentPolls = 300;   // progress polls in a row without a reply before the appliance counts as gone
};

struct WizardServices {
  // Folder of the program: images are read from "<programDir>/resource/english/".
  std::string programDir;
  // Language choice (required).
  ILanguageControl* language = nullptr;
  // Device link for the UI thread: exchanges, discovery and the probe keep
  // UI events flowing while they wait (required by the configuration pages).
  IDeviceLink* uiLink = nullptr;
  // Device link for worker threads: its waits only sleep (the connection
  // check's adapter test, the final setup sequence).
  IDeviceLink* workerLink = nullptr;
  // The PC's IPv4 addresses.
  ILocalAddresses* addresses = nullptr;
  // Message boxes (required by every page that reports a failure).
  IMessageBox* messageBox = nullptr;
  // The share-mapping agent's client ("NetDock"); the main window tells a
  // running agent to end when it goes. Null when there is none to talk to.
  INetDockAgent* shareAgent = nullptr;
  class IscsiInterpreter* iscsiInterpreter = nullptr;  // iSCSI clean-up and attach; null: no initiator to clean
  DiskPreparation* diskPreparation = nullptr;          // the run's one disk preparation (final setup; required there)
  ShareMapping* shareMapping = nullptr;                // NAS share mapping (final setup; required there)
  IDesktopShell* desktopShell = nullptr;               // opens the new drive (final setup; required there)
  IDriveLetters* driveLetters = nullptr;               // letters in use (disk page's letter lists)
  INetConnections* netConnections = nullptr;           // remembered connections of letters (letter lists)
  IInitiatorService* initiatorService = nullptr;       // the iSCSI initiator (disk page's gate)
  IProcessLauncher* launcher = nullptr;                // helper programs (the initiator's installer)
  std::function<int(const std::u16string&)> openLink;  // web pages; empty: the desktop's opener
  WizardTiming timing;
};

}  // namespace sp
