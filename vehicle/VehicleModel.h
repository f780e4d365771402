#pragma once

// What a vehicle is, apart from what a run feeds it (the history, the batch
// sets) and from what changes while it steps (VehicleState): the linear model
// as the wheels couple to it, the parameter sections of the model file, and
// the step matrices made for one time step. It is made once from the model
// file and constant afterwards; every vehicle system made from it (the sets of
// a batch, the window, the benchmarks) shares it read-only.
//
// A new section of the model file is read in ReadVehicleParameters into a part
// of VehicleParameters; each vehicle system starts from a copy of that part.

#include <cstddef>
#include <istream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "solver/SparseMatrix.h"
#include "vehicle/AxleIntegrator.h"
#include "vehicle/BrakeSys.h"
#include "vehicle/Contact.h"
#include "vehicle/LineCoupling.h"
#include "vehicle/LineSections.h"
#include "vehicle/Resistance.h"
#include "vehicle/Temperature.h"

// What couples the wheels to the linear model: one row or entry per axle, in
// the order of the wheel list.
struct CouplingData {
  // N: a row applied to the state gives the dynamic part of that wheel's
  // normal force, to which the static axle load is added.
  SparseMatrix normalForce;
  std::vector<double> staticAxleLoads;  // N
  std::vector<double> reducedMasses;    // kg, of the wheel's rotation at the tread
  // The brake node's lever over the wheel radius; its sign tells the side of the brake.
  std::vector<double> brakeForceRadii;
  std::vector<unsigned> wheelDofIndices;    // state entry of each axle's speed
  std::vector<unsigned> wheelStateIndices;  // state entry of each axle's position
  LineCoupling line;                        // where the bodies and wheels stand along the line
};

// The exact step x(k+1) = C x(k) + P u(k) + P1 (u(k+1) - u(k)) / dt.
struct TimeStepMatrices {
  SparseMatrix fundamental;  // C = e^(A dt)
  SparseMatrix forceStep;    // P, inputs constant over the step
  SparseMatrix rampStep;     // P1, inputs growing linearly over the step
  // Gravity's along the track, worked out only for a model on a gradient.
  GravityStep gravity;
  // The time step they were made for, seconds: the one the vehicle steps with.
  double timeStep = std::numeric_limits<double>::quiet_NaN();
};

// The parameter sections ITER to WHLTMP and the optional sections of a real
// line after them: each part of the vehicle system as its sections make it,
// and what the reading said.
struct VehicleParameters {
  TAxleIntegrator AxleRot;   // ITER, LIM, SUBDIV, with the reduced masses and brake force radii
  TBrakeSys BrkSys;          // BRKSYS
  TResistance Res;           // RESIST
  TContact Contact;          // ADHSET, ADHTBL, HTIMPCT, SETIDX
  TTemperature Temperature;  // WHLTMP
  TLineSections Line;        // GRADIENT, ADHLEVEL, BRKCYL, BRKHOLD, WSP, V0
  // Every section was read and the parts fit the linear model.
  bool read = false;
  // The reading's messages; the creation of a vehicle system repeats them.
  std::string log;
};

// The vehicle whatever its time step.
struct VehicleDefinition {
  std::string modelFileName;
  // The linear state's entries by name: every DOF's velocity, then its displacement.
  std::vector<std::string> stateNames;
  std::vector<double> initialState;  // Y0
  CouplingData coupling;
  VehicleParameters parameters;
};

// Reads the sections from `sections`, the model file's text after the comment
// pre-pass, in their order into `definition.parameters`, for the linear model of
// `definition` stepped by `step`. Reading stops at the first section that fails.
void ReadVehicleParameters(std::istream& sections, const TimeStepMatrices& step,
                           VehicleDefinition& definition);

// A vehicle at one time step: its definition and its step matrices, each
// shared, never copied. A copy of a model is another handle of the same vehicle.
class VehicleModel {
 public:
  // No vehicle: an empty definition and no step matrices.
  VehicleModel();
  VehicleModel(std::shared_ptr<const VehicleDefinition> definition,
               std::shared_ptr<const TimeStepMatrices> step);
  // The same vehicle stepped by `other`.
  VehicleModel WithStep(std::shared_ptr<const TimeStepMatrices> other) const {
    return VehicleModel(definition, std::move(other));
  }

  const VehicleDefinition& Definition() const { return *definition; }
  const CouplingData& Coupling() const { return definition->coupling; }
  const TimeStepMatrices& Step() const { return *step; }
  double TimeStep() const { return step->timeStep; }
  std::size_t AxleCount() const { return definition->coupling.wheelDofIndices.size(); }

 private:
  std::shared_ptr<const VehicleDefinition> definition;
  std::shared_ptr<const TimeStepMatrices> step;
};
