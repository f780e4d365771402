#pragma once

// The key figures of one run of the vehicle, worked out from the rows of its
// time series as they are recorded.
//
// The vehicle speed is the mean of the wheelsets' longitudinal speeds, and the
// distance run the mean of their positions. Whether the vehicle stands still
// or moves is told by its speed over each step: its change of position over
// the step's time. The accelerations are those of the
// vehicle's centre of mass (every body's longitudinal momentum over their total
// mass), each the mean over a span of kAccelerationSpan (the change of the
// centre's speed between rows that far apart, divided by their time apart).
// The suspension's swings are internal forces and leave the centre of mass
// alone, so they do not count, however soft the suspension.
//
// The brake is first applied by the first step whose brake input is above 0 on
// some axle; it starts at the row before, whose time, position and speed the
// stop is measured from, and it stays applied until the first later step
// without a brake input on any axle (or the end of the run). The vehicle
// stopped at the first row of that braking from which its speed stays below
// kStandstillSpeed to the braking's end, unless it moves on from there by more
// than kCreepDistance: then it creeps, and did not stop. A vehicle already
// below the standstill speed when the brake was applied stops at once (time
// and distance 0) unless it creeps.
//
// On a real line (any of the sections GRADIENT, ADHLEVEL, BRKCYL, BRKHOLD,
// WSP and V0 active) the summary also tells the adhesion used by the stop:
// the adhesion's share of the deceleration over it, divided by g times the
// adhesion the axles met,
//   eta = (v0^2 / 2 - g integral sin(theta) dx) / (g integral mu |dx|),
// v0 the speed when the brake was applied, the integrals over the stop's
// distance run, theta the gradient and mu the adhesion coefficient at zero
// slip (muStatic of the characteristic times the ADHLEVEL factor), each the
// mean over the axles. With the gradient and mu the same all along, eta is
// (v0^2 / (2 s) - g sin(theta)) / (g mu); where they vary, each stretch counts
// by its length, so that a vehicle that uses the same share of the adhesion
// everywhere shows that share.
//
// A wheel slides while its slip (vehicle minus wheel speed) lies beyond the slip
// band of the axle integrator; the sliding time adds up the steps at whose end
// some wheel slid while the vehicle moved (at kStandstillSpeed or faster): a
// vehicle at rest does not slide, whatever its wheels do.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

inline constexpr double kAccelerationSpan = 0.5;  // seconds
inline constexpr double kStandstillSpeed = 0.02;  // m/s
inline constexpr double kCreepDistance = 0.05;    // m

struct RunSummary {
  double peakSpeed = 0.0;              // largest magnitude of the vehicle speed [m/s]
  double peakAcceleration = 0.0;       // largest rise of the centre of mass's speed [m/s2]
  double peakDeceleration = 0.0;       // largest fall of it, positive [m/s2]
  std::optional<double> brakeTime;     // when the brake was first applied [s]
  std::optional<double> stopTime;      // from the first brake application to standstill [s]
  std::optional<double> stopDistance;  // run over that time [m]
  // How far a vehicle that slowed below the standstill speed moved on, when
  // that was more than kCreepDistance and so no stop [m].
  std::optional<double> creepDistance;
  double slidingTime = 0.0;         // time with some wheel sliding [s]
  std::vector<double> largestSlip;  // per axle, the largest slip magnitude [m/s]
  // Whether the run met the line's conditions (SetLineConditions), and the
  // adhesion used by the stop when there was one over some distance.
  bool onRealLine = false;
  std::optional<double> adhesionUsed;
  // Per axle, how long the wheel slide protection released its brake, venting
  // or holding [s]; empty without the unit.
  std::vector<double> slideRelease;
};

// One row of a time series as the summary reads it.
struct SummaryRow {
  double time = 0.0;
  std::vector<double> brakeInput;
  std::vector<double> vehicleSpeed;
  std::vector<double> wheelSpeed;
  std::vector<double> position;
  double centreSpeed = 0.0;  // longitudinal speed of the centre of mass [m/s]
};

