#pragma once

#include <string>
#include <vector>

#include "framework/Reporting.h"
#include "framework/ResultStore.h"
#include "linalg/Matrix.h"
#include "model/ModelCreation.h"
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

  void RunGraphics(int argc, char** argv);
  void RunConsole();
  void RunBatch();
  // New step matrices and a new vehicle system for `timeStep`; false, with the
  // reason on the console, when either could not be made.
  bool RebuildForTimeStep(double timeStep, std::ostream& setLog);
  // Closes a time series and says when a write of it failed.
  template <typename Recorder>
  void CloseSeries(Recorder& recorder, const std::string& fileName);
  // Whether some wheel's slip lies beyond the slip band of the axle integrator.
  bool AnyWheelSlides(const std::vector<double>& vehicleSpeed) const;
  // The comparison of the console run with the validator's `speeds`.
  void CompareWithValidator(const SpeedSeries& speeds) const;

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
};
