#pragma once

#include <fstream>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "framework/Reporting.h"
#include "framework/ResultStore.h"
#include "framework/SetRange.h"
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
  // Batch sets run on up to `count` threads at once.
  void SetJobs(int count) { jobs = count; }
  // Only these sets of the batch run; set before Initialize, which checks them.
  void SetSetRange(const SetRange& range) { setRange = range; }
  // Where every result file goes (default "results"); set before Initialize.
  void SetResultsFolder(const std::string& folder) { resultsFolder = folder; }
  // Writes every module's log into `directory` (created when missing).
  bool WriteLogs(const std::string& directory) const;
  // Whether the run could not save a result file (or, in a batch, run a set).
  bool ResultsLost() const { return lostResults.Any(); }

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
  bool CreateVisualModel(const std::string& stylesFile);
  void ConvertForVehicle();
  bool CreateVehicle(double timeStep, std::ostream& log);
  // Creates `vehicle` from the vehicle side's data `side`, made for `timeStep`.
  bool CreateVehicleFrom(const VehicleSideData& side, double timeStep, Kelvra& vehicle,
                         std::ostream& log) const;
  // Whether the console run's work and output stay within the limits of
  // RunSize.h; `error` says by how much they do not.
  bool ConsoleRunSizeFits(std::string& error) const;
  bool BatchRunSizeFits(std::string& error) const;
  std::vector<std::string> StateNames() const;

  void RunGraphics(int argc, char** argv);
  void RunConsole();
  void RunBatch();
  // What a batch set leaves for its turn: whether it ran, its settings and time.
  struct BatchSetOutcome {
    bool skipped = false;
    bool resultsLost = false;
    double timeStep = 0.0;
    int iterations = 0;
    int subdivisions = 0;
    double signLimit = 0.0;
    double seconds = 0.0;
  };
  // Set `index` (0-based) of the batch in `vehicle`, with step matrices of its
  // own, so that sets can run side by side; its console text goes to
  // `console`, the warnings about its files to `warnings`.
  BatchSetOutcome RunBatchSet(int index, Kelvra& vehicle, std::ostream& console,
                              std::ostream& warnings, bool showProgress) const;
  // Step matrices for `timeStep` and `vehicle` made from them; false, with the
  // reason on `console`, when either cannot be made. The two console lines of
  // the rebuild are said when `announce`, or when it fails.
  bool PrepareSetVehicle(double timeStep, bool announce, Kelvra& vehicle,
                         std::ostream& console) const;
  // The set's timing line, after every set before it.
  void FinishBatchSet(const BatchSetOutcome& outcome, std::ofstream& times, bool& timesLost);
  // "<results folder>/<name>".
  std::string ResultPath(const std::string& name) const { return resultsFolder + "/" + name; }
  // Closes a time series and says when a write of it failed.
  template <typename Recorder>
  void CloseSeries(Recorder& recorder, const std::string& fileName);
  // Whether some wheel's slip lies beyond the slip band of the axle integrator.
  bool AnyWheelSlides(const std::vector<double>& vehicleSpeed) const;
  // The comparison of the console run with the validator's `speeds`.
  void CompareWithValidator(const SpeedSeries& speeds) const;
  // One vehicle step with row `row` of the history: brake inputs, then traction.
  void StepWithHistoryRow(int row, std::vector<double>& brakeDemand);
  // The same, then the row of the time series at `time`; false, without
  // recording, when the step left the vehicle state broken.
  bool StepAndRecord(int row, double time, std::vector<double>& brakeDemand,
                     StepRecorder& recorder);

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
  int jobs = 1;
  SetRange setRange;
  int batchBegin = 0;  // the sets [batchBegin, batchEnd) of the range
  int batchEnd = 0;
  std::string resultsFolder = "results";
  std::string vehicleCreationLog;  // what the vehicle system wrote while created at set-up
  SpeedSeries consoleSpeeds;       // the console run's vehicle speeds, for the validator
  LostResults lostResults;
};
