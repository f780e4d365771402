#pragma once

#include <fstream>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "framework/Reporting.h"
#include "framework/ResultStore.h"
#include "framework/SetRange.h"
#include "linalg/Matrix.h"
#include "model/ModelCreation.h"
#include "model/OutputFile.h"
#include "results/ModelReference.h"
#include "results/RunRecording.h"
#include "results/RunSummary.h"
#include "results/SpeedComparison.h"
#include "setup/VehicleSetUp.h"
#include "solver/SimulationModule.h"
#include "solver/ValidatorTrainModel.h"
#include "vehicle/Kelvra.h"
#include "visual/StyleManager.h"

// Owns every module for the life of the process, sets them up and runs them.
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
    console = &stream;
    vehicleSystem.SetConsole(stream);
  }
  // Where the warnings about inputs and lost result files go (std::cerr unless set).
  void SetWarnings(std::ostream& stream) {
    warnings = &stream;
    lostResults.SetWarnings(stream);
  }
  // Console and batch runs draw a progress bar on a terminal's standard error
  // unless turned off, as for a run whose console text is held back.
  void SetProgressBars(bool on) { progressBars = on; }
  // Window runs step as often as keeps simulated time with the wall clock.
  void SetRealTimePacing(bool on) { realTimePacing = on; }
  // Batch sets run on up to `count` threads at once.
  void SetJobs(int count) { jobs = count; }
  // Only these sets of the batch run; set before Initialize, which checks them.
  void SetSetRange(const SetRange& range) { setRange = range; }
  // Where every result file goes (default "results"); set before Initialize.
  void SetResultsFolder(const std::string& folder) { resultsFolder = folder; }
  // Writes every module's log into `directory` (created when missing); a log
  // that cannot be saved is warned about and counts as lost results.
  bool WriteLogs(const std::string& directory);
  // Whether the run could not save a result file (or, in a batch, run a set).
  bool ResultsLost() const { return lostResults.Any(); }
  // Console, batch and window runs also write every step's linear state.
  void SetWriteStates(bool on) { writeStates = on; }
  // Console, batch and window runs also write the modes of the linear model
  // and of the vehicle with rolling wheels.
  void SetWriteModes(bool on) { writeModes = on; }
  // Console, batch and window runs write each run's time series, states and
  // summary as CSV files, or as one HDF5 file.
  void SetResultFormat(ResultFormat format) { resultFormat = format; }
  // A console run names its files "<base>.csv", "<base>.txt" and so on instead
  // of the numbered result name.
  void SetRunBaseName(const std::string& base) { runBaseName = base; }
  // A console run plays each history row for one step of the model's time
  // step; with this on, it takes the rows as samples 0.005 s apart and plays
  // them resampled at its time step, as a batch set does, so that its time is
  // the history's whatever its DT (the cases of a study). Set before Initialize.
  void SetResampleHistory(bool on) { resampleHistory = on; }
  // The files the runs wrote, and the summary of the last console run.
  const WrittenFiles& FilesWritten() const { return writtenFiles; }
  const RunSummary& LastSummary() const { return lastSummary; }
  // Whether the console run stopped at a step that broke the vehicle state.
  bool RunBroke() const { return runBroke; }

  bool RealTimeExternalForce() const { return realTimeExternalForce; }
  bool GraphicsDisplay() const { return graphicsDisplay; }
  bool BatchRun() const { return batchRun; }
  const CouplingData& Coupling() const { return coupling; }
  const Kelvra& VehicleSystem() const { return vehicleSystem; }

 private:
  void ResolveModes(int flags);
  bool CreateModel(const std::string& modelFile);
  bool ReadHistory(const std::string& externalForceFile);
  bool ReadBatchSets();
  bool CreateVisualModel(const std::string& stylesFile);
  // Whether the console run's work and output stay within the limits of
  // RunSize.h; `error` says by how much they do not.
  bool ConsoleRunSizeFits(std::string& error) const;
  // The steps of the console run: one per history row, or the rows resampled
  // at the time step.
  int ConsoleSteps() const;
  bool BatchRunSizeFits(std::string& error) const;
  // The states file of a run of `steps` steps; 0 unless the states were asked for.
  double StatesBytes(double steps) const;
  // Per axle, the largest brake input the run can give it: the history's, and
  // in a window run the lever's full brake.
  std::vector<double> LargestBrakeInputs() const;
  // Whether `vehicle` can integrate its wheels stably over a run that makes
  // steps (StabilityCheck.h); `reason` says why not.
  bool WheelsIntegrable(const Kelvra& vehicle, bool makesSteps, std::string& reason) const;

  void RunGraphics(int argc, char** argv);
  void RunConsole();
  void RunBatch();
  // What a batch set leaves for its turn: whether it ran, its settings, time
  // and figures, and the files it wrote.
  struct BatchSetOutcome {
    bool skipped = false;
    bool broke = false;  // stopped at a step that broke the vehicle state
    bool resultsLost = false;
    double timeStep = 0.0;
    int iterations = 0;
    int subdivisions = 0;
    double signLimit = 0.0;
    double seconds = 0.0;
    RunSummary summary;
    WrittenFiles filesWritten;
  };
  // The files every set of a batch adds a line to, in set order.
  struct BatchFiles {
    std::string timesName;
    std::string summariesName;
    OutputFile times;
    OutputFile summaries;
    bool timesLost = false;
    bool summariesLost = false;
  };
  // Set `index` (0-based) of the batch in `vehicle`, with step matrices of its
  // own, so that sets can run side by side; its console text goes to
  // `setConsole`, the warnings about its files to `setWarnings`.
  BatchSetOutcome RunBatchSet(int index, Kelvra& vehicle, std::ostream& setConsole,
                              std::ostream& setWarnings, bool showProgress) const;
  // Step matrices for `timeStep` and `vehicle` made from them; false, with the
  // reason on `setConsole`, when either cannot be made. The two console lines of
  // the rebuild are said when `announce`, or when it fails.
  bool PrepareSetVehicle(double timeStep, bool announce, Kelvra& vehicle,
                         std::ostream& setConsole) const;
  // The set's lines of the timing and summary files and its files written,
  // after every set before it.
  void FinishBatchSet(int index, const BatchSetOutcome& outcome, BatchFiles& files);
  // "<results folder>/<name>".
  std::string ResultPath(const std::string& name) const { return resultsFolder + "/" + name; }
  // Whether some wheel's slip lies beyond the slip band of the axle integrator.
  bool AnyWheelSlides(const std::vector<double>& vehicleSpeed) const;
  // After a console run: the comparison with the validator (`validator` and
  // its `speeds`, both null when it could not run) where it models the run's
  // vehicle, and with the reference integration of the run's model otherwise.
  void CheckConsoleRun(const ValidatorTrainModel* validator, const SpeedSeries* speeds);
  // The comparison of the console run with the validator's `speeds`; false,
  // after a line saying why, when there is none.
  bool CompareWithValidator(const ValidatorTrainModel& validator, const SpeedSeries& speeds) const;
  void CompareWithModelReference() const;
  // The run's linear model and wheels as the reference integration takes them.
  ReferenceModelData RunModelData() const;
  // Opens the files of the run "<base>" of `vehicle`: its time series, and its
  // states when asked for, as "<base>.csv" and "<base>_states.csv" or as
  // "<base>.h5"; starts the summary. A file that cannot be opened goes to `lost`.
  void OpenRecording(const Kelvra& vehicle, RunRecording& recording, const std::string& base,
                     LostResults& lost) const;
  // Closes the files, noting those written in `written` and those lost in
  // `lost`. Into an HDF5 file goes `summary` too, when given; a CSV run writes
  // its summary file itself.
  void CloseRecording(RunRecording& recording, const std::string& base, const RunSummary* summary,
                      LostResults& lost, WrittenFiles& written) const;
  // Writes `text` to `fileName`, noting it as written or lost.
  void SaveWholeFile(const std::string& fileName, const std::string& text);
  // The modes file's text: the modes of the linear model alone and of the
  // vehicle whose wheels roll; false, with the reason, when they cannot be had.
  bool ModesText(std::string& text, std::string& error) const;
  // Writes the modes of the run "<base>" beside its files when they were asked for.
  void WriteModes(const std::string& base);
  // The freedoms and output displacements of the model as the states file shows them.
  StateLayout StatesLayout() const;
  // Every body that moves longitudinally, with its share of their total mass.
  std::vector<MassShare> MassShares() const;

  ModelCreation modelCreation;
  SimulationModule simulationModule;
  StyleManager styleManager;
  ResultStore resultStore;
  Kelvra vehicleSystem;
  bool realTimeExternalForce = false;
  bool graphicsDisplay = false;
  bool batchRun = false;
  CouplingData coupling;
  bool realTimePacing = false;
  std::ostream* console = &std::cout;
  std::ostream* warnings = &std::cerr;
  bool progressBars = true;
  int jobs = 1;
  SetRange setRange;
  int batchBegin = 0;  // the sets [batchBegin, batchEnd) of the range
  int batchEnd = 0;
  std::string resultsFolder = "results";
  std::string vehicleCreationLog;  // what the vehicle system wrote while created at set-up
  SpeedSeries consoleSpeeds;       // the console run's vehicle speeds, for the validator
  LostResults lostResults;
  bool writeStates = false;
  bool writeModes = false;
  ResultFormat resultFormat = ResultFormat::kCsv;
  std::string runBaseName;  // empty: the numbered result name
  bool resampleHistory = false;
  WrittenFiles writtenFiles;
  RunSummary lastSummary;
  bool runBroke = false;
};
