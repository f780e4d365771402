#include "framework/Framework.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "display/VehicleRun.h"
#include "framework/Reporting.h"
#include "framework/Resampling.h"
#include "framework/RunSize.h"
#include "setup/InputReaders.h"
#include "vehicle/StabilityCheck.h"

namespace {

const char* const kBatchParameterFile = "batch_paramsets.in";

// Every set replays the whole history; a time step so small that its steps
// cannot be counted would otherwise run no step at all.
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

// A warning of a reader goes with the other warnings, apart from the set-up lines.
void Warn(std::ostream& warnings, const std::string& warning) {
  if (!warning.empty()) warnings << "Warning - " << warning << ".\n";
}

}  // namespace

// The set-up sequence. Every step reports itself on one line ending in OK or
// Failed; a failed model step skips everything after it, the later steps run
// only while everything before them succeeded.
bool Framework::Initialize(const std::string& stylesFile, const std::string& externalForceFile,
                           int flags, const std::string& modelFile) {
  ResolveModes(flags);
  if (!CreateModel(modelFile)) return false;

  std::string error;
  double fileTimeStep = 0.0;
  if (!setUp.ReadModelFileItems(fileTimeStep, error)) {
    *console << "Reading time step and initial state... Failed\nReason: " << error << "\n";
    return false;
  }
  bool ok = true;
  if (!realTimeExternalForce) ok = ReadHistory(externalForceFile);
  if (ok && batchRun) ok = ReadBatchSets();
  if (ok) {
    *console << "Preparing Fundamental matrices... ";
    ok = setUp.PrepareStepMatrices(fileTimeStep);
    PrintResult(*console, ok);
    if (!ok) *console << "Reason:\n" << ErrorLines(setUp.Simulation().GetLogText());
  }
  if (graphicsDisplay && ok) ok = CreateVisualModel(stylesFile);
  if (ok) {
    *console << "Creating vehicle simulator... ";
    setUp.Complete();
    std::ostringstream log;
    const bool created = setUp.CreateVehicle(vehicleSystem, log);
    vehicleCreationLog = log.str();
    // A batch checks each set with the settings it brings.
    std::string refusal;
    const bool makesSteps = graphicsDisplay || inputs.history->num_rows() > 0;
    ok = created && (batchRun || WheelsIntegrable(vehicleSystem, makesSteps, refusal)) &&
         ConsoleRunSizeFits(refusal);
    PrintResult(*console, ok);
    if (!created) *console << "Reason:\n" << vehicleCreationLog;
    if (created && !ok) *console << "Reason: " << refusal << "\n";
  }
  return ok;
}

bool Framework::WheelsIntegrable(const Kelvra& vehicle, bool makesSteps,
                                 std::string& reason) const {
  return !makesSteps || CheckWheelIntegration(vehicle, LargestBrakeInputs(), reason);
}

std::vector<double> Framework::LargestBrakeInputs() const {
  const Matrix& history = *inputs.history;
  std::vector<double> largest(static_cast<std::size_t>(vehicleSystem.AxleCount()),
                              graphicsDisplay ? kMaxBrakeInput : 0.0);
  // The brake inputs come first, one column per axle, the traction last.
  const int brakeColumns = std::min(history.num_cols() - 1, vehicleSystem.AxleCount());
  for (int row = 0; row < history.num_rows(); ++row) {
    for (int axle = 0; axle < brakeColumns; ++axle) {
      largest[axle] = std::max(largest[axle], std::fabs(history[row][axle]));
    }
  }
  return largest;
}

// Batch runs replay a recorded history on the console, and real-time input
// needs the window: the requests are reconciled in this order.
void Framework::ResolveModes(int flags) {
  realTimeExternalForce = (flags & kRequestRealTimeExternalForce) != 0;
  graphicsDisplay = (flags & kRequestGraphicsDisplay) != 0;
  batchRun = (flags & kRequestBatchRun) != 0;

  *console << (batchRun ? "Simulator was set to Batch Run (BR) mode.\n"
                        : "Simulator has defaulted to Single Run (SR) mode.\n");

  if (!realTimeExternalForce) {
    *console << "Simulator has defaulted to Static External Force (SEF) mode.\n";
  } else if (batchRun) {
    *console << "Simulator has defaulted to Static External Force (SEF) mode, required by BR "
                "mode.\n";
    realTimeExternalForce = false;
  } else {
    *console << "Simulator was set to Real Time External Force (RTEF) mode.\n";
  }

  if (graphicsDisplay && batchRun) {
    *console << "Simulator has defaulted to Console Display (CD) mode, required by BR mode.\n";
    graphicsDisplay = false;
  } else if (graphicsDisplay) {
    *console << "Simulator was set to Graphics Display (GD) mode.\n";
  } else if (realTimeExternalForce) {
    *console << "Simulator has defaulted to Graphics Display (GD) mode, required by RTEF mode.\n";
    graphicsDisplay = true;
  } else {
    *console << "Simulator has defaulted to Console Display (CD) mode.\n";
  }
}

bool Framework::CreateModel(const std::string& modelFile) {
  *console << "Creating internal model representation... ";
  const bool ok = setUp.CreateLinearModel(modelFile);
  PrintResult(*console, ok);
  if (!ok) {
    const std::string reason = ModelFailureReason(setUp.Model());
    if (!reason.empty()) *console << "Reason:" << reason;
  }
  return ok;
}

