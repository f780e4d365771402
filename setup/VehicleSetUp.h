#pragma once

// From the model file to a ready vehicle. The chain runs in stages: the linear
// model (components, A and F, the coupling data), the step matrices C, P and P1
// for one time step, their vehicle-side copies, and the vehicle system made from
// them. The stages report through their results and the module logs and print
// nothing, so that the program can say what it does between them.
//
// The time step lives with the step matrices made for it, in `CouplingData`:
// whoever changes it calls ChangeTimeStep, which rebuilds the matrices and the
// vehicle system (and with it the linear model's and the axle integrator's
// copies of the step) in one go.

#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "linalg/Matrix.h"
#include "model/ModelCreation.h"
#include "solver/SimulationModule.h"
#include "solver/SparseMatrix.h"
#include "vehicle/Kelvra.h"
#include "vehicle/LineCoupling.h"

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
  LineCoupling line;  // where the bodies and wheels stand, and gravity's step response
};

// Everything handed from the linear model to the vehicle system.
struct CouplingData {
  Matrix normalForceMatrix;
  Matrix fundamentalMatrix;  // C = e^(A dt)
  Matrix forceStepMatrix;    // P, forces constant over the step
  Matrix rampStepMatrix;     // P1, forces growing linearly over the step
  // The step response to gravity along the track on each body, held over the
  // step and growing linearly (vehicle/LineCoupling.h); empty with the reason
  // in `vehicleSide.line.gravityProblem` where it cannot be had exactly.
  Matrix gravityStepMatrix;
  Matrix gravityRampStepMatrix;
  bool gravityWanted = false;  // the model file has an active GRADIENT
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
  double timeStep = 0.0;  // seconds, as the model file says
  std::string modelFileName;
  // The linear state's entries by name, for the vehicle system's messages.
  std::vector<std::string> stateNames;
  VehicleSideData vehicleSide;
};

// Parsing, the first-order system and the five coupling products. The coupling
// steps all run even after one failed, so that every message reaches the log.
bool CreateLinearModel(const std::string& modelFile, ModelCreation& model, CouplingData& coupling);
// Why CreateLinearModel failed, as the text to follow "Reason:" (a space or a
// line break first); empty when the status names no reason.
std::string ModelFailureReason(const ModelCreation& model);
// C, P and P1 for `timeStep`, and gravity's step response; the copies are
// taken whatever the outcome.
bool PrepareStepMatrices(const ModelCreation& model, double timeStep, SimulationModule& simulation,
                         CouplingData& coupling);
// The compressed and plain vehicle-side copies of the coupling data.
void ConvertForVehicle(CouplingData& coupling);
// Creates `vehicle` from the vehicle-side copies and the parameter sections of
// the model file, for the time step the step matrices were made for.
bool CreateVehicle(const CouplingData& coupling, Kelvra& vehicle, std::ostream& log);

// What a change of the time step got to: the step matrices, then the vehicle.
struct TimeStepChange {
  bool prepared = false;
  bool created = false;
};

// New step matrices, copies and vehicle system for `timeStep`. The step becomes
// the one in force only when all of them could be made; otherwise the coupling's
// step is NaN and the vehicle must not be stepped.
TimeStepChange ChangeTimeStep(const ModelCreation& model, double timeStep,
                              SimulationModule& simulation, CouplingData& coupling, Kelvra& vehicle,
                              std::ostream& log);

// The whole chain as one value: a model file and a time step in, the coupling
// data for that step out, ready to create vehicles from. Copies are independent
// of each other, and so are the vehicles created from them.
class VehicleSetUp {
 public:
  // Model, initial state and step matrices for `timeStep` (the model file's own
  // DT is read but not used). False, with the reason in Failure(), at the
  // first stage that fails.
  bool Build(const std::string& modelFile, double timeStep);
  // A vehicle system for the current time step; its reading goes to `log`.
  bool CreateVehicle(Kelvra& vehicle, std::ostream& log) const;
  // The same, then the axle integrator's iterations and subdivisions.
  bool CreateVehicle(Kelvra& vehicle, int iter, int subdiv, std::ostream& log) const;
  // New step matrices for `timeStep` and `vehicle` created anew for them.
  bool ChangeTimeStep(double timeStep, Kelvra& vehicle, std::ostream& log);

  const std::string& Failure() const { return failure; }
  double TimeStep() const { return coupling.stepMatricesTimeStep; }
  const ModelCreation& Model() const { return model; }
  const SimulationModule& Simulation() const { return simulation; }
  const CouplingData& Coupling() const { return coupling; }
  const VehicleSideData& VehicleSide() const { return coupling.vehicleSide; }

 private:
  bool Fail(const std::string& reason);

  ModelCreation model;
  SimulationModule simulation;
  CouplingData coupling;
  std::string failure;
};
