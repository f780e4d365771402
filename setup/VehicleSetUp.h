#pragma once

// From the model file to a ready vehicle. The chain runs in stages: the linear
// model (components, A and F, the coupling data), the initial state, the step
// matrices C, P and P1 for one time step, and the parameter sections, which
// complete the vehicle's model (VehicleModel); vehicle systems are then made
// from it. The stages report through their results and the module logs and
// print nothing, so that the program can say what it does between them.
//
// The time step lives with the step matrices made for it, in the model: a new
// time step is a new model of the same vehicle (ChangeTimeStep), whose vehicle
// system takes the step with the matrices.

#include <ostream>
#include <string>

#include "model/ModelCreation.h"
#include "solver/SimulationModule.h"
#include "vehicle/Kelvra.h"
#include "vehicle/VehicleModel.h"

// Parsing, the first-order system and the five coupling products into the
// coupling data and the state names of `definition`. The coupling steps all
// run even after one failed, so that every message reaches the log.
bool CreateLinearModel(const std::string& modelFile, ModelCreation& model,
                       VehicleDefinition& definition);
// Why CreateLinearModel failed, as the text to follow "Reason:" (a space or a
// line break first); empty when the status names no reason.
std::string ModelFailureReason(const ModelCreation& model);
// C, P and P1 for `timeStep` into `step`, whatever the outcome; its time step
// is NaN unless they could be made.
bool PrepareStepMatrices(const ModelCreation& model, double timeStep, SimulationModule& simulation,
                         TimeStepMatrices& step);
// Gravity's step response along the track for the step matrices `step`, which
// `simulation` made last: worked out only for a model on a gradient, since it
// costs another matrix exponential of the size of the step matrices' own.
// Where it cannot be had exactly, `step.gravity.problem` says why.
void PrepareGravitySteps(const ModelCreation& model, const SimulationModule& simulation,
                         const VehicleDefinition& definition, TimeStepMatrices& step);
// Reads the parameter sections of the definition's model file (see
// ReadVehicleParameters); a file that cannot be read has none.
void ReadParameterSections(const TimeStepMatrices& step, VehicleDefinition& definition);
// Creates `vehicle` from `model`: a model without wheels is refused, with the
// reason in `log`.
bool CreateVehicle(const VehicleModel& model, Kelvra& vehicle, std::ostream& log);

// What a change of the time step got to: the step matrices, then the vehicle.
struct TimeStepChange {
  bool prepared = false;
  bool created = false;
};

// `vehicle` created anew from `base` with new step matrices for `timeStep`,
// made by `simulation` from the linear model of `model`. The definition is
// shared, not copied.
TimeStepChange ChangeTimeStep(const ModelCreation& model, const VehicleModel& base, double timeStep,
                              SimulationModule& simulation, Kelvra& vehicle, std::ostream& log);

// The whole chain, stage by stage or in one call, and the model it makes.
// Copies are independent of each other, and so are the vehicles created from
// them.
class VehicleSetUp {
 public:
  // Model, initial state, step matrices for `timeStep` (the model file's own
  // DT is read but not used) and parameter sections. False, with the reason in
  // Failure(), at the first stage that fails.
  bool Build(const std::string& modelFile, double timeStep);

  // The stages one by one, in this order. The linear model: on failure
  // ModelFailureReason says why.
  bool CreateLinearModel(const std::string& modelFile);
  // DT into `fileTimeStep` and Y0; false with the reason in `error`.
  bool ReadModelFileItems(double& fileTimeStep, std::string& error);
  // The step matrices for `timeStep`; on failure the simulation log says why.
  bool PrepareStepMatrices(double timeStep);
  // Reads the parameter sections, then gravity's step response where the
  // line has a gradient; the model is complete and constant from here.
  void Complete();

  // A vehicle system of the model; its creation's messages go to `log`.
  bool CreateVehicle(Kelvra& vehicle, std::ostream& log) const;
  // The same, then the axle integrator's iterations and subdivisions.
  bool CreateVehicle(Kelvra& vehicle, int iter, int subdiv, std::ostream& log) const;
  // The model for `timeStep` and `vehicle` created anew from it.
  bool ChangeTimeStep(double timeStep, Kelvra& vehicle, std::ostream& log);

  const std::string& Failure() const { return failure; }
  double TimeStep() const { return vehicle.TimeStep(); }
  const ModelCreation& Model() const { return model; }
  const SimulationModule& Simulation() const { return simulation; }
  // The vehicle's model once Complete; empty before.
  const VehicleModel& Vehicle() const { return vehicle; }

 private:
  bool Fail(const std::string& reason);

  ModelCreation model;
  SimulationModule simulation;
  // The model's parts while the stages make them; Complete moves them into `vehicle`.
  VehicleDefinition definition;
  TimeStepMatrices step;
  VehicleModel vehicle;
  std::string failure;
};
