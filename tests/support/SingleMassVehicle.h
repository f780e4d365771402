#pragma once

// A vehicle small enough to solve by hand: one longitudinal mass M on `axles`
// wheelsets of reduced mass m each, state (v, x). The adhesion force A_i of every
// axle pulls its wheel forward and the vehicle back, the traction force F pushes
// the vehicle; the brake acts between body and wheel and so has no net effect on
// the vehicle's translation:
//   M v' = F - sum A_i,   m w_i' = A_i - r B_i.
// The exact discrete step of x' = [[0, 0], [1, 0]] x + f u over dt is
//   C = [[1, 0], [dt, 1]],  P = [[dt], [dt^2/2]] f,  P1 = [[dt^2/2], [dt^3/6]] f,
// with f the row of 1/M factors over the inputs (adhesion per axle, brake per
// axle, traction).

#include <ostream>
#include <string>
#include <vector>

#include "setup/VehicleSetUp.h"
#include "solver/SparseMatrix.h"
#include "vehicle/Kelvra.h"

struct SingleMassVehicle {
  explicit SingleMassVehicle(int axleCount = 2, double timeStep = 0.005);

  // The vehicle-system sections of a model file; `|` comments included.
  std::string ParameterText() const;
  // Builds the step matrices for the current fields (call again after changing them).
  void BuildMatrices();
  // Creates `kelvra` through the program's set-up, with the parameter sections of `modelFile`.
  bool Create(Kelvra& kelvra, const std::string& modelFile, std::ostream& log) const;

  int axles;
  double dt;
  double mass = 10000.0;       // kg, vehicle
  double reducedMass = 500.0;  // kg, per wheelset
  double axleLoad = 50000.0;   // N, static per axle
  double brakeRadius = 0.8;    // brake force radius ratio
  std::vector<double> initialState{0.0, 0.0};

  // Sections.
  int iter = 3;
  int subdiv = 10;
  double lim = 0.5;
  double brakeGain = 1.0;
  double brakeThreshold = 0.1;
  double quadraticResistance = 0.0;
  double switchPosition = 1.0;  // m: the second (equal) characteristic applies beyond

  SparseMatrix C, P, P1, N;
  std::vector<double> staticAxleLoads, reducedMasses, brakeForceRadii;
  std::vector<unsigned> wheelDofIndices, wheelStateIndices;
};

// The adhesion coefficient of the characteristic 0.3 0.5 5 100 2 at slip s.
double Mu(double slip);
