#pragma once

// A brake that holds a wheel at rest.

#include <cstddef>
#include <ostream>
#include <vector>

#include "solver/SparseMatrix.h"
#include "vehicle/AxleIntegrator.h"
#include "vehicle/OptionalSections.h"

// BRKHOLD 0|1. With 1 the brake is dry friction: against a turning wheel it
// acts with the full applied force A, and a wheel at rest stays at rest as
// long as the force the rail puts on it stays within |r_b| A (static
// friction up to the brake force). So a braked wheel that stops stays
// locked, sliding on the rail while the vehicle moves on, instead of creeping
// in the linear band of the speed threshold; and where the wheelset, too,
// has come to rest (within the slip band LIM), the rail holds it by static
// friction: the adhesion force becomes the force that keeps the wheelset at
// rest, up to the adhesion capacity and the brake force. A braked vehicle
// then stands on a gradient. 0 (and a missing section) keeps the linear band.
//
// Per step:
//  - start: a wheel at rest (speed exactly 0) whose brake can take the force
//    F the rail puts on it, |F - R| <= |r_b| A, is held; its brake pulls
//    with (F - R) / |r_b|. Every other brake pulls with A against the
//    wheel's turning at the start of the step (against F where it is at
//    rest), whatever the wheel does within the step.
//  - parking: the held wheels whose wheelsets stand within the slip band
//    get the adhesion forces f, held over the step, that bring their
//    wheelsets' speeds to 0 at its end: with v the speeds the step reaches
//    without them and S the change of speed per newton (from P),
//    S f = -v. A wheel whose f exceeds its capacity or brake force is left
//    sliding on the rail, one at a time, the largest excess first.
//  - end: a held wheel keeps speed 0; a braked wheel that came to rest within
//    the step is stopped there.
class TBrakeHold {
 public:
  // The section BRKHOLD, when the file has one; 0 otherwise.
  bool ReadPar(const OptionalSections& sections, std::ostream& log);
  bool Active() const { return on; }
  // Takes over the response of the wheelsets' speeds to a held adhesion force
  // (from P: adhesion inputs first, one per axle) and the brake force radii.
  void SetPar(const SparseMatrix& p, const std::vector<unsigned>& wheelDofIndices,
              const std::vector<double>& brakeForceRadius);
  void Init(std::size_t axles);

  // The committed wheels at the start of a step and the applied forces at
  // its start and end.
  struct Wheels {
    const std::vector<double>& appliedStart;
    const std::vector<double>& appliedEnd;
    const std::vector<double>& wheelSpeed;
    const std::vector<double>& vehicleSpeed;
    const std::vector<double>& adhesion;
    const std::vector<double>& resistance;
  };
  // Decides which wheels are held and parked this step, `slipBand` being the
  // slip band LIM [m/s]; Factors() then holds the brakes' direction factors
  // at the start.
  void Start(const Wheels& committed, double slipBand);
  // The direction factors at an estimate of the end of the step.
  void End(const std::vector<double>& adhesion, const std::vector<double>& resistance);
  const std::vector<double>& Factors() const { return factor; }

  bool AnyParked() const { return parkedCount > 0; }
  // Takes the parked wheels' adhesion out of both inputs (which may be one),
  // keeping it, so that a step shows where the wheelsets would go without it.
  void Unload(std::vector<double>& u0, std::vector<double>& u1);
  // From `base`, the next state of the unloaded inputs, and the adhesion
  // capacities at the start and end: the parking forces, written into both
  // inputs (the unparked wheels' adhesion is put back).
  void Park(const std::vector<double>& base, const std::vector<double>& capacityStart,
            const std::vector<double>& capacityEnd, std::vector<double>& u0,
            std::vector<double>& u1);
  // After the wheels were integrated: held and stopped wheels at rest, with
  // the adhesion force that acts on them.
  void Settle(TAxleIntegrator& axleRot, const std::vector<double>& capacityEnd,
              const std::vector<double>& speedEnd) const;

 private:
  double Sat(double slip) const;
  // Solves S f = -v for the parked wheels; false when S is singular.
  bool SolveParking(const std::vector<double>& base);

  bool on = false;
  double lim = 0.0;
  std::size_t axles = 0;
  std::vector<unsigned> speedEntry;   // per axle: its wheelset's speed in the state
  std::vector<double> radius;         // per axle: |r_b|
  std::vector<double> speedResponse;  // axles x axles: dv_i / dF_j over a step
  // This step.
  std::vector<char> held, parked, braked;
  std::size_t parkedCount = 0;
  std::vector<double> startSpeed, direction, appliedEnd, holdLimit, factor;
  std::vector<double> unloaded0, unloaded1;  // the parked wheels' adhesion inputs
  std::vector<double> parkingForce;
  // Work space of the parking solve.
  std::vector<std::size_t> members;
  std::vector<double> matrix, rhs;
};
