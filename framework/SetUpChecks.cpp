#include "framework/SetUpChecks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

#include "display/VehicleRun.h"
#include "framework/Resampling.h"
#include "framework/RunSize.h"
#include "vehicle/StabilityCheck.h"

namespace {

// Per axle, the largest brake input the run can give it: the history's, and
// in a window run the lever's full brake.
std::vector<double> LargestBrakeInputs(const Matrix& history, int axles, bool window) {
  std::vector<double> largest(static_cast<std::size_t>(axles), window ? kMaxBrakeInput : 0.0);
  // The brake inputs come first, one column per axle, the traction last.
  const int brakeColumns = std::min(history.num_cols() - 1, axles);
  for (int row = 0; row < history.num_rows(); ++row) {
    for (int axle = 0; axle < brakeColumns; ++axle) {
      largest[axle] = std::max(largest[axle], std::fabs(history[row][axle]));
    }
  }
  return largest;
}

}  // namespace

void Warn(std::ostream& warnings, const std::string& warning) {
  if (!warning.empty()) warnings << "Warning - " << warning << ".\n";
}

bool CheckStepCounts(const Matrix& sets, int historyRows, std::string& error) {
  for (int i = 0; i < sets.num_rows(); ++i) {
    if (ResampledStepCountFits(historyRows, sets[i][0])) continue;
    std::ostringstream text;
    text << "BATCH in '" << kBatchParameterFile << "': set " << i + 1 << " has DT " << sets[i][0]
         << ", too small for the " << historyRows << " rows of the history: more than "
         << std::numeric_limits<int>::max() << " steps";
    error = text.str();
    return false;
  }
  return true;
}

int ConsoleSteps(const RunSetUp& setUp, const RunSettings& settings) {
  const int rows = setUp.inputs.history->num_rows();
  return settings.resampleHistory ? ResampledStepCount(rows, setUp.vehicle.TimeStep()) : rows;
}

// The console run's steps, then the validator over the history's rows.
bool ConsoleRunSizeFits(const RunSetUp& setUp, const RunSettings& settings, std::ostream& warnings,
                        std::string& error) {
  const int rows = setUp.inputs.history->num_rows();
  const double timeStep = setUp.vehicle.TimeStep();
  if (settings.resampleHistory && !ResampledStepCountFits(rows, timeStep)) {
    std::ostringstream text;
    text << "DT " << timeStep << " is too small for the " << rows
         << " rows of the history: more than " << std::numeric_limits<int>::max() << " steps";
    error = text.str();
    return false;
  }
  const int steps = ConsoleSteps(setUp, settings);
  const Kelvra& vehicle = setUp.vehicleSystem;
  const TAxleIntegrator& axleRot = vehicle.Dynamics().AxleRot;
  RunSize size = VehicleRunSize(steps, axleRot.Iter(), axleRot.Subdiv(), vehicle.AxleCount(),
                                settings.recordEvery);
  size.outputBytes += (settings.skipValidator ? 0.0 : ValidatorOutputBytes(rows)) +
                      StatesBytes(settings, setUp.vehicle.Model(), steps);
  std::string warning;
  const bool fits = CheckRunSize(size, error, warning);
  Warn(warnings, warning);
  return fits;
}

// Every set of the range replays the whole history at its own time step, then
// the validator replays it once.
bool BatchRunSizeFits(const RunSetUp& setUp, const RunSettings& settings, std::ostream& warnings,
                      std::string& error) {
  const Matrix& sets = setUp.inputs.batchSets;
  const int rows = setUp.inputs.history->num_rows();
  const int axles = static_cast<int>(setUp.vehicle.Model().Components().Wheels().size());
  RunSize total;
  total.outputBytes = settings.skipValidator ? 0.0 : ValidatorOutputBytes(rows);
  for (int i = setUp.batchBegin; i < setUp.batchEnd; ++i) {
    const int steps = ResampledStepCount(rows, sets[i][0]);
    const RunSize set =
        VehicleRunSize(steps, static_cast<int>(std::trunc(sets[i][1])),
                       static_cast<int>(std::trunc(sets[i][2])), axles, settings.recordEvery);
    total.work += set.work;
    total.outputBytes += set.outputBytes + StatesBytes(settings, setUp.vehicle.Model(), steps);
  }
  std::string warning;
  const bool fits = CheckRunSize(total, error, warning);
  if (!fits) error = "BATCH in '" + std::string(kBatchParameterFile) + "': " + error;
  Warn(warnings, warning);
  return fits;
}

bool WheelsIntegrable(const Kelvra& vehicle, const Matrix& history, bool window, bool makesSteps,
                      std::string& reason) {
  return !makesSteps ||
         CheckWheelIntegration(vehicle, LargestBrakeInputs(history, vehicle.AxleCount(), window),
                               reason);
}
