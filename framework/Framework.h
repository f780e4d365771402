#pragma once

#include <string>
#include <vector>

#include "framework/Reporting.h"
#include "framework/ResultStore.h"
#include "linalg/Matrix.h"
#include "model/ModelCreation.h"
#include "results/RunRecording.h"
#include "results/RunSummary.h"
#include "results/SpeedComparison.h"
#include "setup/VehicleSetUp.h"
#include "solver/SimulationModule.h"
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
  // Window runs step as often as keeps simulated time with the wall clock.
  void SetRealTimePacing(bool on) { realTimePacing = on; }
  // Writes every module's log into `directory` (created when missing).
  bool WriteLogs(const std::string& directory) const;
  // Whether the run could not save a result file (or, in a batch, run a set).
  bool ResultsLost() const { return lostResults.Any(); }
  // Console, batch and window runs also write every step's linear state.
  void SetWriteStates(bool on) { writeStates = on; }
  // A console run names its files "<base>.csv", "<base>.txt" and so on instead
  // of the numbered result name.
  void SetRunBaseName(const std::string& base) { runBaseName = base; }
  // The files the runs wrote, and the summary of the last console run.
  const WrittenFiles& FilesWritten() const { return writtenFiles; }
  const RunSummary& LastSummary() const { return lastSummary; }

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
  // The error lines of the last preparation's section of the module log.
  std::string PreparationErrors(std::size_t logStart) const;
  bool CreateVisualModel(const std::string& stylesFile);
  // Whether the console run's work and output stay within the limits of
  // RunSize.h; `error` says by how much they do not.
  bool ConsoleRunSizeFits(std::string& error) const;
  bool BatchRunSizeFits(std::string& error) const;
  // The states file of a run of `steps` steps; 0 unless the states were asked for.
  double StatesBytes(double steps) const;

  void RunGraphics(int argc, char** argv);
  void RunConsole();
  void RunBatch();
  // New step matrices and a new vehicle system for `timeStep`; false, with the
  // reason on the console, when either could not be made.
  bool RebuildForTimeStep(double timeStep, std::ostream& setLog);
  // Whether some wheel's slip lies beyond the slip band of the axle integrator.
  bool AnyWheelSlides(const std::vector<double>& vehicleSpeed) const;
  // The comparison of the console run with the validator's `speeds`.
  void CompareWithValidator(const SpeedSeries& speeds) const;
  // Opens the time series `seriesFile`, the states beside it when asked for,
  // and starts the summary.
  void OpenRecording(RunRecording& recording, const std::string& seriesFile);
  // Closes both files, noting those written and those lost.
  void CloseRecording(RunRecording& recording, const std::string& seriesFile);
  // Writes `text` to `fileName`, noting it as written or lost.
  void SaveWholeFile(const std::string& fileName, const std::string& text);
  // The freedoms and output displacements of the model as the states file shows them.
  StateLayout StatesLayout() const;

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
  std::string vehicleCreationLog;  // what the vehicle system wrote while created at set-up
  SpeedSeries consoleSpeeds;       // the console run's vehicle speeds, for the validator
  LostResults lostResults;
  bool writeStates = false;
  std::string runBaseName;  // empty: the numbered result name
  WrittenFiles writtenFiles;
  RunSummary lastSummary;
};
