#pragma once
// Mapping the appliance's shared folder "Volume1" to the NAS drive letter.
//
// The wizard does not mount the share itself: it clears the letter of any
// earlier network connection and hands a map request to the share-mapping
// agent, whose answer becomes the state record's NAS mapped flag. The
// clearing is also what the iSCSI attach uses to free its letter.
//
// Runs on the final setup worker; every call blocks until the platform
// facilities are done (the agent's answer is waited for with a bound).
#include <string_view>

#include "platform/netconnections.h"
#include "platform/netdockagent.h"
#include "platform/netuse.h"
#include "wizardstate/wizardstate.h"

namespace sp {

class ShareMapping {
 public:
  ShareMapping(INetConnections& connections, INetUse& netUse, INetDockAgent& agent)
      : connections_(connections), netUse_(netUse), agent_(agent) {}

  // Frees drive "X:" of any network connection, in this order: the
  // connection (forgotten, dropped even with open files), the delete
  // command, the agent's unmap request. Each is tried whatever the others
  // did; nothing is reported.
  void ClearDriveLetter(std::string_view driveText);

  // Clears the NAS drive letter, then at once asks the agent to map
  // "\\<device host name>\Volume1" there; the NAS mapped flag becomes 1 when
  // the agent answers nonzero, else 0 (also when there is no agent).
  void MapNasShare(WizardState& state);

  // Asks the agent to end, when there is one (the wizard does this as its
  // main window goes). True when an agent was there.
  bool CloseAgent();

 private:
  INetConnections& connections_;
  INetUse& netUse_;
  INetDockAgent& agent_;
};

}  // namespace sp
