#pragma once
// The Linux backends of the final setup, built once for the program: the
// iSCSI interpreter over our initiator service, the run's one disk
// preparation (the service partitions, attaches loop devices, formats and
// mounts for it: the wizard runs as the desktop user), the
// share mapping over the network connections and the share-mapping agent,
// and the desktop shell, with the drive letters and remembered connections
// they clear letters with (the disk page offers letters from the same):
//
//   LinuxNetDockAgent agent;
//   LinuxFinalSetup finalSetup(agent);
//   IscsiAttach attach(finalSetup.Interpreter(), finalSetup.Preparation(), finalSetup.Shares(),
//                      &finalSetup.VolumeMemory());
//
// Nothing here starts or talks to anything until the final page (or the
// network step's clean-up) uses it.
#include <sstream>

#include "hoststorage/diskprep/diskpreparation.h"
#include "hoststorage/iscsicli/iscsiinterpreter.h"
#include "hoststorage/sharemap/sharemapping.h"
#include "platform/linux/linuxdesktopshell.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxiscsiinitiator.h"
#include "platform/linux/linuxnetconnections.h"
#include "platform/linux/linuxnetuse.h"
#include "platform/linux/linuxvolumeenumerator.h"
#include "platform/linux/linuxvolumememory.h"
#include "platform/linux/linuxvolumes.h"
#include "platform/linux/serviceblockdevices.h"
#include "platform/linux/servicestoragelink.h"
#include "platform/linux/servicevolumecontrol.h"
#include "platform/netdockagent.h"

namespace sp {

class LinuxFinalSetup {
 public:
  struct Paths {
    std::string initiatorSocket;  // empty: the service's default control socket
    std::string driveRoot = kDriveMountRoot;
    // The agent's list of remembered connections; empty: the agent's default.
    std::string rememberedConnections;
    // Program that opens a drive in the file browser; empty: the desktop's.
    std::string opener;
  };

  explicit LinuxFinalSetup(INetDockAgent& agent) : LinuxFinalSetup(agent, Paths{}) {}
  LinuxFinalSetup(INetDockAgent& agent, const Paths& paths);
  LinuxFinalSetup(const LinuxFinalSetup&) = delete;
  LinuxFinalSetup& operator=(const LinuxFinalSetup&) = delete;

  IscsiInterpreter& Interpreter() { return interpreter_; }
  IIscsiInitiator& Initiator() { return initiator_; }
  DiskPreparation& Preparation() { return preparation_; }
  ShareMapping& Shares() { return shares_; }
  IDesktopShell& Desktop() { return desktop_; }
  IDriveLetters& Letters() { return letters_; }
  INetConnections& Connections() { return connections_; }
  IVolumeMemory& VolumeMemory() { return volumeMemory_; }
  // Why the service last refused a storage step (0: it did not).
  ServiceStorageLink& StorageLink() { return storageLink_; }

 private:
  ServiceStorageLink storageLink_;
  ServiceBlockDevices disks_;
  LinuxDriveLetters letters_;
  ServiceVolumeControl volumeControl_;
  LinuxVolumes volumes_;
  LinuxVolumeEnumerator enumerator_;
  LinuxIscsiInitiator initiator_;
  LinuxVolumeMemory volumeMemory_;
  DiscardingStream report_;  // the wizard has no console for the interpreter's report
  IscsiInterpreter interpreter_;
  ServiceNtfsFormatter formatter_;
  DiskPreparation preparation_;
  LinuxNetConnections connections_;
  LinuxNetUse netUse_;
  ShareMapping shares_;
  LinuxDesktopShell desktop_;
};

}  // namespace sp
