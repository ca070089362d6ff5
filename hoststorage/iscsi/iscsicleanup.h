#pragma once
// Ends whatever the PC still holds to the appliance's iSCSI target before
// the appliance's disks are reformatted or its address changes: live
// sessions are logged out and, when there was one, the persistent login is
// removed, so the initiator does not reconnect to a target that is about to
// vanish. Statuses are ignored; the clean-up always completes.
//
// Called by the network settings step before it sends the new settings and
// by the final setup sequence at its start, never both at once.
#include "hoststorage/iscsicli/iscsiinterpreter.h"
#include "wizardstate/wizardstate.h"

namespace sp {

void RunIscsiCleanup(IscsiInterpreter& interpreter, const WizardState& state);

// Takes back what an attach that did not succeed left behind: every session
// to the target is logged out and every persistent login of it removed,
// with or without a live session, so the initiator does not bring the
// half-attached volume back when it next starts. Statuses are ignored.
void RemoveFailedIscsiLogin(IscsiInterpreter& interpreter, const WizardState& state);

}  // namespace sp