// Folds rows into a summary one at a time, without allocating once started, so
// that a run can feed it every step.
class RunSummaryBuilder {
 public:
  // Clears the figures for `axleCount` axles, the slip band `slipBand` [m/s]
  // and rows `timeStep` apart [s].
  void Start(std::size_t axleCount, double slipBand, double timeStep);
  // The row at `time`; the vectors hold one entry per axle (missing entries
  // count as 0), `centreSpeed` is the centre of mass's speed. The first row
  // added is the initial state.
  void Add(double time, const std::vector<double>& brakeInput,
           const std::vector<double>& vehicleSpeed, const std::vector<double>& wheelSpeed,
           const std::vector<double>& position, double centreSpeed);
  // The conditions the axles met at the row added next: the mean over them
  // of the adhesion coefficient at zero slip and of sin(theta). Once called,
  // the summary tells the adhesion used.
  void SetLineConditions(double adhesion, double gradientSine);
  // Per axle, how long the wheel slide protection has released its brake
  // since the start [s]; once called, the summary tells it.
  void SetSlideRelease(const std::vector<double>& releaseTime);
  const RunSummary& Result() const { return summary; }
  // Whether Start was called: rows added before are not looked at.
  bool Started() const { return !recentTimes.empty(); }

 private:
  // A row of the vehicle: where it was, and how fast it moved over the step
  // that ended there (the initial row: its speed).
  struct Place {
    double time = 0.0;
    double position = 0.0;
    double speed = 0.0;
    // From the start of the run to here: integral mu |dx| and integral sin(theta) dx.
    double adhesionRun = 0.0;
    double gradientRun = 0.0;
  };
  void FollowAdhesionUsed();
  void FollowBrake(const Place& row, bool braked);
  void FollowStandstill(const Place& row);
  void FollowAcceleration(double time, double centreSpeed);

  RunSummary summary;
  std::size_t axles = 0;
  double band = 0.0;
  bool first = true;
  Place last;
  std::optional<Place> brakeStart;  // where the vehicle was when the brake was first applied
  bool braking = false;             // from then until the brake is first released
  // The row from which the speed has stayed below the standstill speed, and
  // how far the vehicle has moved on from it since.
  std::optional<Place> slowSince;
  double movedOn = 0.0;
  // The last rows' times and centre speeds, a span apart: a ring of `spanRows` + 1.
  std::size_t spanRows = 1;
  std::size_t rowsAdded = 0;
  std::vector<double> recentTimes, recentSpeeds;
  // The line conditions of the row to come.
  double adhesion = 0.0;
  double gradientSine = 0.0;
};

RunSummary SummariseRun(const std::vector<SummaryRow>& rows, std::size_t axleCount, double slipBand,
                        double timeStep);

// "Summary: peak speed 22.3 m/s, peak acceleration 0.43 m/s2, peak deceleration
// 1.2 m/s2, stopping time 34.8 s, stopping distance 270.8 m, sliding 34.7 s,
// largest slip 13.1 13.1 13.1 13.1 m/s\n"; without a stop "does not stop" stands
// for the two stopping figures, followed by "(creeps on 0.19 m below 0.02 m/s)"
// for a vehicle that slowed below the standstill speed and crept on.
// On a real line ", adhesion used 0.93" follows the largest slip where the
// figure is known, and ", WSP released 2.1 1.9 2.4 2.2 s" where the wheel
// slide protection acted.
std::string SummaryLine(const RunSummary& summary);

// The figures of `summary` in the order of the summary file's columns, NaN
// for a missing one; with `adhesionUsed` the adhesion used, then with
// `slideRelease` the release time of every axle.
std::vector<double> SummaryValues(const RunSummary& summary, bool adhesionUsed = false,
                                  bool slideRelease = false);

// The summary file's column names after `leading` ones, and a row of it: the
// figures in their shortest exact form, an empty cell for a missing one; with
// `adhesionUsed` the column adhesion_used, then with `slideRelease` the
// columns wsp_release_1..c (empty for a run without the unit).
std::string SummaryHeader(const std::vector<std::string>& leading, std::size_t axleCount,
                          bool adhesionUsed = false, bool slideRelease = false);
std::string SummaryCells(const RunSummary& summary, bool adhesionUsed = false,
                         bool slideRelease = false);
