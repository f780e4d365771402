#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "framework/CommandLine.h"
#include "framework/Console.h"
#include "framework/Framework.h"
#include "framework/Reporting.h"
#include "framework/RunManifest.h"
#include "framework/Study.h"
#include "framework/WorkingFolder.h"
#include "results/ResultsLock.h"

namespace {

// Writes the run's record beside its files as `fileName`, with the exit status
// the process ends with; the manifest joins `written`. The status becomes 1
// when the record itself cannot be written.
int SaveManifest(const std::string& fileName, const RunRecord& record, int status,
                 WrittenFiles& written) {
  int error = 0;
  if (WriteWholeFile(fileName, ManifestText(record, status), error)) {
    written.Add(fileName, FileKind::Manifest);
    return status;
  }
  LostResults lost;
  lost.CannotSave(fileName, error);
  return 1;
}

// A console, batch or window run; its exit status. A console or batch run
// that got through its set-up ends with its record; a window run writes its
// own as its time series close.
int RunOnce(const CommandLine& commandLine, bool locked, RunRecord& record) {
  auto framework = std::make_unique<Framework>();
  framework->SetWriteStates(commandLine.writeStates);
  framework->SetWriteModes(commandLine.writeModes);
  framework->SetResultFormat(commandLine.resultFormat);
  if (commandLine.resultFormat == ResultFormat::kHdf5) {
    framework->SetRecordAttributes(RecordAttributes(record));
  }
  framework->SetResultsFolder(commandLine.resultsFolder);
  framework->SetJobs(commandLine.jobs);
  framework->SetSetRange(commandLine.sets);
  framework->SetRecordEvery(commandLine.recordEvery);
  framework->SetSkipValidator(commandLine.skipValidator);
  if (!commandLine.runName.empty()) {
    framework->SetRunBaseName(commandLine.resultsFolder + "/" + commandLine.runName);
  }
  const bool ready =
      locked && framework->Initialize("combined_styles_GEN.in", commandLine.historyFile,
                                      commandLine.flags, commandLine.modelFile);
  if (locked && !commandLine.logDirectory.empty()) framework->WriteLogs(commandLine.logDirectory);
  framework->SetRealTimePacing(commandLine.realTimePacing);
  if (!ready) return 1;
  if (framework->GraphicsDisplay()) {
    record.shape = framework->ResultColumns();
    framework->SetWindowRecord(record);
  }
  std::vector<char*> windowArguments = commandLine.windowArguments;
  framework->Run(static_cast<int>(windowArguments.size()), windowArguments.data());
  framework->RunValidator();
  int status = framework->ResultsLost() ? 1 : 0;
  WrittenFiles written = framework->FilesWritten();
  const bool batch = framework->BatchRun();
  record.files = written;
  record.shape = framework->ResultColumns();
  record.batchSets = framework->BatchSetsRun();
  const std::string base =
      batch ? commandLine.resultsFolder + "/batch" : framework->ConsoleRunBase();
  if (!base.empty()) status = SaveManifest(base + ".json", record, status, written);
  std::cout << written.Line();
  return status;
}

RunRecord StartRecord(int argc, char** argv, const CommandLine& commandLine) {
  const bool study = !commandLine.studyFile.empty();
  const bool batch = (commandLine.flags & Framework::kRequestBatchRun) != 0;
  const int windowFlags =
      Framework::kRequestGraphicsDisplay | Framework::kRequestRealTimeExternalForce;
  const bool window = !study && (commandLine.flags & windowFlags) != 0;
  RunRecord record =
      StartRunRecord(argc, argv,
                     study    ? "study"
                     : batch  ? "batch"
                     : window ? "window"
                              : "console",
                     commandLine.modelFile, commandLine.historyFile, commandLine.studyFile);
  record.recordEvery = commandLine.recordEvery;
  record.validator = study                       ? "not run: a study runs no validator"
                     : !batch && window          ? "not run: a window run runs no validator"
                     : commandLine.skipValidator ? "skipped: --no-validator"
                                                 : "run";
  return record;
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

  RunRecord record = StartRecord(argc, argv, commandLine);
  PrintBanner(std::cout, ConsoleColoursEnabled());
  // Static, so that the lock file is also removed when the window's close ends
  // the process from within its main loop.
  static ResultsLock resultsLock;
  std::string lockError;
  const bool locked = resultsLock.Acquire(commandLine.resultsFolder, lockError);
  if (!locked) std::cout << lockError << "\n";
  int status = 1;
  if (locked && !commandLine.studyFile.empty()) {
    WrittenFiles written;
    const bool hdf5 = commandLine.resultFormat == ResultFormat::kHdf5;
    const StudySettings settings{commandLine.studyFile,
                                 commandLine.historyFile,
                                 commandLine.modelFile,
                                 commandLine.resultsFolder,
                                 commandLine.writeStates,
                                 commandLine.writeModes,
                                 commandLine.jobs,
                                 commandLine.sets,
                                 commandLine.recordEvery,
                                 commandLine.resultFormat,
                                 hdf5 ? RecordAttributes(record) : std::vector<Hdf5Attribute>()};
    status = RunStudy(settings, written, record.shape);
    if (!written.Empty()) {
      record.files = written;
      status = SaveManifest(commandLine.resultsFolder + "/study.json", record, status, written);
    }
    std::cout << written.Line();
  } else {
    status = RunOnce(commandLine, locked, record);
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
