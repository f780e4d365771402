#pragma once

// Wheel slide protection per axle, as fitted to passenger coaches, with the
// anti-slip traction reduction of the same unit.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

// The settings of the WSP section, in file order after the switch. The
// defaults are those of a coach braked by tread or disc brakes on a line
// whose vehicles brake at up to about 1.2 m/s2 and accelerate at up to 2.3 m/s2.
struct WheelSlideSettings {
  bool enabled = false;
  double refDecel = 1.5;      // m/s2, fastest fall of the reference speed (braking, coasting)
  double refAccel = 2.5;      // m/s2, fastest rise of the reference speed (traction)
  double slideDiff = 0.4;     // m/s, speed difference to the reference that is a slide
  double decelDiff = 0.15;    // m/s, speed difference from which a fast deceleration is a slide
  double slideDecel = 4.0;    // m/s2, wheel deceleration that starts a slide
  double recoverAccel = 1.0;  // m/s2, wheel acceleration of a wheel that recovers
  double dumpRate = 4.0;      // 1/s, share of the brake force vented per second
  double refillRate = 1.0;    // 1/s, share of the brake force refilled per second
  double safetyTime = 3.0;    // s, longest continuous release before the brake is re-applied
  double minSpeed = 1.0;      // m/s, reference speed below which the unit does nothing

  bool operator==(const WheelSlideSettings&) const = default;
};

// What the valve of one axle does over a step; the values are those of the
// time series.
enum class WspValve : std::uint8_t {
  Refill = 0,  // the cylinder follows the brake demand (refilling after a release)
  Hold = 1,    // the cylinder is shut off: its force stays
  Dump = 2,    // the cylinder vents: its force falls at the dump rate
};

// The unit sees only the wheels' circumferential speeds, sampled once per
// step, never the vehicle's speed. It estimates the vehicle's speed from them
// (the reference v), compares every wheel with it and drives that axle's
// valves. The share of the brake cylinder's force that the valve lets reach
// the brake is f (1 when untouched); the share of the axle's traction, g.
//
// Reference, in the direction of travel (or of the traction, when it pulls):
//   braking and coasting  v_k = max(max_i w_i, v_{k-1} - refDecel dt)
//   traction              v_k = min(min_i w_i, v_{k-1} + refAccel dt)
// Braking, the fastest wheel is the best estimate and a rolling vehicle
// cannot slow faster than refDecel; under traction the slowest one, and it
// cannot speed up faster than refAccel. When every wheel slides at once the
// reference falls at refDecel instead of with the wheels.
//
// Braked axle, with d = v - w its speed difference and a = dw/dt over the
// last step:
//   slides      d > slideDiff,  or  d > decelDiff and -a > slideDecel
//   recovers    a > recoverAccel
//   valve       Dump    from a slide until the wheel recovers
//               Hold    while it recovers
//               Refill  once it has stopped recovering, unless it slides again
//   f' = -dumpRate (Dump), 0 (Hold), +refillRate (Refill), f within [0, 1].
// The deceleration criterion sees a slide start before the difference has
// grown; decelDiff keeps it from taking a wheel that takes up the brake's
// force within its slip band for one that slides. Venting until the wheel
// turns and holding until it has caught up brings the wheel back to the
// vehicle's speed even when every wheel slid and the reference fell with
// them: the refill starts from a true reference. A wheel whose brake is
// vented in full and that still does not turn was not sliding (a wheelset
// that swung back on its suspension as the brake came on) or cannot answer
// (a lifted wheel, a seized axle): it is refilled. Below a reference of
// minSpeed the valves refill, so that the brake stops the vehicle.
//
// Safety timer: it runs while an axle's brake is short of its demand (f < 1)
// and starts again whenever the wheel recovers (the unit is working on a
// wheel that slides). When it exceeds safetyTime the brake is re-applied in
// full and the unit leaves the axle alone until its demand is released, so
// that a fault cannot take the brake away for good.
//
// Driven axle (traction pulling, no brake demand on any axle): the same with
// the roles of the speeds turned, d = w - v; g falls, holds and recovers as f
// does, from rest on. No safety timer: reducing traction is safe.
class TWheelSlideProtection {
 public:
  static constexpr std::uint8_t kUntouched = 0;
  static constexpr std::uint8_t kVenting = 1;
  static constexpr std::uint8_t kRecovering = 2;

