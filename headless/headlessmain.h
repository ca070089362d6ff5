#pragma once
// `setuppilot --answers FILE`: the setup without a window on the program's
// Linux backends (the same ones the wizard builds), with the answer file's
// privacy and contents checked before anything goes to an appliance.
#include <ostream>
#include <stop_token>
#include <string>

namespace sp {

struct HeadlessOptions {
  // The program's folder (the agent and the initiator service are found
  // beside it, as for the wizard).
  std::string programFolder;
  // Paths the wizard's backends take; empty: their defaults. Tests point
  // them at a scratch folder.
  std::string driveRoot, initiatorSocket, agentSocket, rememberedConnections;
  std::string gtkBookmarks, kdePlaces, applianceMemory;
  bool startAgent = true;
  int pausePercent = 100;
};

// Reads, checks and runs `path`; returns the exit code (HeadlessExit).
// A stop request (a signal) ends the run with kExitInterrupted.
int RunAnswersFile(const std::string& path, const HeadlessOptions& options, std::ostream& out, std::ostream& err,
                   std::stop_token stop);

// The program's entry for --answers: SIGINT, SIGTERM and SIGHUP stop the
// run (the final sequence takes back what it was making) instead of
// killing it; output to stdout, messages to stderr.
int RunAnswersCommand(const std::string& path, const std::string& programFolder);

// Reads `path` as the answer file is read: opened once, its owner and mode
// checked on the open file. Returns the exit code and fills `text` or `why`.
int ReadPrivateFile(const std::string& path, std::string& text, std::string& why);

}  // namespace sp
