#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "framework/CommandLine.h"
#include "framework/Console.h"
#include "framework/Framework.h"
#include "framework/Reporting.h"
#include "framework/Study.h"
#include "framework/WorkingFolder.h"
#include "results/ResultsLock.h"

namespace {

// A console, batch or window run; its exit status.
int RunOnce(const CommandLine& commandLine, bool locked) {
  auto framework = std::make_unique<Framework>();
  framework->SetWriteStates(commandLine.writeStates);
  framework->SetWriteModes(commandLine.writeModes);
  framework->SetResultFormat(commandLine.resultFormat);
  framework->SetResultsFolder(commandLine.resultsFolder);
  framework->SetJobs(commandLine.jobs);
  framework->SetSetRange(commandLine.sets);
  const bool ready =
      locked && framework->Initialize("combined_styles_GEN.in", commandLine.historyFile,
                                      commandLine.flags, commandLine.modelFile);
  if (locked && !commandLine.logDirectory.empty()) framework->WriteLogs(commandLine.logDirectory);
  framework->SetRealTimePacing(commandLine.realTimePacing);
  if (ready) {
    std::vector<char*> windowArguments = commandLine.windowArguments;
    framework->Run(static_cast<int>(windowArguments.size()), windowArguments.data());
    framework->RunValidator();
    std::cout << framework->FilesWritten().Line();
  }
  return !ready || framework->ResultsLost() ? 1 : 0;
}

int Main(int argc, char** argv) {
  CommandLine commandLine;
  std::string error;
  if (!ParseCommandLine(argc, argv, commandLine, error)) {
    std::cerr << "kelvra: " << error << "\n" << UsageText();
    return 2;
  }
  if (commandLine.showHelp) {
    std::cout << UsageText();
    return 0;
  }
  if (commandLine.showVersion) {
    std::cout << VersionText();
    return 0;
  }
  if (!commandLine.initFolder.empty()) {
    return MakeWorkingFolder(ShippedDataFolder(), commandLine.initFolder, std::cout, std::cerr) ? 0
                                                                                                : 1;
  }

  PrintBanner(std::cout, ConsoleColoursEnabled());
  // Static, so that the lock file is also removed when the window's close ends
  // the process from within its main loop.
  static ResultsLock resultsLock;
  std::string lockError;
  const bool locked = resultsLock.Acquire(commandLine.resultsFolder, lockError);
  if (!locked) std::cout << lockError << "\n";
  int status = 1;
  if (locked && !commandLine.studyFile.empty()) {
    status = RunStudy({commandLine.studyFile, commandLine.historyFile, commandLine.modelFile,
                       commandLine.resultsFolder, commandLine.writeStates, commandLine.writeModes,
                       commandLine.jobs, commandLine.sets, commandLine.resultFormat});
  } else {
    status = RunOnce(commandLine, locked);
  }
  // Every file is written: the folder is free for the next run while this one
  // waits for its Enter.
  resultsLock.Release();
  std::cout << "\nPress [ENTER] to exit..." << std::flush;
  std::cin.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  return status;
}

}  // namespace

// In the builds with AddressSanitizer: the HDF5 library keeps the structures of
// a file whose writing failed (a full disk) until the process ends, where the
// leak checker would take them for a leak of the program.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libhdf5_serial.so\n";
}
extern "C" const char* __lsan_default_options() {
  return "print_suppressions=0";
}
#endif

int main(int argc, char** argv) {
  EndOnOutOfMemory();
  return ExitStatusOf([&] { return Main(argc, argv); }, std::cout);
}
