#pragma once

// A reference solution of the model that ran, independent of the exact
// discretisation and of the coupling iteration. The linear model and every
// wheel's rotation are integrated together as one system,
//   x' = A x + F u(x, w),
//   m_i w_i' = cap_i sat(v_i - w_i) - |r_i| B_i - R_i,
// by classical Runge-Kutta with a step a whole fraction of the run's, each
// history row held for one time step of the run. The nonlinear forces (the
// brake B, the running resistance R, the adhesion capacity cap) come from the
// vehicle's own laws and are evaluated at every stage from the stage's state:
// the same equations that the vehicle system solves step by step with its
// exact linear step, its force ramps and its iterations.

#include <string>
#include <vector>

#include "linalg/Matrix.h"
#include "results/SpeedComparison.h"
#include "solver/SparseMatrix.h"
#include "vehicle/BrakeSys.h"
#include "vehicle/Contact.h"
#include "vehicle/Kelvra.h"
#include "vehicle/Resistance.h"
#include "vehicle/VehicleModel.h"

// The linear model of the run: its first-order system, and the vehicle's
// model for its coupling data, initial state and time step.
struct ReferenceModelData {
  const Matrix& a;              // n x n
  const Matrix& f;              // n x inputs
  const VehicleModel& vehicle;  // n states, one wheel per axle
};

class ModelReference {
 public:
  // Takes the model and the laws of `vehicle`, and picks the substeps: enough
  // that neither the fastest mode of A nor the stiffest wheel (its adhesion
  // slope over the slip band and its brake's slope near standstill, with the
  // brake input `largestBrakeInput`) takes more than half a radian per
  // substep, and at least 10. False, with the reason, when the sizes do not fit.
  bool SetUp(const ReferenceModelData& model, const Kelvra& vehicle, double largestBrakeInput,
             std::string& reason);

  int Substeps() const { return substeps; }
  // Multiplications and additions of a run of `steps` time steps, roughly.
  double Operations(double steps) const;

  // Plays rows 0 .. steps - 1 of `history` (brake input per axle, then the
  // traction), one per time step, from the initial state with the wheels at
  // rest, and adds the wheelsets' speeds at the start and after every step
  // to `speeds`, with whether a wheel slid. False when the state stops being
  // finite; the samples before it stay.
  bool Run(const Matrix& history, int steps, SpeedSeries& speeds);

 private:
  // One state of the coupled system: the linear state and the wheel speeds.
  struct State {
    std::vector<double> x;
    std::vector<double> w;
  };
  void Resize(State& state) const;
  // dy = f(y) under the inputs held.
  void Derivative(const State& y, State& dy);
  // y + h k into `out`.
  static void Advance(const State& y, double h, const State& k, State& out);
  void Substep(double h);
  bool Sliding(const State& y) const;
  void Sample(SpeedSeries& speeds);

  SparseMatrix a, f, normal;
  std::vector<double> initialState, staticLoads, reducedMasses, brakeRadii;
  std::vector<std::size_t> speedEntry, positionEntry;
  TBrakeSys brakes;
  TResistance resistance;
  TContact contact;
  double lim = 0.0;
  double timeStep = 0.0;
  int substeps = 10;
  std::size_t inputCount = 0;

  // The inputs held over the current step.
  std::vector<double> brakeDemand;
  double traction = 0.0;
  // Work space, sized by SetUp: the state, the stages and the per-axle values.
  State y, stage, k1, k2, k3, k4;
  std::vector<double> speed, position, normalForce, adhesion, input, ax, fu;
};
