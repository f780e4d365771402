#pragma once

// The linear vehicle model as the vehicle system steps it: the exact discrete
// update of the multibody model and the map from its state to what the wheel
// models need per axle.

#include <ostream>
#include <vector>

#include "solver/SparseMatrix.h"
#include "solver/StepMatrix.h"

// x(k+1) = C x(k) + P u(k) + P1 (u(k+1) - u(k)) / dt
//
// The input is taken to vary linearly over the step, from u0 at its start to u1 at
// its end: P integrates the constant part and P1 the ramp. A step always starts
// from the committed state, so it can be repeated within one time step with a
// better estimate of u1 before Finalize commits it.
class TMtrxVeh {
 public:
  // Takes over the step matrices, the initial state and the time step. False, with
  // "Wrong sizes" in the log, unless C is square, P has as many rows as C and x0
  // one entry per row of C.
  bool SetPar(const SparseMatrix& c, const SparseMatrix& p, const std::vector<double>& initialState,
              std::ostream& log, double timeStep, const SparseMatrix& p1);

  // Next and committed state = initial state.
  void Init();
  // Next and committed state = `state`, as though a step had ended there.
  void Restore(const std::vector<double>& state);
  // The next state from the committed one; false when an input does not fit a
  // step matrix (the next state is then only partly updated).
  bool DoStep(const std::vector<double>& u0, const std::vector<double>& u1);
  // Commits the next state; false when no step was made since the last commit.
  bool Finalize();

  std::size_t StateDim() const { return x0.size(); }
  std::size_t InputDim() const { return P.Cols(); }
  double TimeStep() const { return dt; }
  const std::vector<double>& State() const { return current; }
  const std::vector<double>& NextState() const { return next; }

 private:
  StepMatrix C;
  StepMatrix P;
  StepMatrix P1;
  std::vector<double> x0;
  double dt = 0.0;  // seconds
  std::vector<double> next;
  std::vector<double> current;
  bool stepped = false;
  // C current + P u0 does not change while a time step is repeated with new
  // estimates of u1: it is kept, with the u0 it belongs to, until the committed
  // state or the matrices change.
  std::vector<double> freeAndConstant;
  std::vector<double> freeAndConstantInput;
  bool freeAndConstantValid = false;
  // Work space of DoStep, kept so that a step allocates nothing.
  std::vector<double> product;
  std::vector<double> inputRate;
};

// Per axle: the wheel normal force (N x plus the static axle load), the vehicle
// speed at the wheel (state entry idxA) and the wheel position (state entry idxB).
class TMtrxVehOut {
 public:
  // Takes over N, the static axle loads and both index lists. False, with "Wrong
  // sizes" in the log, unless the three lists have one entry per axle, every index
  // addresses a column of N and N has a row for every axle.
  bool SetPar(const SparseMatrix& n, const std::vector<double>& staticAxleLoads,
              const std::vector<unsigned>& idxA, const std::vector<unsigned>& idxB,
              std::ostream& log);

  std::size_t StateDim() const { return N.Cols(); }
  std::size_t AxleNum() const { return staticAxleLoad.size(); }
  const std::vector<double>& StaticAxleLoads() const { return staticAxleLoad; }

  // Outputs and committed outputs zeroed, one entry per axle.
  void Init();
  // The outputs, committed and new, as a committed step left them.
  void Restore(const std::vector<double>& vehicleSpeedValues,
               const std::vector<double>& normalForceValues,
               const std::vector<double>& positionValues);
  // The outputs of state x. False, leaving everything as it was, when x is too
  // short for N or the parameters were refused.
  bool Compute(const std::vector<double>& x);
  // Commits the outputs; false when nothing was computed since the last commit.
  bool Finalize();

  const std::vector<double>& NormalForce() const { return normalForce; }
  const std::vector<double>& VehicleSpeed() const { return vehicleSpeed; }
  const std::vector<double>& Position() const { return position; }
  const std::vector<double>& NormalForceCommitted() const { return normalForceCommitted; }
  const std::vector<double>& VehicleSpeedCommitted() const { return vehicleSpeedCommitted; }
  const std::vector<double>& PositionCommitted() const { return positionCommitted; }

 private:
  StepMatrix N;
  std::vector<unsigned> idxA;
  std::vector<unsigned> idxB;
  std::vector<double> staticAxleLoad;
  std::vector<double> normalForce;
  std::vector<double> vehicleSpeed;
  std::vector<double> position;
  std::vector<double> normalForceCommitted;
  std::vector<double> vehicleSpeedCommitted;
  std::vector<double> positionCommitted;
  bool computed = false;
  bool parametersFit = false;  // the last SetPar succeeded
};
