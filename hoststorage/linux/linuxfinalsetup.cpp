#include "hoststorage/linux/linuxfinalsetup.h"

#include "platform/linux/iscsicontrolprotocol.h"

namespace sp {

namespace {

std::string Or(const std::string& value, const char* fallback) { return value.empty() ? fallback : value; }

LinuxDesktopShell::Options DesktopOptions(const LinuxFinalSetup::Paths& paths) {
  LinuxDesktopShell::Options o;
  o.mountRoot = paths.driveRoot;
  if (!paths.opener.empty()) o.opener = paths.opener;
  return o;
}

}  // namespace

LinuxFinalSetup::LinuxFinalSetup(INetDockAgent& agent, const Paths& paths)
    : storageLink_(Or(paths.initiatorSocket, iscsictl::kDefaultSocket)),
      disks_(storageLink_),
      letters_(paths.driveRoot),
      volumeControl_(storageLink_),
      volumes_(letters_, volumeControl_, disks_),
      enumerator_(volumes_),
      initiator_(Or(paths.initiatorSocket, iscsictl::kDefaultSocket), disks_, enumerator_),
      volumeMemory_(Or(paths.initiatorSocket, iscsictl::kDefaultSocket)),
      interpreter_(initiator_, enumerator_, report_),
      formatter_(storageLink_),
      preparation_(disks_, letters_, volumeControl_, formatter_),
      // The share's letter is cleared under the same root the volumes use.
      connections_(paths.driveRoot, paths.rememberedConnections.empty() ? DefaultRememberedConnectionsPath()
                                                                        : paths.rememberedConnections),
      netUse_(paths.driveRoot),
      shares_(connections_, netUse_, agent),
      desktop_(DesktopOptions(paths)) {}

}  // namespace sp
