#pragma once
// The setup report: one text file per wizard run that says, step by step and
// with the time of each, what the wizard sent to the appliance, what came
// back, and what a tool printed when it failed, so that a run that went
// wrong can be looked at afterwards. Passwords never go in: the places that
// record an exchange blank them first.
//
// The file stays small: past the size limit the middle of the run is left
// out (a marker says how much) and the start and the latest entries stay.
// Only the newest few reports are kept in the folder.
//
// One report is the process's current one; the device link, the tool
// runner and the final setup record into it through RecordSetupStep, from
// any thread. Without a current report nothing is recorded.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace sp {

struct SetupReportLimits {
  std::size_t maxBytes = 256 * 1024;  // the file never grows past this
  int keepRuns = 10;                  // reports kept in the folder, this run's included
};

class SetupReport {
 public:
  // Starts a report "setup-YYYYMMDD-HHMMSS.txt" (local time of `start`) in
  // `folder`, made with mode 0700 when missing, and removes the oldest
  // reports beyond the limit. Null when the folder or file cannot be made.
  static std::unique_ptr<SetupReport> Create(const std::string& folder, std::chrono::system_clock::time_point start,
                                             SetupReportLimits limits = {});

  const std::string& Path() const { return path_; }

  // Adds one entry, stamped with the time, and rewrites the file (whole,
  // through a temporary file, so a reader never sees half of it).
  // `detail` goes on indented lines below; an entry that is too large on
  // its own keeps its start and end.
  void Add(std::string_view what, std::string_view detail = {});

  // What the file holds.
  std::string Text() const;

 private:
  SetupReport(std::string path, SetupReportLimits limits) : path_(std::move(path)), limits_(limits) {}
  std::string TextLocked() const;
  void WriteLocked() const;

  const std::string path_;
  const SetupReportLimits limits_;
  mutable std::mutex mutex_;
  std::string head_;              // the run's start, up to half the limit
  std::deque<std::string> tail_;  // the latest entries after it
  std::size_t tailBytes_ = 0;
  std::size_t leftOut_ = 0;  // entries dropped between head and tail
};

// The folder reports go to: $XDG_STATE_HOME/setuppilot, else
// $HOME/.local/state/setuppilot (an unset or relative XDG_STATE_HOME is
// ignored, as the base directory rules say). Empty without either.
std::string SetupReportFolder();

// The process's current report (null: none). Holding it keeps it alive
// while an entry is added.
void SetCurrentSetupReport(std::shared_ptr<SetupReport> report);
std::shared_ptr<SetupReport> CurrentSetupReport();
// Adds to the current report, if there is one.
void RecordSetupStep(std::string_view what, std::string_view detail = {});

// Bytes as two-digit hex, blank-separated, for exchanges in the report.
std::string HexBytes(const std::uint8_t* bytes, std::size_t length);

}  // namespace sp
