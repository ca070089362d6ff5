#pragma once
// Runs a program with an argument vector (no shell) and waits for it; finds
// the processes started with a given argument.
#include <sys/types.h>

#include <string>
#include <vector>

namespace sp::nettest {

// Runs argv[0] (looked up in PATH) with the other elements as its arguments
// and waits for it to end. Returns its exit status, or -1 when it could not be
// started or was killed by a signal. Standard output and error are collected
// into *output when it is given, else discarded.
int RunCommand(const std::vector<std::string>& argv, std::string* output = nullptr);

// The processes that have `arg` as one of their command-line arguments (for
// daemons that outlive the program that started them).
std::vector<pid_t> ProcessesWithArgument(const std::string& arg);

}  // namespace sp::nettest
