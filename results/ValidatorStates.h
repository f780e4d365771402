#pragma once

// The validator's states as a time series beside the console run's, so that the
// two solutions can be compared point by point.

#include <string>
#include <vector>

#include "results/CsvWriter.h"
#include "solver/ValidatorTrainModel.h"

// Columns: time [s], then per wheelset i = 1..4: vehicle_speed_i (the wheelset's
// longitudinal speed), wheel_speed_i (the wheel's circumferential speed) and
// slip_i (their difference) [m/s], adhesion_force_i and normal_force_i [N].
class ValidatorStateRecorder {
 public:
  static std::vector<std::string> ColumnNames();

  // Creates the file and writes the header; false when it cannot be opened,
  // and recording then does nothing.
  bool Open(const std::string& fileName);
  // The committed `state` at `time` with the forces evaluated at it.
  void Record(double time, const ValidatorState& state, const ValidatorForces& forces);
  // Flushes and closes; false when any write failed.
  bool IsOpen() const { return writer.IsOpen(); }
  bool Close() { return writer.Close(); }
  // The system's error number of the first failed write; 0 while none failed.
  int ErrorNumber() const { return writer.ErrorNumber(); }

 private:
  CsvWriter writer;
};
