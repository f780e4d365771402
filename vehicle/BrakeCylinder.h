#pragma once

// The brake cylinders: how the force applied to each axle follows the demand.

#include <cstddef>
#include <ostream>
#include <vector>

#include "vehicle/OptionalSections.h"

// BRKCYL fill release: the time constants [s] of a first-order lag through
// which each axle's applied brake force A follows the demanded force
// D = |brake input x gain|,
//   tau dA/dt = D - A,
// with tau = fill while the demand lies above the applied force and release
// while it lies below: 63 % of a step after one time constant. Over a step
// with the demand held, exactly
//   A(k+1) = D + (A(k) - D) e^(-dt / tau).
// 0 0 (and a missing section) is the instant brake, A = D.
//
// The applied force is where whatever acts on a cylinder's pressure, such as
// the valves of a wheel slide protection, comes in; the brake then turns it
// into a force against the wheel's rotation (TBrakeSys).
class TBrakeCylinder {
 public:
  static constexpr double kLongestTime = 1000.0;  // s

  // The section BRKCYL, when the file has one; the instant brake otherwise.
  bool ReadPar(const OptionalSections& sections, std::ostream& log);
  bool Active() const { return fillTime > 0.0 || releaseTime > 0.0; }
  // The decay of one step of `timeStep` seconds.
  void SetTimeStep(double timeStep);
  // Every cylinder empty, for `axles` axles.
  void Init(std::size_t axles);
  // The applied forces at the start and the end of the step from the
  // committed ones, the demanded forces `demand` [N] held over the step. The
  // start is the committed force, but where a cylinder fills or releases at
  // once it is the demand already: an instant brake acts from the start of
  // the step in which it is asked for.
  void DoStep(const std::vector<double>& demand);
  // Commits the last step.
  void Finalize();
  // The cylinders, committed and new, as a committed step left them; false,
  // changing nothing, when `applied` does not have one entry per axle.
  bool Restore(const std::vector<double>& applied);

  double FillTime() const { return fillTime; }
  double ReleaseTime() const { return releaseTime; }
  const std::vector<double>& AppliedStart() const { return start; }
  const std::vector<double>& Applied() const { return applied; }
  const std::vector<double>& AppliedCommitted() const { return appliedCommitted; }

 private:
  double fillTime = 0.0;
  double releaseTime = 0.0;
  double fillDecay = 0.0;  // e^(-dt / fill), 0 for the instant fill
  double releaseDecay = 0.0;
  std::vector<double> start;
  std::vector<double> applied;
  std::vector<double> appliedCommitted;
};
