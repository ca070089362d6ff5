#include "hoststorage/presence/initiatorpresence.h"

#include "platform/desktopshell.h"

#include "base/text.h"
#include "framework/core/imessagebox.h"
#include "platform/initiatorservice.h"
#include "platform/processlauncher.h"

namespace sp {

namespace {

constexpr char kShell[] = "/bin/sh";
// Keeps the terminal window open after the installer ended, so that the user
// can read what it reported. The installer command comes in as "$@"; nothing
// is pasted into the script text.
constexpr char kPauseScript[] =
    "\"$@\"; status=$?; echo; printf 'Press Enter to close this window. '; read -r _; exit $status";
constexpr char kPauseScriptName[] = "setuppilot-installer";

// Narrow buffer the device IP text passes through on its way to the address.
constexpr std::size_t kNarrowIpWidth = 16;
constexpr std::size_t kWideIpWidth = 32;

}  // namespace

std::string InitiatorInstallerPath(const std::string& programDir) {
  std::string dir = programDir;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir + "/resource/" + kInitiatorInstallerName;
}

const std::vector<TerminalProgram>& KnownTerminals() {
  static const std::vector<TerminalProgram> terminals = {
      {"x-terminal-emulator", "-e"}, {"gnome-terminal", "--"}, {"konsole", "-e"},
      {"xfce4-terminal", "-x"},      {"xterm", "-e"},
  };
  return terminals;
}

InitiatorPresence::InitiatorPresence(IInitiatorService& service, IProcessLauncher& launcher, IMessageBox& messageBox,
                                     std::string installerPath)
    : service_(service), launcher_(launcher), messageBox_(messageBox), installerPath_(std::move(installerPath)) {}

bool InitiatorPresence::CheckInitiator() {
  if (!service_.IsInstalled()) return false;
  if (service_.IsRunning()) return true;
  const auto start = [this] { return service_.Start(); };
  return waiter_ ? waiter_(start) : start();
}

std::vector<std::string> InitiatorPresence::InstallerCommand() {
  // Root rights through the desktop's own prompt, unless we have them.
  std::vector<std::string> install;
  if (!launcher_.IsSuperUser() && !launcher_.FindProgram("pkexec").empty()) install.push_back("pkexec");
  install.insert(install.end(), {kShell, installerPath_});

  if (launcher_.HasGraphicalSession()) {
    for (const auto& terminal : KnownTerminals()) {
      if (launcher_.FindProgram(terminal.name).empty()) continue;
      std::vector<std::string> argv = {terminal.name, terminal.runOption, kShell, "-c", kPauseScript, kPauseScriptName};
      argv.insert(argv.end(), install.begin(), install.end());
      return argv;
    }
  }
  return install;
}

bool InitiatorPresence::OfferInstaller(const std::string& prompt) {
  const MessageResult answer = messageBox_.Show(prompt, MessageButtons::YesNo, MessageIcon::Question);
  const std::vector<long> running = launcher_.FindByArgument(installerPath_);
  if (answer != MessageResult::Yes) {
    for (long pid : running) launcher_.Terminate(pid);
    return false;
  }
  // One installer at a time: the window of the one that runs stays where it is.
  if (running.empty()) launcher_.Start(InstallerCommand());
  return true;
}

InitiatorGateResult InitiatorPresence::RunGate(const std::string& prompt) {
  if (CheckInitiator()) return InitiatorGateResult::Present;
  if (!OfferInstaller(prompt)) return InitiatorGateResult::Declined;
  return CheckInitiator() ? InitiatorGateResult::Present : InitiatorGateResult::StillAbsent;
}

std::u16string WebPagesAddress(const char16_t* deviceIpWide, std::size_t width) {
  char narrow[kNarrowIpWidth];
  CopyBounded(narrow, sizeof narrow, Utf16ToUtf8(FieldText(deviceIpWide, width)));
  char16_t wide[kWideIpWidth];
  CopyBounded(wide, kWideIpWidth, Utf8ToUtf16(FieldText(narrow)));
  return u"http://" + FieldText(wide, kWideIpWidth);
}

std::u16string OpenWebPages(const char16_t* deviceIpWide, std::size_t width, IDesktopShell* desktop) {
  const std::u16string address = WebPagesAddress(deviceIpWide, width);
  if (desktop) desktop->OpenLink(address);
  return address;
}

}  // namespace sp
