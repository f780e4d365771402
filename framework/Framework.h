#pragma once

// The program's spine: resolves the run modes, sets up the vehicle and the
// run's inputs once (RunSetUp), and hands them to the run of its kind (the
// console, batch, window and validator runs of ConsoleRun.h, BatchRun.h,
// WindowRun.h and ValidatorRun.h), which report through one RunReport.

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "framework/ConsoleRun.h"
#include "framework/RunContext.h"
#include "framework/RunManifest.h"
#include "framework/SetRange.h"
#include "results/RunRecording.h"
#include "results/RunSummary.h"
#include "vehicle/Kelvra.h"

class Framework {
 public:
  // Bits of the `flags` argument of Initialize.
  static constexpr int kRequestRealTimeExternalForce = 1;
  static constexpr int kRequestGraphicsDisplay = 2;
  static constexpr int kRequestBatchRun = 4;

  // Resolves the run modes from `flags`, then sets up every module.
  bool Initialize(const std::string& stylesFile, const std::string& externalForceFile, int flags,
                  const std::string& modelFile);
  void Run(int argc, char** argv);
  void RunValidator();
  // Where the set-up and the runs print their lines (std::cout unless set),
  // the vehicle system's step failures included; the window's lines stay on
  // std::cout. The stream must outlive the runs.
  void SetConsole(std::ostream& stream) {
    report.console = &stream;
    setUp.vehicleSystem.SetConsole(stream);
  }
  // Where the warnings about inputs and lost result files go (std::cerr unless set).
  void SetWarnings(std::ostream& stream) {
    report.warnings = &stream;
    report.lostResults.SetWarnings(stream);
  }
  // Console and batch runs draw a progress bar on a terminal's standard error
  // unless turned off, as for a run whose console text is held back.
  void SetProgressBars(bool on) { settings.progressBars = on; }
  // Window runs step as often as keeps simulated time with the wall clock.
  void SetRealTimePacing(bool on) { settings.realTimePacing = on; }
  // Batch sets run on up to `count` threads at once.
  void SetJobs(int count) { settings.jobs = count; }
  // Only these sets of the batch run; set before Initialize, which checks them.
  void SetSetRange(const SetRange& range) { settings.setRange = range; }
  // Where every result file goes (default "results"); set before Initialize.
  void SetResultsFolder(const std::string& folder) { settings.resultsFolder = folder; }
  // Writes every module's log into `directory` (created when missing); a log
  // that cannot be saved is warned about and counts as lost results.
  bool WriteLogs(const std::string& directory);
  // Whether the run could not save a result file (or, in a batch, run a set).
  bool ResultsLost() const { return report.lostResults.Any(); }
  // Console, batch and window runs also write every step's linear state.
  void SetWriteStates(bool on) { settings.writeStates = on; }
  // Console, batch and window runs also write the modes of the linear model
  // and of the vehicle with rolling wheels.
  void SetWriteModes(bool on) { settings.writeModes = on; }
  // Console, batch and window runs write each run's time series, states and
  // summary as CSV files, or as one HDF5 file.
  void SetResultFormat(ResultFormat format) { settings.resultFormat = format; }
  // The attributes of every HDF5 file the runs write.
  void SetRecordAttributes(std::vector<Hdf5Attribute> attributes) {
    settings.recordAttributes = std::move(attributes);
  }
  // A console run names its files "<base>.csv", "<base>.txt" and so on instead
  // of the numbered result name.
  void SetRunBaseName(const std::string& base) { settings.runBaseName = base; }
  // The time series and states keep every `n`-th step's row (and the first).
  void SetRecordEvery(int n) { settings.recordEvery = n; }
  // The record a window run starts from and writes itself, its window's close
  // ending the process.
  void SetWindowRecord(const RunRecord& record) { windowRecord = record; }
  // Console and batch runs skip the validator and the reference integration.
  void SetSkipValidator(bool on) { settings.skipValidator = on; }
  // The base of the console run's files, such as "results/_kelvra_result_12";
  // empty when no console run was made.
  const std::string& ConsoleRunBase() const { return consoleRun.base; }
  // The columns of the model's result files, with those of the optional
  // sections it holds.
  ColumnShape ResultColumns() const;
  // The batch sets of the range, with their settings.
  std::vector<BatchSetRecord> BatchSetsRun() const;
  // A console run plays each history row for one step of the model's time
  // step; with this on, it takes the rows as samples 0.005 s apart and plays
  // them resampled at its time step, as a batch set does, so that its time is
  // the history's whatever its DT (the cases of a study). Set before Initialize.
  void SetResampleHistory(bool on) { settings.resampleHistory = on; }
  // The files the runs wrote, and the summary of the last console run.
  const WrittenFiles& FilesWritten() const { return report.writtenFiles; }
  const RunSummary& LastSummary() const { return consoleRun.summary; }
  // Whether the console run stopped at a step that broke the vehicle state.
  bool RunBroke() const { return consoleRun.broke; }

  bool RealTimeExternalForce() const { return realTimeExternalForce; }
  bool GraphicsDisplay() const { return graphicsDisplay; }
  bool BatchRun() const { return batchRun; }
  const Kelvra& VehicleSystem() const { return setUp.vehicleSystem; }

 private:
  void ResolveModes(int flags);
  bool CreateModel(const std::string& modelFile);
  bool ReadHistory(const std::string& externalForceFile);
  bool ReadBatchSets();
  bool CreateVisualModel(const std::string& stylesFile);
  bool CreateVehicleSystem();
  // The wheels of the model file.
  int AxleCount() const;
  RunContext Context() { return {setUp, settings, report}; }

  RunSetUp setUp;
  bool realTimeExternalForce = false;
  bool graphicsDisplay = false;
  bool batchRun = false;
  RunSettings settings;
  RunReport report;
  ConsoleOutcome consoleRun;  // what the console run left for the validator
  RunRecord windowRecord;
};
