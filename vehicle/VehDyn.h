#pragma once

// The vehicle dynamics: the linear vehicle model with its per-axle outputs, the
// brakes, the running resistance and the wheelset rotation.

#include <istream>
#include <ostream>
#include <vector>

#include "solver/MtrxVeh.h"
#include "solver/SparseMatrix.h"
#include "vehicle/AxleIntegrator.h"
#include "vehicle/BrakeSys.h"
#include "vehicle/LineCoupling.h"
#include "vehicle/Resistance.h"

// The matrices and vectors the linear model hands to the vehicle system.
struct LinearModelData {
  const SparseMatrix& c;   // fundamental matrix
  const SparseMatrix& p;   // step matrix of inputs constant over the step
  const SparseMatrix& p1;  // step matrix of inputs growing linearly over the step
  const std::vector<double>& initialState;
  const SparseMatrix& n;  // normal force matrix, one row per axle
  const std::vector<double>& staticAxleLoads;
  const std::vector<unsigned>& wheelDofIndices;    // state entry of each axle's speed
  const std::vector<unsigned>& wheelStateIndices;  // state entry of each axle's position
  const std::vector<double>& reducedMasses;
  const std::vector<double>& brakeForceRadii;
  double timeStep;  // seconds
  // Where the bodies and wheels stand along the line; none for a vehicle that
  // runs on the level without the line sections.
  const LineCoupling* line = nullptr;
};

// The parts are driven one by one by the vehicle-system step, so they are open.
class TVehDyn {
 public:
  // Takes over the linear model, reads the integrator, brake and resistance
  // sections and checks that the parts fit together.
  bool ReadPar(std::istream& in, std::ostream& log, const LinearModelData& model);
  void Init();

  TBrakeSys BrkSys;
  TResistance Res;
  TMtrxVeh MtrxVeh;
  TMtrxVehOut VehOut;
  TAxleIntegrator AxleRot;

 private:
  bool CheckCompatibility(std::ostream& log) const;
};