// The history must hold a brake input per axle and the traction in every row.
bool Framework::ReadHistory(const std::string& externalForceFile) {
  *console << "Reading external force history... ";
  std::string error;
  std::string warning;
  Matrix history;
  bool ok = ReadExternalForceHistory(externalForceFile, history, error, &warning);
  const int needed = AxleCount() + 1;
  if (ok && history.num_cols() < needed) {
    ok = false;
    error = "EFD in '" + externalForceFile + "': the history has " +
            std::to_string(history.num_cols()) + " columns, but " + std::to_string(needed - 1) +
            " axles need " + std::to_string(needed) +
            " (a brake input per axle, then the traction)";
  }
  inputs.history = std::make_shared<const Matrix>(std::move(history));
  PrintResult(*console, ok);
  if (!ok) *console << "Reason: " << error << "\n";
  if (ok) Warn(*warnings, warning);
  return ok;
}

bool Framework::ReadBatchSets() {
  *console << "Reading batch run parameters... ";
  std::string error;
  std::string warning;
  const bool ok =
      ReadBatchParameterSets(kBatchParameterFile, inputs.batchSets, error, &warning) &&
      CheckStepCounts(inputs.batchSets, inputs.history->num_rows(), error) &&
      SetsInRange(setRange, inputs.batchSets.num_rows(), "sets", batchBegin, batchEnd, error) &&
      BatchRunSizeFits(error);
  PrintResult(*console, ok);
  if (!ok) *console << "Reason: " << error << "\n";
  if (ok) Warn(*warnings, warning);
  return ok;
}

int Framework::ConsoleSteps() const {
  const int rows = inputs.history->num_rows();
  return resampleHistory ? ResampledStepCount(rows, setUp.TimeStep()) : rows;
}

// The console run's steps, then the validator over the history's rows.
bool Framework::ConsoleRunSizeFits(std::string& error) const {
  if (batchRun || graphicsDisplay) return true;
  const int rows = inputs.history->num_rows();
  const double timeStep = setUp.TimeStep();
  if (resampleHistory && !ResampledStepCountFits(rows, timeStep)) {
    std::ostringstream text;
    text << "DT " << timeStep << " is too small for the " << rows
         << " rows of the history: more than " << std::numeric_limits<int>::max() << " steps";
    error = text.str();
    return false;
  }
  const int steps = ConsoleSteps();
  const TAxleIntegrator& axleRot = vehicleSystem.Dynamics().AxleRot;
  RunSize size = VehicleRunSize(steps, axleRot.Iter(), axleRot.Subdiv(), vehicleSystem.AxleCount());
  size.outputBytes += ValidatorOutputBytes(rows) + StatesBytes(steps);
  std::string warning;
  const bool fits = CheckRunSize(size, error, warning);
  Warn(*warnings, warning);
  return fits;
}

// Every set of the range replays the whole history at its own time step, then
// the validator replays it once.
bool Framework::BatchRunSizeFits(std::string& error) const {
  const Matrix& sets = inputs.batchSets;
  const int rows = inputs.history->num_rows();
  const int axles = AxleCount();
  RunSize total;
  total.outputBytes = ValidatorOutputBytes(rows);
  for (int i = batchBegin; i < batchEnd; ++i) {
    const RunSize set = VehicleRunSize(ResampledStepCount(rows, sets[i][0]),
                                       static_cast<int>(std::trunc(sets[i][1])),
                                       static_cast<int>(std::trunc(sets[i][2])), axles);
    total.work += set.work;
    total.outputBytes += set.outputBytes + StatesBytes(ResampledStepCount(rows, sets[i][0]));
  }
  std::string warning;
  const bool fits = CheckRunSize(total, error, warning);
  if (!fits) error = "BATCH in '" + std::string(kBatchParameterFile) + "': " + error;
  Warn(*warnings, warning);
  return fits;
}

bool Framework::CreateVisualModel(const std::string& stylesFile) {
  *console << "Creating visual model representation... ";
  const ComponentManager& components = setUp.Model().Components();
  const bool ok = styleManager.Create(
      stylesFile, components.Bodies(), components.Wheels(), components.Nodes(), components.Forces(),
      components.ExtForces(), components.Outdisps(), components.Dofs());
  PrintResult(*console, ok);
  if (!ok) {
    *console << "Reason:\n" << styleManager.GetLogText();
    return false;
  }
  *console << "Creating result manager... ";
  const int dofCount = static_cast<int>(components.Dofs().size());
  resultStore.Append(Vector(dofCount, 0.0), "Real-time simulation");
  PrintResult(*console, true);
  return true;
}

// Each log is checked once everything is handed to the system, so that a full
// disk cannot leave an empty log behind unsaid.
bool Framework::WriteLogs(const std::string& directory) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::create_directories(directory, error);
  if (!fs::is_directory(directory, error)) {
    *warnings << "Warning - cannot make the log folder '" << directory
              << "'; the module logs are not saved.\n";
    lostResults.Skipped();
    return false;
  }
  struct LogFile {
    const char* name;
    std::string text;
  };
  std::vector<LogFile> logs = {
      {"model_creation.log", setUp.Model().GetLogText('M')},
      {"component_manager.log", setUp.Model().GetLogText('C')},
      {"basic_matrix_manager.log", setUp.Model().GetLogText('B')},
      {"advanced_matrix_manager.log", setUp.Model().GetLogText('A')},
      {"simulation_module.log", setUp.Simulation().GetLogText()},
      {"vehicle_system.log", vehicleCreationLog},
  };
  if (graphicsDisplay) logs.push_back({"style_manager.log", styleManager.GetLogText()});
  bool ok = true;
  for (const LogFile& log : logs) {
    const std::string fileName = (fs::path(directory) / log.name).string();
    OutputFile out(fileName);
    if (!out.IsOpen()) {
      lostResults.CannotOpen(fileName);
      ok = false;
      continue;
    }
    out << log.text;
    if (!out.Close()) {
      lostResults.CannotWrite(fileName, errno);
      ok = false;
    }
  }
  return ok;
}
