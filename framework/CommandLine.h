#pragma once

// The program's options. Without any, it runs the real-time window as it always
// has; the options reach the recorded-history, console and batch runs, name the
// model file and the results folder, and ask for the module logs to be written
// out. Options take their value as the next word or after '=' ("--jobs=2").

#include <string>
#include <vector>

#include "framework/SetRange.h"
#include "results/ResultTable.h"

struct CommandLine {
  int flags = 1;             // run-mode request bits for Framework::Initialize
  std::string historyFile;   // external force history (empty: none)
  std::string studyFile;     // the cases of a parameter study (empty: none)
  std::string logDirectory;  // where to write the module logs (empty: nowhere)
  std::string initFolder;    // a working folder to make from the shipped data (empty: none)
  std::string modelFile = "combined_train17_GEN.in";
  std::string resultsFolder = "results";  // every result file and the lock
  int jobs = 1;   // batch sets or study cases run at once; the number of cores unless given
  SetRange sets;  // the part of a batch or of a study to run
  bool realTimePacing = false;  // window runs keep simulated time with the wall clock
  bool writeStates = false;     // every run also writes its linear states
  bool writeModes = false;      // every run also writes the modes of its model
  ResultFormat resultFormat = ResultFormat::kCsv;  // of each run's series, states and summary
  std::string runName;         // a console run's files are <runName>.csv, ... (empty: numbered)
  int recordEvery = 1;         // the time series and states keep every N-th step's row
  bool skipValidator = false;  // no reference integration after a console or batch run
  bool showHelp = false;
  bool showVersion = false;
  std::vector<char*> windowArguments;  // argv[0] and everything meant for the window system
};

// Reads argv. False with a one-line `error` for an unknown "--" option, a missing
// or malformed value, a combination that names no run, or words meant for the
// window system in a run without a window.
bool ParseCommandLine(int argc, char** argv, CommandLine& commandLine, std::string& error);

// The usage text printed by --help and after an option error.
const char* UsageText();

// "kelvra <version>", the line --version prints.
const char* VersionText();
