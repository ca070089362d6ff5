#include "app/linuxwizardbackends.h"

#include <QCoreApplication>

#include "devicelink/pumpuievents.h"
#include "framework/core/awaitoffthread.h"
#include "hoststorage/iscsi/targetprobe.h"
#include "pages/disk/core/setuprecord.h"
#include "platform/linux/installlayout.h"
#include "platform/linux/rememberedconnectionstore.h"
#include "platform/linux/smbsharelist.h"

namespace sp {

namespace {

// Bound of the share listing: smbclient's own connect timeout is longer.
constexpr int kShareListTimeoutMs = 8000;

LinuxWizardBackends::Options Completed(LinuxWizardBackends::Options o) {
  if (o.agentSocket.empty()) o.agentSocket = NetDockSocketPath();
  if (o.agentDir.empty()) o.agentDir = o.programDir;
  if (o.initiatorProgram.empty()) o.initiatorProgram = LayoutFor(o.programDir).serviceProgram;
  if (o.rememberedConnections.empty()) o.rememberedConnections = DefaultRememberedConnectionsPath();
  return o;
}

// What the initiator service is started with besides its socket: its LUN
// folder when that is not the service's own default.
std::vector<std::string> InitiatorArgs(const LinuxWizardBackends::Options& o) {
  std::vector<std::string> args;
  if (o.lunFolder != iscsictl::kDefaultMountPoint) args = {"--mount", o.lunFolder};
  args.insert(args.end(), o.initiatorArgs.begin(), o.initiatorArgs.end());
  return args;
}

LinuxFinalSetup::Paths FinalPaths(const LinuxWizardBackends::Options& o) {
  LinuxFinalSetup::Paths paths;
  paths.initiatorSocket = o.initiatorSocket;
  paths.driveRoot = o.driveRoot;
  paths.rememberedConnections = o.rememberedConnections;
  paths.opener = o.opener;
  return paths;
}

LinuxWizardBackends::Options ProgramOptions(const std::string& programFolder) {
  const InstallLayout layout = LayoutFor(programFolder);
  LinuxWizardBackends::Options o;
  o.programDir = layout.dataDir;
  o.agentDir = layout.helperDir;
  o.initiatorProgram = layout.serviceProgram;
  return o;
}

}  // namespace

LinuxWizardBackends::Options LinuxWizardBackends::ForProgram(const std::string& programFolder) {
  return ProgramOptions(programFolder);
}

LinuxWizardBackends::LinuxWizardBackends(ILanguageControl& language, std::string programFolder)
    : LinuxWizardBackends(language, ProgramOptions(programFolder)) {}

LinuxWizardBackends::LinuxWizardBackends(ILanguageControl& language, Options options)
    : options_(Completed(std::move(options))),
      uiLink_(
          addresses_, [] { QCoreApplication::processEvents(); }, &sources_),
      workerLink_(addresses_, {}, &sources_),
      initiatorService_(options_.initiatorProgram, options_.initiatorSocket, InitiatorArgs(options_)),
      shareAgent_(options_.agentSocket),
      finalSetup_(shareAgent_, FinalPaths(options_)),
      bookmarks_(LinuxFileBookmarks::Options{options_.gtkBookmarks, options_.kdePlaces, options_.driveRoot}) {
  // The agent maps the share on the final page: start it now when none
  // answers, so that it is there by then (without waiting for it: the
  // window need not wait for a program it uses minutes later). One the
  // wizard started ends with it (what it mapped stays mapped); one that
  // already ran, started at login to bring the mappings back, stays.
  const bool startsAgent = options_.startAgent && !shareAgent_.Find();
  if (startsAgent) StartAgentIfAbsent(options_.agentDir, options_.agentSocket);

  services_.programDir = options_.programDir;
  services_.language = &language;
  services_.messageBox = &messageBox_;
  services_.shareAgent = startsAgent ? &shareAgent_ : nullptr;
  services_.checkPage.adapterLink = &workerLink_;
  services_.configPage = {&uiLink_, &finalSetup_.Interpreter(), &addresses_, &networkFacts_};
  // The disk profile page offers letters from the same view the final page
  // clears them with; its initiator gate starts the service or its
  // installer.
  DiskPageServices& disk = services_.diskPage;
  disk.link = &uiLink_;
  disk.driveLetters = &finalSetup_.Letters();
  disk.netConnections = &finalSetup_.Connections();
  disk.initiatorService = &initiatorService_;
  disk.launcher = &launcher_;
  disk.desktop = &finalSetup_.Desktop();
  // It holds volumes when it offers its iSCSI target or serves its share.
  // A portal that does not answer holds the probe for the connect
  // timeout: ask on a worker so the window stays painted meanwhile (the
  // disk page has disabled its buttons for the question).
  disk.holdsVolumes = [this](const WizardState& state) {
    const std::string address = state.deviceIpAddress;
    const std::string mac = state.targetMac;
    const auto holds = [&] {
      if (ApplianceOffersTarget(finalSetup_.Initiator(), address, mac)) return true;
      const auto shares = ListDiskShares(address, kShareListTimeoutMs);
      return shares && HasShare(*shares, kApplianceShareName);
    };
    return AwaitOffThread<bool>(holds, [](int ms) { PumpUiEvents(ms, [] { QCoreApplication::processEvents(); }); });
  };
  FinalPageServices& finalPage = services_.finalPage;
  finalPage.link = &workerLink_;
  finalPage.iscsiInterpreter = &finalSetup_.Interpreter();
  finalPage.diskPreparation = &finalSetup_.Preparation();
  finalPage.shareMapping = &finalSetup_.Shares();
  finalPage.volumeMemory = &finalSetup_.VolumeMemory();
  finalPage.desktopShell = &finalSetup_.Desktop();
  if (!options_.applianceMemory.empty()) {
    ApplianceMemory& memory = applianceMemory_.emplace(options_.applianceMemory);
    services_.configPage.applianceMemory = &memory;
    disk.applianceMemory = &memory;
    finalPage.setUpDone = [&memory](const WizardState& state) { memory.Remember(SetUpRecord(state, LocalDay())); };
  }
  finalPage.bookmarks = &bookmarks_;
}

}  // namespace sp
