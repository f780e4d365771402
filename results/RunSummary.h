#pragma once

// The key figures of one run of the vehicle, worked out from the rows of its
// time series as they are recorded.
//
// The vehicle speed is the mean of the wheelsets' longitudinal speeds, and the
// distance run the mean of their positions. The accelerations are the mean
// accelerations over every span of kAccelerationSpan (the change of the vehicle
// speed between rows that far apart, divided by their time apart): the vehicle's
// own, without the wheelsets' vibration against the car, which a single step of
// a few milliseconds shows at several times the size.
//
// The brake is first applied by the first step whose brake input is above 0 on
// some axle; it starts at the row before, whose time, position and speed the
// stop is measured from. The vehicle stands still at the first row from then on
// whose vehicle speed is 0 or has turned against the direction it had when the
// brake was applied: the first sample at which it stopped. A vehicle that stood
// still when the brake was applied stops at once (time and distance 0); one
// whose speed never reaches 0 does not stop, and its stopping figures are empty.
//
// A wheel slides while its slip (vehicle minus wheel speed) lies beyond the slip
// band of the axle integrator; the sliding time adds up the steps at whose end
// some wheel slid.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

inline constexpr double kAccelerationSpan = 0.5;  // seconds

struct RunSummary {
  double peakSpeed = 0.0;              // largest magnitude of the vehicle speed [m/s]
  double peakAcceleration = 0.0;       // largest rise of the vehicle speed [m/s2]
  double peakDeceleration = 0.0;       // largest fall of the vehicle speed, positive [m/s2]
  std::optional<double> brakeTime;     // when the brake was first applied [s]
  std::optional<double> stopTime;      // from the first brake application to standstill [s]
  std::optional<double> stopDistance;  // run over that time [m]
  double slidingTime = 0.0;            // time with some wheel sliding [s]
  std::vector<double> largestSlip;     // per axle, the largest slip magnitude [m/s]
};

// One row of a time series as the summary reads it.
struct SummaryRow {
  double time = 0.0;
  std::vector<double> brakeInput;
  std::vector<double> vehicleSpeed;
  std::vector<double> wheelSpeed;
  std::vector<double> position;
};

// Folds rows into a summary one at a time, without allocating once started, so
// that a run can feed it every step.
class RunSummaryBuilder {
 public:
  // Clears the figures for `axleCount` axles, the slip band `slipBand` [m/s]
  // and rows `timeStep` apart [s].
  void Start(std::size_t axleCount, double slipBand, double timeStep);
  // The row at `time`; the vectors hold one entry per axle (missing entries
  // count as 0). The first row added is the initial state.
  void Add(double time, const std::vector<double>& brakeInput,
           const std::vector<double>& vehicleSpeed, const std::vector<double>& wheelSpeed,
           const std::vector<double>& position);
  const RunSummary& Result() const { return summary; }
  // Whether Start was called: rows added before are not looked at.
  bool Started() const { return !recentTimes.empty(); }

 private:
  // Where the vehicle stood when the brake was first applied.
  struct BrakeStart {
    double time = 0.0;
    double position = 0.0;
    double speed = 0.0;
  };
  void FollowStop(double time, double speed, double position);
  void FollowAcceleration(double time, double speed);

  RunSummary summary;
  std::size_t axles = 0;
  double band = 0.0;
  bool first = true;
  double lastTime = 0.0, lastSpeed = 0.0, lastPosition = 0.0;
  std::optional<BrakeStart> brakeStart;
  // The last rows' times and speeds, a span apart: a ring of `spanRows` + 1.
  std::size_t spanRows = 1;
  std::size_t rowsAdded = 0;
  std::vector<double> recentTimes, recentSpeeds;
};

RunSummary SummariseRun(const std::vector<SummaryRow>& rows, std::size_t axleCount, double slipBand,
                        double timeStep);

// "Summary: peak speed 22.3 m/s, peak acceleration 0.43 m/s2, peak deceleration
// 1.2 m/s2, stopping time 34.8 s, stopping distance 270.8 m, sliding 34.7 s,
// largest slip 13.1 13.1 13.1 13.1 m/s\n"; without a stop "does not stop" stands
// for the two stopping figures.
std::string SummaryLine(const RunSummary& summary);

// The summary file's column names after `leading` ones, and a row of it: the
// figures in their shortest exact form, an empty cell for a missing one.
std::string SummaryHeader(const std::vector<std::string>& leading, std::size_t axleCount);
std::string SummaryCells(const RunSummary& summary);
