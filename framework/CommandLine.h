#pragma once

// The program's options. Without any, it runs the real-time window as it always
// has; the options reach the recorded-history, console and batch runs and ask
// for the module logs to be written out.

#include <string>
#include <vector>

struct CommandLine {
  int flags = 1;                // run-mode request bits for Framework::Initialize
  std::string historyFile;      // external force history (empty: none)
  std::string studyFile;        // the cases of a parameter study (empty: none)
  std::string logDirectory;     // where to write the module logs (empty: nowhere)
  bool realTimePacing = false;  // window runs keep simulated time with the wall clock
  bool writeStates = false;     // every run also writes its linear states
  bool showHelp = false;
  std::vector<char*> windowArguments;  // argv[0] and everything meant for the window system
};

// Reads argv. False with a one-line `error` for an unknown "--" option, a missing
// value, or a combination that names no run.
bool ParseCommandLine(int argc, char** argv, CommandLine& commandLine, std::string& error);

// The usage text printed by --help and after an option error.
const char* UsageText();
