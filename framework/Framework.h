#pragma once

#include <limits>
#include <string>
#include <vector>

#include "framework/Reporting.h"
#include "framework/ResultStore.h"
#include "framework/RunRecording.h"
#include "framework/RunSummary.h"
#include "framework/SpeedComparison.h"
#include "linalg/Matrix.h"
#include "model/ModelCreation.h"
#include "solver/SimulationModule.h"
#include "solver/SparseMatrix.h"
#include "vehicle/Kelvra.h"
#include "vehicle/StepRecorder.h"
#include "visual/StyleManager.h"

// The vehicle side's copies of the coupling data: compressed step matrices and
// plain vectors, as the vehicle system takes them.
struct VehicleSideData {
  SparseMatrix fundamental;  // C
  SparseMatrix forceStep;    // P
  SparseMatrix rampStep;     // P1
  SparseMatrix normalForce;  // N
  std::vector<double> initialState;
  std::vector<double> staticAxleLoads;
  std::vector<double> reducedMasses;
  std::vector<double> brakeForceRadii;
  std::vector<unsigned> wheelDofIndices;
  std::vector<unsigned> wheelStateIndices;
};

// Everything handed from the linear model to the vehicle system.
struct CouplingData {
  Matrix normalForceMatrix;
  Matrix fundamentalMatrix;  // C = e^(A dt)
  Matrix forceStepMatrix;    // P, forces constant over the step
  Matrix rampStepMatrix;     // P1, forces growing linearly over the step
  // The time step C, P and P1 were made for (seconds), and so the one the vehicle
  // system steps with; NaN while their preparation failed.
  double stepMatricesTimeStep = std::numeric_limits<double>::quiet_NaN();
  Matrix externalForceHistory;
  Matrix batchParameterSets;
  Vector initialState;
  Vector staticAxleLoads;
  Vector reducedMasses;
  Vector brakeForceRadii;
  std::vector<int> wheelDofIndices;
  std::vector<int> wheelStateIndices;
  double timeStep = 0.0;  // seconds
  std::string modelFileName;
  VehicleSideData vehicleSide;
};

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
  void PrintModelFailureReason() const;
  bool ReadHistory(const std::string& externalForceFile);
  bool ReadBatchSets();
  bool PrepareStepMatrices(double timeStep);
  // The error lines of the last preparation's section of the module log.
  std::string PreparationErrors(std::size_t logStart) const;
  bool CreateVisualModel(const std::string& stylesFile);
  void ConvertForVehicle();
  bool CreateVehicle(double timeStep, std::ostream& log);
  // Whether the console run's work and output stay within the limits of
  // RunSize.h; `error` says by how much they do not.
  bool ConsoleRunSizeFits(std::string& error) const;
  bool BatchRunSizeFits(std::string& error) const;
  // The states file of a run of `steps` steps; 0 unless the states were asked for.
  double StatesBytes(double steps) const;
  std::vector<std::string> StateNames() const;

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
  // One vehicle step with row `row` of the history: brake inputs, then traction.
  void StepWithHistoryRow(int row, std::vector<double>& brakeDemand);
  // The same, then the row of the time series at `time`; false, without
  // recording, when the step left the vehicle state broken.
  bool StepAndRecord(int row, double time, std::vector<double>& brakeDemand,
                     RunRecording& recording);
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
