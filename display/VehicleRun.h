#pragma once

// The run of the vehicle behind the window: which inputs each step gets (the
// next row of a recorded history, or the lever), how many steps a frame makes,
// the steps themselves, their time series and what the driver's panel reads
// from the vehicle. It knows nothing of the window; the display hands it the
// lever's levels and the clock once per frame.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "display/DriverView.h"
#include "linalg/Matrix.h"
#include "results/HistoryReplay.h"
#include "vehicle/Kelvra.h"

// The lever's full travel: traction at the top, the brakes of every axle at the bottom.
inline constexpr double kMaxTractionForce = 100000.0;
inline constexpr double kMaxBrakeInput = 25000.0;

inline constexpr const char* kEndOfDataMessage =
    "End of pre-defined external force data, simulation stopped.\n"
    "Switching to Real-Time mode, continue simulation using the 'Start' button.\n";

// Traction and brake levels, each 0..1: the upper half of the lever pulls, the lower brakes.
struct LeverLevels {
  float traction = 0.0f;
  float brake = 0.0f;
};
LeverLevels LeverLevelsOf(float leverValue);

// A time series the run closed, at a reset or at the end of the session:
// its file, whether it and the states beside it were written whole (false for
// one not asked for, not opened or whose write failed), and whether the
// session ends with it. Under HDF5 the file holds the series and the states
// as tables with the columns of `hdf5Shape`.
struct ClosedSeries {
  std::string seriesFile;
  bool seriesWritten = false;
  bool statesWritten = false;
  bool hdf5 = false;
  ColumnShape hdf5Shape;
  bool sessionEnds = false;
};

// What the run driver hands to the vehicle run.
struct VehicleRunData {
  Matrix externalForceHistory;    // rows of brake inputs (columns 0..c-1) and traction (column c)
  bool predefinedForces = false;  // replay the history, one row per step
  // Off: one vehicle step per frame, as the timer paces the frames. On: as many
  // steps of the vehicle's time step as keep the simulated time with the wall
  // clock times the pace.
  bool realTimePacing = false;
  // The time series of every vehicle run goes to "<seriesPrefix><result number>.csv",
  // or under `format` HDF5 to the table "series" of "<seriesPrefix><result
  // number>.h5"; without a prefix none is written.
  std::string seriesPrefix;
  ResultFormat format = ResultFormat::kCsv;
  // The attributes of every HDF5 file: the run's record.
  std::vector<Hdf5Attribute> fileAttributes;
  // With `writeStates`, every time series gets its linear states beside it
  // (see StateRecorder), laid out as `stateLayout` says.
  bool writeStates = false;
  StateLayout stateLayout;
  // Told the name of a result file that cannot be opened for writing.
  std::function<void(const std::string&)> warnUnwritable;
  // Told of every time series once its files are closed.
  std::function<void(const ClosedSeries&)> seriesClosed;
};

// What the display hands over once per frame.
struct FrameRequest {
  LeverLevels levers;
  float pace = 1.0f;  // simulated seconds per wall-clock second under real-time pacing
  int elapsedMs = 0;  // the window system's clock, read by real-time pacing only
};

// What a frame did.
struct FrameOutcome {
  int steps = 0;               // vehicle steps made
  bool stoppedItself = false;  // the history ran out or the state broke: the run stopped
};

// What the frame does with the vehicle.
enum class StepDecision {
  kNone,       // stopped: no step
  kStep,       // step with the decided inputs
  kEndOfData,  // the recorded history ran out: stopped, no step
};

class VehicleRun {
 public:
  // Takes the vehicle to step and the stream for its log and the run's messages.
  void SetUp(Kelvra& vehicleSystem, VehicleRunData data, std::ostream& consoleStream);

  // Starts the time series of the vehicle as it stands: a new result number
  // names a new file, which gets the initial row at time 0. Each row of a CSV
  // file reaches it at once, those of an HDF5 file at the end of each frame,
  // so closing the window loses none.
  void StartSeries();
  // The vehicle starts over, and with it the replay and a new time series.
  void Reset();
  // The steps due in this frame with its inputs, then the readout.
  FrameOutcome AdvanceFrame(const FrameRequest& request);

  bool Running() const { return running; }
  void SetRunning(bool on) { running = on; }
  bool Paced() const { return realTimePacing; }
  double TimeStep() const { return replay.TimeStep(); }
  bool ReplayingHistory() const { return predefinedForces; }
  int HistoryRow() const { return historyRow; }
  const std::vector<double>& BrakeDemand() const { return replay.BrakeDemand(); }
  double TractionForce() const { return replay.TractionForce(); }
  const std::string& SeriesFile() const { return seriesFile; }
  std::int64_t StepsRun() const { return replay.Steps(); }
  const DriverReadout& Readout() const { return readout; }
  // Null before SetUp.
  const Kelvra* Vehicle() const { return vehicle; }
  // The session ends: the time series and its states are closed, as at a reset.
  void EndSession() { CloseSeries(true); }

  // Clock of the previous paced frame, -1 before the first.
  int lastFrameMs = -1;

 private:
  // The parts of a frame, in their order.
  int StepsDue(int elapsedMs, float pace);
  StepDecision DecideStepInputs(const LeverLevels& levers);
  void StepVehicle();
  void ReadDriverView();
  void WarnUnwritable(const std::string& fileName) const;
  // Hands the recorded rows to the files, closes them, warns of a failed
  // write and tells seriesClosed.
  void CloseSeries(bool sessionEnds);

  Kelvra* vehicle = nullptr;
  std::ostream* console = nullptr;
  bool running = true;
  bool realTimePacing = false;
  double pacingDebt = 0.0;  // simulated seconds the vehicle is behind the wall clock
  bool predefinedForces = false;
  HistoryReplay replay;  // the inputs, the steps since the start or the last reset, the series
  int historyRow = 0;    // next row of the history to replay
  double appliedTraction = 0.0;  // in the last step made

  std::string seriesPrefix;
  ResultFormat format = ResultFormat::kCsv;
  std::vector<Hdf5Attribute> fileAttributes;
  std::function<void(const std::string&)> warnUnwritable;
  std::function<void(const ClosedSeries&)> seriesClosed;
  bool writeStates = false;
  StateLayout stateLayout;
  std::string seriesFile;  // empty while none is written

  DriverReadout readout;
};
