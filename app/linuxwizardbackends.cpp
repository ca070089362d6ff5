#include "app/linuxwizardbackends.h"

#include <QCoreApplication>

#include "platform/linux/rememberedconnectionstore.h"

namespace sp {

namespace {

LinuxWizardBackends::Options Completed(LinuxWizardBackends::Options o) {
  if (o.agentSocket.empty()) o.agentSocket = NetDockSocketPath();
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
  paths.lunFolder = o.lunFolder;
  paths.driveRoot = o.driveRoot;
  paths.rememberedConnections = o.rememberedConnections;
  paths.opener = o.opener;
  return paths;
}

LinuxWizardBackends::Options ProgramOptions(std::string programDir) {
  LinuxWizardBackends::Options o;
  o.programDir = std::move(programDir);
  return o;
}

}  // namespace

LinuxWizardBackends::LinuxWizardBackends(ILanguageControl& language, std::string programDir)
    : LinuxWizardBackends(language, ProgramOptions(std::move(programDir))) {}

LinuxWizardBackends::LinuxWizardBackends(ILanguageControl& language, Options options)
    : options_(Completed(std::move(options))),
      uiLink_(
          addresses_, [] { QCoreApplication::processEvents(); }, &sources_),
      workerLink_(addresses_, {}, &sources_),
      initiatorService_(options_.initiatorProgram, options_.initiatorSocket, InitiatorArgs(options_)),
      shareAgent_(options_.agentSocket),
      finalSetup_(shareAgent_, FinalPaths(options_)) {
  // The agent maps the share on the final page: start it now when none
  // answers, so that it is there by then. The main window tells it to end
  // with the wizard; what it mapped stays mapped.
  agentAnswered_ =
      options_.startAgent ? EnsureAgentRunning(options_.programDir, options_.agentSocket) : shareAgent_.Find();

  services_.programDir = options_.programDir;
  services_.language = &language;
  services_.uiLink = &uiLink_;
  services_.workerLink = &workerLink_;
  services_.addresses = &addresses_;
  services_.messageBox = &messageBox_;
  services_.shareAgent = &shareAgent_;
  // The disk profile page: the initiator gate and its installer.
  services_.initiatorService = &initiatorService_;
  services_.launcher = &launcher_;
  // The final page: the iSCSI interpreter (also the network step's
  // clean-up), disk preparation, share mapping, the desktop shell; the
  // drive letters and remembered connections both pages offer letters from.
  finalSetup_.Fill(services_);
}

}  // namespace sp
