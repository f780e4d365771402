#pragma once

#include <string>
#include <vector>

#include "framework/ResultStore.h"
#include "linalg/Matrix.h"
#include "model/ModelCreation.h"
#include "solver/SimulationModule.h"
#include "vehicle/Kelvra.h"
#include "visual/StyleManager.h"

// Everything handed from the linear model to the vehicle system.
struct CouplingData {
  Matrix normalForceMatrix;
  Matrix fundamentalMatrix;  // C = e^(A dt)
  Matrix forceStepMatrix;    // P, forces constant over the step
  Matrix rampStepMatrix;     // P1, forces growing linearly over the step
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

  bool RealTimeExternalForce() const { return realTimeExternalForce; }
  bool GraphicsDisplay() const { return graphicsDisplay; }
  bool BatchRun() const { return batchRun; }

 private:
  void ResolveModes(int flags);

  ModelCreation modelCreation;
  SimulationModule simulationModule;
  StyleManager styleManager;
  ResultStore resultStore;
  Kelvra vehicleSystem;
  bool realTimeExternalForce = false;
  bool graphicsDisplay = false;
  bool batchRun = false;
  CouplingData coupling;
};
