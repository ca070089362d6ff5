#pragma once
// The built-in iSCSI command interpreter. It takes command lines in the
// syntax of the Windows initiator's command-line tool ("iscsicli
// AddTargetPortal 10.77.0.2 3260"), calls the initiator and returns the
// operation's status, 0 for success. Its own failures are 8 (no memory) and
// 87 (bad parameter); a wrong word count prints the command's usage and
// returns 0. A readable report of each run goes to the output stream the
// owner gives (the wizard discards it; tests read it), and the session and
// persistent-login listings fill two tables the wizard searches.
//
// One object per wizard, shared by the pages that use it. It is not safe for
// concurrent runs: the wizard calls it from one thread at a time.
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "hoststorage/iscsicli/reporttables.h"
#include "platform/iscsiinitiator.h"
#include "platform/volumeenumerator.h"

namespace sp {

class IscsiInterpreter {
 public:
  IscsiInterpreter(IIscsiInitiator& initiator, IVolumeEnumerator& volumes, std::ostream& out);

  // Runs one command line; the program word is not checked.
  IscsiStatus Run(std::u16string_view commandLine);
  IscsiStatus Run(std::string_view commandLine);  // UTF-8

  // The session listing (SessionList): replaces the session table with one
  // record per session.
  void ClearSessionTable() {
    state_.sessions.clear();
    state_.sessionDisks.clear();
  }
  IscsiStatus ReportSessions();
  // The persistent-login listing (ListPersistentTargets): replaces the
  // persistent-login table.
  void ClearPersistentLoginTable() { state_.persistentLogins.clear(); }
  IscsiStatus ReportPersistentLogins();
  // Logs out the first session whose active mapping names `targetName`
  // exactly. Returns the logout's status, 1168 when no mapping names it, or
  // the mapping report's failure.
  IscsiStatus LogoutByTargetMapping(const std::string& targetName);

  const std::vector<IscsiSessionRecord>& sessionTable() const { return state_.sessions; }
  // The disks of each session of the session table, index for index.
  const std::vector<IscsiSessionDisks>& sessionDiskTable() const { return state_.sessionDisks; }
  const std::vector<IscsiPersistentLoginRecord>& persistentLoginTable() const { return state_.persistentLogins; }
  const std::u16string& lastCommandLine() const { return lastCommandLine_; }
  const std::string& lastSessionId() const { return state_.lastSessionId; }

 private:
  IIscsiInitiator& initiator_;
  IVolumeEnumerator& volumes_;
  std::ostream& out_;
  IscsiInterpreterState state_;
  std::u16string lastCommandLine_;
};

// An output stream that drops everything, for owners that do not show the
// report. The buffer is a base so that it exists before the stream uses it.
struct DiscardingBuffer : std::streambuf {
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

class DiscardingStream : private DiscardingBuffer, public std::ostream {
 public:
  DiscardingStream() : std::ostream(static_cast<DiscardingBuffer*>(this)) {}
};

}  // namespace sp
