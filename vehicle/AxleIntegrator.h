#pragma once

// The rotation of every wheelset over one time step.

#include <istream>
#include <limits>
#include <ostream>
#include <vector>

#include "vehicle/AxleGroup.h"

// The narrowest slip band LIM (m/s) the integrator takes: the slip enters it
// through 1 / LIM, which must be finite. A band of 0 is the bare sign function,
// whose sign(0) = +1 drives a wheel at rest; a negative one inverts the slip law.
inline constexpr double kSmallestSlipBand = std::numeric_limits<double>::min();

// Inside the slip band a wheel follows m dw/dt = -(cap / LIM) w + ..., a decay
// at the rate k = cap / (LIM m). A substep h of the classical Runge-Kutta
// method multiplies a deviation from the wheel's path by
//   R(-k h) = 1 - k h + (k h)^2/2 - (k h)^3/6 + (k h)^4/24,
// which lies between 0.27 and 1 while k h stays at most this figure, the real
// root of z^3 - 4 z^2 + 12 z - 24 = 0. Beyond it R exceeds 1: the slip grows
// from substep to substep until it leaves the band, and the wheel is driven
// past the vehicle speed by energy no force gave it.
inline constexpr double kRungeKuttaStableFigure = 2.785293563405282;
// The figure k h every substep is kept within. Close below the bound R nears
// 1 and the wheel converges so slowly that the adhesion force it hands the
// linear model at the end of a step strays from the impulse it took over the
// step: momentum leaks (the shipped vehicle at 2.78 gains 0.005 m/s from 6 s
// of full traction, 40 times the error at 2). At 2, R = 1/3.
inline constexpr double kWheelFigureLimit = 2.0;

// The most substeps one step of an axle group may take.
inline constexpr int kMostSubsteps = 10000000;

// Per axle, with w the wheel's circumferential speed and s its travel:
//   m dw/dt = cap(t) sat(v(t) - w) - F(t),   ds/dt = w,
// m the reduced mass, cap the adhesion capacity, v the vehicle speed at the wheel
// and F the opposing (brake and resistance) force, each interpolated linearly
// between its values at the start and at the end of the step. sat is the sign
// function made linear inside the slip band |x| < LIM, so that a rolling wheel
// is held to the vehicle speed without chattering. The step is integrated with
// the classical Runge-Kutta method on SUBDIV substeps, each time from the
// committed state, so that it can be repeated with better end values. Where
// the step's adhesion capacity (a normal force above the static load, which
// the set-up checks) takes the stability figure cap / (LIM m) DT / SUBDIV of
// an axle beyond kWheelFigureLimit, its group takes as many more substeps as
// bring it within. The axles are independent: four of them advance
// side by side in the lanes of vector registers, each with exactly the
// operations of its own integration.
class TAxleIntegrator {
 public:
  // Takes over the reduced masses, the brake force radii and the time step, then
  // reads ITER (a whole number from 0 to 10^7), LIM (at least kSmallestSlipBand)
  // and SUBDIV (a whole number from 1 to 10^7).
  bool ReadPar(std::istream& in, std::ostream& log, double timeStep,
               const std::vector<double>& reducedMass, const std::vector<double>& brakeForceRadius);
  // The time step of another set of step matrices: the mass step ratios follow it.
  void SetTimeStep(double step);
  // Overwrites SUBDIV, ITER, LIM and the time step; false, changing nothing, for a
  // SUBDIV below 1, a negative ITER or a LIM below kSmallestSlipBand.
  bool ChangePar(int subdiv, int iter, double lim, double timeStep, std::ostream& log);

  // Wheels at rest: speeds, travels and adhesion forces zeroed.
  void Init();
  // The wheels, committed and new, as a committed step left them.
  void Restore(const std::vector<double>& wheelSpeedValues,
               const std::vector<double>& wheelTravelValues,
               const std::vector<double>& adhesionForceValues,
               const std::vector<double>& meanAdhesionForceValues);
  // Integrates every axle over the step; the eight vectors hold per axle the
  // resistance, brake force, adhesion capacity and vehicle speed at the start and
  // at the end of the step. False when one of them is shorter than the axle count.
  bool DoStep(const std::vector<double>& res0, const std::vector<double>& res1,
              const std::vector<double>& brake0, const std::vector<double>& brake1,
              const std::vector<double>& cap0, const std::vector<double>& cap1,
              const std::vector<double>& vStart, const std::vector<double>& vEnd);
  // Axle `axle` at rest over the last step, as a brake holds it: its wheel
  // speed 0, its travel as committed, and the adhesion force on it at the end
  // and over the step.
  void HoldWheel(std::size_t axle, double adhesion, double meanAdhesion);
  // Commits the last step; false when there is none since the last commit.
  bool Finalize();
  // The first axle (from 0) that the last DoStep could not integrate stably
  // within kMostSubsteps, and its adhesion capacity; -1 when there was none.
  // The wheels of its group were left as they were committed.
  long long UnstableAxle() const { return unstableAxle; }
  double UnstableCapacity() const { return unstableCapacity; }

  std::size_t AxleNum() const { return massStepRatio.size(); }
  int Iter() const { return ITER; }
  int Subdiv() const { return SUBDIV; }
  double Lim() const { return LIM; }
  double TimeStep() const { return timeStep; }
  const std::vector<double>& MassStepRatio() const { return massStepRatio; }
  const std::vector<double>& ReducedMass() const { return reducedMass; }
  const std::vector<double>& BrakeForceRadius() const { return brakeForceRadius; }
  const std::vector<double>& WheelSpeed() const { return wheelSpeed; }
  const std::vector<double>& WheelTravel() const { return wheelTravel; }
  const std::vector<double>& AdhesionForce() const { return adhesionForce; }
  const std::vector<double>& WheelSpeedCommitted() const { return wheelSpeedCommitted; }
  const std::vector<double>& WheelTravelCommitted() const { return wheelTravelCommitted; }
  const std::vector<double>& AdhesionForceCommitted() const { return adhesionForceCommitted; }
  // The adhesion force on each wheel averaged over the step: the impulse the
  // integration applied to the wheel divided by the time step.
  const std::vector<double>& MeanAdhesionForce() const { return meanAdhesionForce; }
  const std::vector<double>& MeanAdhesionForceCommitted() const {
    return meanAdhesionForceCommitted;
  }

 private:
  // 1 / reduced mass, as the time step divided by the mass step ratio.
  void UpdateInverseMasses();

  std::vector<double> reducedMass;
  std::vector<double> massStepRatio;  // time step / reduced mass
  std::vector<double> brakeForceRadius;
  int SUBDIV = 1;
  int ITER = 0;
  double LIM = 0.0;
  double timeStep = 0.0;  // seconds
  std::vector<double> wheelSpeed;
  std::vector<double> wheelTravel;
  std::vector<double> adhesionForce;
  std::vector<double> meanAdhesionForce;
  std::vector<double> wheelSpeedCommitted;
  std::vector<double> wheelTravelCommitted;
  std::vector<double> adhesionForceCommitted;
  std::vector<double> meanAdhesionForceCommitted;
  // Work space of DoStep: per axle 1 / reduced mass, and per group of axles how
  // its wheels followed the slip law last.
  std::vector<double> inverseMass;
  std::vector<SlipPattern> slipPatterns;
  long long unstableAxle = -1;
  double unstableCapacity = 0.0;
  bool stepDone = false;
};
