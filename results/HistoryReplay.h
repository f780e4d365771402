#pragma once

// One step of a run of the vehicle, the same for the console, the batch, the
// window and the benchmarks: the inputs (a row of a recorded history, or given),
// the step, a stop when the step broke the state, and the time-series row at
// the step's end time k DT, k the steps made since the start.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "linalg/Matrix.h"
#include "results/RunRecording.h"
#include "vehicle/Kelvra.h"

// The inputs of `row` of a recorded history: the brake input of every axle,
// then the traction. Columns the history lacks count as zero.
void InputsOfRow(const Matrix& history, int row, std::vector<double>& brakeDemand,
                 double& tractionForce);

class HistoryReplay {
 public:
  HistoryReplay() = default;
  // Steps `vehicleSystem`, which must outlive the replay, with the rows of
  // `forceHistory` at the vehicle's time step. The history is shared, not
  // copied: every set of a batch replays the one the run read.
  HistoryReplay(Kelvra& vehicleSystem, std::shared_ptr<const Matrix> forceHistory) {
    SetUp(vehicleSystem, std::move(forceHistory));
  }
  // The same for a replay made earlier; the step count starts over.
  void SetUp(Kelvra& vehicleSystem, std::shared_ptr<const Matrix> forceHistory);

  // Steps with the inputs of `row`; false, without recording, when the step
  // left the vehicle state broken (the vehicle system has said so).
  bool StepRow(int row);
  // The same with the inputs as they stand in BrakeDemand and TractionForce.
  bool Step();
  // The vehicle starts over: the step count goes back to zero.
  void Restart() { steps = 0; }

  // Gets a row per step while open: the time series, the states file when
  // asked for, the summary once started.
  RunRecording& Recording() { return recording; }
  StepRecorder& Recorder() { return recording.series; }
  std::int64_t Steps() const { return steps; }
  // The end time of the last step made.
  double Time() const { return static_cast<double>(steps) * timeStep; }
  double TimeStep() const { return timeStep; }
  std::vector<double>& BrakeDemand() { return brakeDemand; }
  const std::vector<double>& BrakeDemand() const { return brakeDemand; }
  double& TractionForce() { return tractionForce; }
  double TractionForce() const { return tractionForce; }
  const Matrix& History() const { return *history; }

 private:
  Kelvra* vehicle = nullptr;
  std::shared_ptr<const Matrix> history = std::make_shared<const Matrix>();
  double timeStep = 0.0;
  RunRecording recording;
  std::vector<double> brakeDemand;  // one per axle
  double tractionForce = 0.0;
  std::int64_t steps = 0;
};
