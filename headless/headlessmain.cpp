#include "headless/headlessmain.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <ctime>
#include <iostream>
#include <optional>
#include <thread>

#include "devicelink/appliancesources.h"
#include "devicelink/devicelink.h"
#include "headless/core/answerfile.h"
#include "headless/core/headlessrun.h"
#include "hoststorage/iscsi/targetprobe.h"
#include "hoststorage/linux/linuxfinalsetup.h"
#include "pages/disk/core/setuprecord.h"
#include "platform/appliancememory.h"
#include "platform/linux/installlayout.h"
#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/linuxfilebookmarks.h"
#include "platform/linux/linuxinitiatorservice.h"
#include "platform/linux/linuxlocaladdresses.h"
#include "platform/linux/linuxnetdockagent.h"
#include "platform/linux/rememberedconnectionstore.h"
#include "setupreport/setupreport.h"

namespace sp {

namespace {

constexpr std::size_t kMaxAnswerFileBytes = 64 * 1024;

// Without a window nobody looks at a file manager: the new drive is named in
// the terminal instead of opened.
class NoWindowShell : public IDesktopShell {
 public:
  bool RunExplorer(std::string_view commandLine) override {
    RecordSetupStep("not opened (no window): " + std::string(commandLine));
    return true;
  }
  int OpenLink(std::u16string_view) override { return kLinkNoOpener; }
};

std::array<int, 6> LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

// The backends the wizard builds (LinuxWizardBackends), without the window's
// parts: one device link that only sleeps while it waits.
struct Backends {
  explicit Backends(const HeadlessOptions& o)
      : agent(o.agentSocket.empty() ? NetDockSocketPath() : o.agentSocket),
        finalSetup(agent, Paths(o)),
        initiator(LayoutFor(o.programFolder).serviceProgram,
                  o.initiatorSocket.empty() ? iscsictl::kDefaultSocket : o.initiatorSocket),
        bookmarks(LinuxFileBookmarks::Options{o.gtkBookmarks, o.kdePlaces,
                                              o.driveRoot.empty() ? kDriveMountRoot : o.driveRoot}),
        link(addresses, {}, &sources) {}

  static LinuxFinalSetup::Paths Paths(const HeadlessOptions& o) {
    LinuxFinalSetup::Paths p;
    p.initiatorSocket = o.initiatorSocket;
    if (!o.driveRoot.empty()) p.driveRoot = o.driveRoot;
    p.rememberedConnections =
        o.rememberedConnections.empty() ? DefaultRememberedConnectionsPath() : o.rememberedConnections;
    return p;
  }

  LinuxNetDockAgent agent;
  LinuxFinalSetup finalSetup;
  LinuxInitiatorService initiator;
  LinuxFileBookmarks bookmarks;
  LinuxLocalAddresses addresses;
  ApplianceSources sources;
  DeviceLink link;
  NoWindowShell shell;
};

}  // namespace

int ReadPrivateFile(const std::string& path, std::string& text, std::string& why) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  struct stat st {};
  if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    why = "cannot read it";
    if (fd >= 0) close(fd);
    return kExitUsage;
  }
  if (const auto problem = AnswerFilePrivacyProblem(st.st_mode & 07777, st.st_uid, geteuid())) {
    close(fd);
    why = *problem;
    return kExitFileNotPrivate;
  }
  text.clear();
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0 && text.size() <= kMaxAnswerFileBytes) text.append(buffer, n);
  close(fd);
  if (n < 0 || text.size() > kMaxAnswerFileBytes) {
    why = n < 0 ? "cannot read it" : "larger than 64 KiB";
    return kExitUsage;
  }
  return kExitDone;
}

int RunAnswersFile(const std::string& path, const HeadlessOptions& options, std::ostream& out, std::ostream& err,
                   std::stop_token stop) {
  std::string text, why;
  if (const int code = ReadPrivateFile(path, text, why); code != kExitDone) {
    err << "setuppilot: " << path << ": " << why << "\n";
    return code;
  }
  const AnswerReading reading = ReadAnswers(text);
  if (!reading.answers) {
    err << "setuppilot: " << reading.error.Text(path) << "\n";
    return kExitUsage;
  }

  std::shared_ptr<SetupReport> report = SetupReport::Create(SetupReportFolder(), std::chrono::system_clock::now());
  SetCurrentSetupReport(report);
  Backends b(options);
  const Answers& a = *reading.answers;
  // The share is mapped by the agent: start it when none answers, as the
  // wizard does, and give it the time the wizard's pages would.
  const std::string agentSocket = options.agentSocket.empty() ? NetDockSocketPath() : options.agentSocket;
  const bool startsAgent = a.nasLetter && options.startAgent && !b.agent.Find();
  if (startsAgent) {
    StartAgentIfAbsent(LayoutFor(options.programFolder).helperDir, agentSocket);
    WaitForAgent(agentSocket, 5000);
  }
  std::optional<ApplianceMemory> memory;
  if (!options.applianceMemory.empty()) memory.emplace(options.applianceMemory);

  HeadlessServices s;
  s.link = &b.link;
  s.iscsiInterpreter = &b.finalSetup.Interpreter();
  s.addresses = &b.addresses;
  s.driveLetters = &b.finalSetup.Letters();
  s.netConnections = &b.finalSetup.Connections();
  s.diskPreparation = &b.finalSetup.Preparation();
  s.shareMapping = &b.finalSetup.Shares();
  s.volumeMemory = &b.finalSetup.VolumeMemory();
  s.desktopShell = &b.shell;
  s.bookmarks = &b.bookmarks;
  s.initiatorService = &b.initiator;
  s.holdsVolumes = [&b](const WizardState& state) {
    return ApplianceOffersTarget(b.finalSetup.Initiator(), state.deviceIpAddress, state.targetMac);
  };
  if (memory) s.setUpDone = [&memory](const WizardState& state) { memory->Remember(SetUpRecord(state, LocalDay())); };
  s.localTime = LocalNow;
  s.pausePercent = options.pausePercent;
  const int code = RunHeadlessSetup(a, path, s, out, err, stop);
  // One we started ends with us, as with the wizard (what it mapped stays
  // mapped); one that ran already, started at login, stays.
  if (startsAgent) b.agent.Close();
  if (report) out << "Setup report: " << report->Path() << "\n";
  SetCurrentSetupReport(nullptr);
  return code;
}

int RunAnswersCommand(const std::string& path, const std::string& programFolder) {
  sigset_t ending;
  sigemptyset(&ending);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, signal);
  // Blocked before any thread starts, so that only the watcher takes them.
  pthread_sigmask(SIG_BLOCK, &ending, nullptr);
  std::stop_source stop;
  std::jthread watcher([&ending, &stop](std::stop_token done) {
    const timespec tick{0, 200 * 1000 * 1000};
    while (!done.stop_requested()) {
      if (sigtimedwait(&ending, nullptr, &tick) > 0) {
        stop.request_stop();
        return;
      }
    }
  });
  HeadlessOptions options;
  options.programFolder = programFolder;
  options.applianceMemory = ApplianceMemory::DefaultPath();
  return RunAnswersFile(path, options, std::cout, std::cerr, stop.get_token());
}

}  // namespace sp
