#include "framework/CommandLine.h"

#include <cstring>

#include "framework/Framework.h"

namespace {

struct Requests {
  bool console = false;
  bool batch = false;
};

// Console and batch runs replay a history; the window runs without a history
// take the lever's inputs.
bool ResolveFlags(const Requests& requests, CommandLine& commandLine, std::string& error) {
  if (requests.console && requests.batch) {
    error = "--console and --batch cannot be combined";
    return false;
  }
  if (!commandLine.studyFile.empty() && (requests.console || requests.batch)) {
    error = std::string("--study cannot be combined with ") +
            (requests.console ? "--console" : "--batch");
    return false;
  }
  if (!commandLine.studyFile.empty() && commandLine.historyFile.empty()) {
    error = "--study needs --history FILE";
    return false;
  }
  if (!commandLine.studyFile.empty() && !commandLine.logDirectory.empty()) {
    error = "--log-dir applies to console, batch and window runs only";
    return false;
  }
  if ((requests.console || requests.batch) && commandLine.historyFile.empty()) {
    error = std::string(requests.console ? "--console" : "--batch") + " needs --history FILE";
    return false;
  }
  if (commandLine.realTimePacing &&
      (requests.console || requests.batch || !commandLine.studyFile.empty())) {
    error = "--real-time applies to the window runs only";
    return false;
  }
  if (requests.batch) {
    commandLine.flags = Framework::kRequestBatchRun;
  } else if (requests.console || !commandLine.studyFile.empty()) {
    commandLine.flags = 0;
  } else if (!commandLine.historyFile.empty()) {
    commandLine.flags = Framework::kRequestGraphicsDisplay;
  } else {
    commandLine.flags = Framework::kRequestRealTimeExternalForce;
  }
  return true;
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, CommandLine& commandLine, std::string& error) {
  commandLine = CommandLine();
  Requests requests;
  if (argc > 0) commandLine.windowArguments.push_back(argv[0]);
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const bool takesValue = word == "--history" || word == "--log-dir" || word == "--study";
    if (takesValue && i + 1 >= argc) {
      error = word + " needs a value";
      return false;
    }
    if (word == "--help") {
      commandLine.showHelp = true;
    } else if (word == "--console") {
      requests.console = true;
    } else if (word == "--batch") {
      requests.batch = true;
    } else if (word == "--states") {
      commandLine.writeStates = true;
    } else if (word == "--real-time") {
      commandLine.realTimePacing = true;
    } else if (word == "--history") {
      commandLine.historyFile = argv[++i];
    } else if (word == "--study") {
      commandLine.studyFile = argv[++i];
    } else if (word == "--log-dir") {
      commandLine.logDirectory = argv[++i];
    } else if (word.rfind("--", 0) == 0) {
      error = "unknown option " + word;
      return false;
    } else {
      commandLine.windowArguments.push_back(argv[i]);
    }
  }
  if (commandLine.showHelp) return true;
  return ResolveFlags(requests, commandLine, error);
}

const char* UsageText() {
  return "Usage: kelvra [OPTIONS] [window system arguments]\n"
         "Runs the railway vehicle simulator in the current folder, which holds\n"
         "combined_train17_GEN.in, combined_styles_GEN.in, fonts/, textures/ and results/.\n"
         "\n"
         "Without options the real-time window opens: drive the vehicle with the lever.\n"
         "\n"
         "Options:\n"
         "  --history FILE   replay the external force history FILE in the window\n"
         "  --console        with --history: replay it on the console, timed, then run the "
         "validator\n"
         "  --batch          with --history: replay it for every parameter set of "
         "batch_paramsets.in\n"
         "  --real-time      window runs: step as often as keeps simulated time with the wall "
         "clock\n"
         "  --study FILE     with --history: a console run for every case of the parameter\n"
         "                   study FILE, without the validator\n"
         "  --states         also write each run's linear states beside its time series\n"
         "  --log-dir DIR    after the set-up, write every module's log into DIR\n"
         "  --help           show this text\n"
         "\n"
         "Exit status:\n"
         "  0  the run went through and every result file was written\n"
         "  1  the set-up failed (its reason is printed), another run uses results/, a batch\n"
         "     set or a study case could not run, or a result file could not be written\n"
         "     (said on stderr)\n"
         "  2  a wrong option\n";
}