  // The WSP section from `section`, which stands right after the keyword: the
  // switch 0 or 1, then up to ten settings on the same line in the order of
  // WheelSlideSettings; those left out keep their defaults. The line ends at
  // its end or at the keyword of another section on it. False, logging the
  // reason, for a switch other than 0 or 1, a word that is no number, more
  // than ten settings or settings that cannot work together. A switched-off
  // section is read without a word in the log.
  bool ReadPar(std::istream& section, std::ostream& log);
  // For `axleCount` axles stepped every `timeStep` seconds; false, with the
  // reason in `log`, for a time step that is not above 0 while the switch is on.
  bool SetPar(std::size_t axleCount, double timeStep, std::ostream& log);
  // Takes settings that were read or made elsewhere; false, changing nothing,
  // when they cannot work together (the reason goes to `log`).
  bool SetPar(std::size_t axleCount, double timeStep, const WheelSlideSettings& settings,
              std::ostream& log);
  // Every valve refilled and every share 1, no reference yet.
  void Init();
  // The valves over the step that starts now, from the wheel speeds at its
  // start: f and g at the step's end (BrakeShare, TractionShare) from the
  // committed state. Calling it again before Finalize gives the same result.
  // Allocates nothing.
  void DoStep(const std::vector<double>& wheelSpeed, const std::vector<double>& brakeDemand,
              double tractionForce);
  // Commits the last DoStep; false when there is none since the last commit.
  bool Finalize();

  // Whether the switch is on; off, the unit is never stepped.
  bool Enabled() const { return settings.enabled; }
  const WheelSlideSettings& Settings() const { return settings; }
  std::size_t AxleNum() const { return committed.brakeShare.size(); }

  // Per axle, at the start of the step (committed) and at its end.
  const std::vector<double>& BrakeShareCommitted() const { return committed.brakeShare; }
  const std::vector<double>& BrakeShare() const { return next.brakeShare; }
  const std::vector<double>& TractionShareCommitted() const { return committed.tractionShare; }
  const std::vector<double>& TractionShare() const { return next.tractionShare; }
  // The valve of each axle in the last committed step.
  const std::vector<WspValve>& Valve() const { return committed.valve; }
  // The estimate of the vehicle's speed, signed, after the last committed step.
  double ReferenceSpeed() const { return committed.reference; }
  // Per axle, the time since Init during which the valve vented or held, s.
  const std::vector<double>& ReleaseTime() const { return committed.releaseTime; }
  // Per axle, whether the safety timer has re-applied the brake and the unit
  // leaves the axle alone until its demand is released.
  const std::vector<std::uint8_t>& TimedOut() const { return committed.timedOut; }

  // Everything that changes while the unit steps, as one value.
  struct State {
    double reference = 0.0;
    bool hasReference = false;
    std::vector<double> brakeShare, tractionShare;
    std::vector<double> lastWheelSpeed;   // the wheel speeds the last step started from
    std::vector<double> releaseTime;      // s, total
    std::vector<long long> releaseSteps;  // the steps that make it up
    std::vector<double> releaseRun;       // s, of the current release without a break
    std::vector<WspValve> valve;
    std::vector<std::uint8_t> timedOut;
    // Per axle, where its brake and its traction stand in a release cycle:
    // kUntouched, kVenting or kRecovering.
    std::vector<std::uint8_t> brakePhase, tractionPhase;

    bool operator==(const State&) const = default;
  };
  const State& Snapshot() const { return committed; }
  // Whether `state` fits the axle count.
  bool Fits(const State& state) const;
  // False, changing nothing, when `state` does not fit.
  bool Restore(const State& state);

 private:
  // The travel direction, +1 or -1, in which the speeds are compared.
  double Direction(const std::vector<double>& wheelSpeed, bool braking, double tractionForce) const;
  void UpdateReference(const std::vector<double>& wheelSpeed, double direction, bool traction);
  // The valve for an axle whose speed difference is `difference` and whose
  // acceleration (along the compared direction) is `accel`.
  // `share` is the share the valve lets through now. Updates the axle's
  // `phase` of its release cycle.
  WspValve Decide(double difference, double accel, double share, std::uint8_t& phase) const;
  // The share after a step of `valve`.
  double MoveShare(double share, WspValve valve) const;
  void StepBrakedAxle(std::size_t i, double difference, double accel);
  void StepDrivenAxle(std::size_t i, double difference, double accel);
  void RefillTraction(std::size_t i);
  void ReleaseAxle(std::size_t i);

  WheelSlideSettings settings;
  double timeStep = 0.0;
  State committed;
  State next;
  bool stepDone = false;
};

// The names of the settings in file order, as the study paths use them
// (WSP.<name>); the switch is "enabled".
inline constexpr const char* kWheelSlideSettingNames[] = {
    "ref_decel",     "ref_accel", "slide_diff",  "decel_diff",  "slide_decel",
    "recover_accel", "dump_rate", "refill_rate", "safety_time", "min_speed"};

// The first reason `settings` cannot work, or an empty text.
std::string WheelSlideProblem(const WheelSlideSettings& settings);
