#pragma once
// The two tables the interpreter fills while it lists sessions and
// persistent logins, for the wizard to search. Fields are fixed-width narrow
// texts written with sp::CopyBounded and read with sp::FieldText.
#include <cstdint>
#include <string>
#include <vector>

namespace sp {

struct IscsiSessionRecord {
  // "%llx-%llx" of the session identifier; two full 64-bit parts take 33
  // characters, so the field holds 39 to keep every identifier whole.
  char sessionId[40];
  char targetName[128];
  char targetPortalAddress[64];  // target address of the session's last connection
  char volumePath[12];           // last volume path name of the session's disks, "E:\"
};

struct IscsiPersistentLoginRecord {
  char targetName[256];
  char targetPortalAddress[16];
  std::uint16_t targetPortalSocket;
  char initiatorInstance[258];
};

// The disks a session of the last report brought to the PC: the paths by
// which the initiator lets them be opened, in its order. Kept beside the
// fixed-width record because a session may have any number of LUNs.
struct IscsiSessionDisks {
  std::vector<std::string> paths;
};

// What the interpreter keeps between command lines.
struct IscsiInterpreterState {
  std::vector<IscsiSessionRecord> sessions;     // one record per session of the last report
  std::vector<IscsiSessionDisks> sessionDisks;  // parallel to `sessions`
  std::vector<IscsiPersistentLoginRecord> persistentLogins;
  std::string lastSessionId;  // of the last successful ordinary login
};

}  // namespace sp
