#pragma once
// Making sure the iSCSI initiator is there before the disk profile page lets
// a profile with an iSCSI volume go on, offering its installer when it is
// missing, and handing the user over to the appliance's own web pages.
//
// The initiator here is our service setuppilot-iscsid. Present means
// installed and answering; a service that is installed but stopped is started
// on the spot (through systemd or pkexec, which ask for the administrator's
// password; see LinuxInitiatorService): the wizard starts it whenever it
// finds it stopped, and the installer script starts it right after
// installing it.
//
// The installer is the script install-iscsi-initiator.sh in the program's
// resource folder. It needs root: it runs through pkexec unless the wizard
// already has root rights, inside a terminal window when a graphical session
// and a terminal emulator are there (so the user sees what it does and can
// answer), and is recognised while it runs by its path among a process's
// arguments, so that a second Yes does not start it twice.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace sp {

class IDesktopShell;
class IInitiatorService;
class IMessageBox;
class IProcessLauncher;

// "iSCSI service is not installed. ... Press [No] Wizard will cancel ..."
inline constexpr int kIdsInitiatorMissing = 167;
inline constexpr char kInitiatorInstallerName[] = "install-iscsi-initiator.sh";

// "<programDir>/resource/install-iscsi-initiator.sh"
std::string InitiatorInstallerPath(const std::string& programDir);

// A terminal emulator and the option after which it takes the command to run
// (program and arguments as separate words).
struct TerminalProgram {
  const char* name;
  const char* runOption;
};
// The terminal emulators tried, in order.
const std::vector<TerminalProgram>& KnownTerminals();

enum class InitiatorGateResult {
  Present,      // go on to the next sub-step
  StillAbsent,  // the installer was offered; stay, the user confirms again after installing
  Declined,     // the user said No: the wizard ends
};

class InitiatorPresence {
 public:
  InitiatorPresence(IInitiatorService& service, IProcessLauncher& launcher, IMessageBox& messageBox,
                    std::string installerPath);

  // True when the service is installed and answers; a stopped service is
  // started first. An installed service that does not come up counts as
  // missing, so that the offer's installer (which also starts it) gets its
  // turn instead of the attach failing later.
  bool CheckInitiator();

  // Asks with `prompt` (Yes and No, question icon). Yes: starts the
  // installer unless one already runs, and returns true without waiting for
  // it (a failed start is not reported). No: ends every installer that runs
  // and returns false.
  bool OfferInstaller(const std::string& prompt);

  // The gate: check; when missing, offer; after an offer, check again at once.
  InitiatorGateResult RunGate(const std::string& prompt);

  // The command that runs the installer, as the launcher is given it.
  std::vector<std::string> InstallerCommand();

  const std::string& InstallerPath() const { return installerPath_; }

  // Runs the service's start, which may wait minutes for the person's
  // password, e.g. off the UI thread while the window keeps drawing.
  // Default: called right here.
  using Waiter = std::function<bool(const std::function<bool()>& start)>;
  void SetWaiter(Waiter waiter) { waiter_ = std::move(waiter); }

 private:
  IInitiatorService& service_;
  IProcessLauncher& launcher_;
  IMessageBox& messageBox_;
  std::string installerPath_;
  Waiter waiter_;
};

// The appliance's web address "http://%s" from the wide device IP text of
// the state record (a field of `width` units): the text goes through a
// 16-byte narrow buffer and back, so at most 15 characters of it are used.
std::u16string WebPagesAddress(const char16_t* deviceIpWide, std::size_t width);

// Opens the appliance's web pages through the desktop (none: nothing is
// opened). Returns the address it asked for. The caller ends the wizard
// afterwards, whatever the desktop answered.
std::u16string OpenWebPages(const char16_t* deviceIpWide, std::size_t width, IDesktopShell* desktop);

}  // namespace sp
