#include "framework/RunSize.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "results/StepRecorder.h"

namespace {

// A number of a time series in its shortest exact form, with its separator: the
// demo's series average 16.4 bytes per number.
constexpr double kBytesPerNumber = 20.0;
// A line of the validator's force file: eight numbers of six digits (76 bytes
// on average in the demo).
constexpr double kBytesPerForceLine = 80.0;
// The validator steps ten times per history row, evaluating its forces four
// times per step; its states have 21 columns.
constexpr double kForceLinesPerRow = 40.0;
constexpr double kStateColumns = 21.0;

std::string Gigabytes(double bytes) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(1) << bytes / 1e9 << " GB";
  return text.str();
}

}  // namespace

double RowsKept(double steps, int recordEvery) {
  return std::floor(steps / std::max(1, recordEvery)) + 1.0;
}

RunSize VehicleRunSize(double steps, int iterations, int subdivisions, int axles, int recordEvery) {
  const double columns = 2.0 + StepRecorder::kColumnsPerAxle * static_cast<double>(axles);
  return {steps * (iterations + 1.0) * subdivisions,
          RowsKept(steps, recordEvery) * columns * kBytesPerNumber};
}

double StatesOutputBytes(double steps, std::size_t columns, int recordEvery) {
  return RowsKept(steps, recordEvery) * static_cast<double>(columns) * kBytesPerNumber;
}

double ValidatorOutputBytes(int rows) {
  return rows * (kForceLinesPerRow * kBytesPerForceLine + kStateColumns * kBytesPerNumber);
}

bool CheckRunSize(const RunSize& size, std::string& error, std::string& warning) {
  warning.clear();
  std::ostringstream reason;
  reason << std::setprecision(3);
  if (size.work > kRunWorkLimit) {
    reason << "the run would take " << size.work
           << " substeps per axle (steps x (ITER + 1) x SUBDIV), more than the limit of "
           << kRunWorkLimit;
    error = reason.str();
    return false;
  }
  if (size.outputBytes > kRunOutputLimit) {
    error = "the run would write about " + Gigabytes(size.outputBytes) +
            " of result files, more than the limit of " + Gigabytes(kRunOutputLimit);
    return false;
  }
  if (size.outputBytes > kRunOutputWarning) {
    warning = "the run will write about " + Gigabytes(size.outputBytes) + " of result files";
  }
  return true;
}
