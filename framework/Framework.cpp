#include "framework/Framework.h"

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

#include "framework/BatchRun.h"
#include "framework/Reporting.h"
#include "framework/SetUpChecks.h"
#include "framework/ValidatorRun.h"
#include "framework/WindowRun.h"
#include "model/OutputFile.h"
#include "setup/InputReaders.h"

// The set-up sequence. Every step reports itself on one line ending in OK or
// Failed; a failed model step skips everything after it, the later steps run
// only while everything before them succeeded.
bool Framework::Initialize(const std::string& stylesFile, const std::string& externalForceFile,
                           int flags, const std::string& modelFile) {
  std::ostream& console = *report.console;
  ResolveModes(flags);
  if (!CreateModel(modelFile)) return false;

  std::string error;
  double fileTimeStep = 0.0;
  if (!setUp.vehicle.ReadModelFileItems(fileTimeStep, error)) {
    console << "Reading time step and initial state... Failed\nReason: " << error << "\n";
    return false;
  }
  bool ok = true;
  if (!realTimeExternalForce) ok = ReadHistory(externalForceFile);
  if (ok && batchRun) ok = ReadBatchSets();
  if (ok) {
    console << "Preparing Fundamental matrices... ";
    ok = setUp.vehicle.PrepareStepMatrices(fileTimeStep);
    PrintResult(console, ok);
    if (!ok) console << "Reason:\n" << ErrorLines(setUp.vehicle.Simulation().GetLogText());
  }
  if (graphicsDisplay && ok) ok = CreateVisualModel(stylesFile);
  if (ok) ok = CreateVehicleSystem();
  return ok;
}

// The vehicle's model is complete here: its parameter sections are read. A
// batch checks each set with the settings it brings.
bool Framework::CreateVehicleSystem() {
  std::ostream& console = *report.console;
  console << "Creating vehicle simulator... ";
  setUp.vehicle.Complete();
  std::ostringstream log;
  const bool created = setUp.vehicle.CreateVehicle(setUp.vehicleSystem, log);
  setUp.vehicleCreationLog = log.str();
  std::string refusal;
  const Matrix& history = *setUp.inputs.history;
  const bool makesSteps = graphicsDisplay || history.num_rows() > 0;
  const bool consoleRunNext = !batchRun && !graphicsDisplay;
  const bool ok =
      created &&
      (batchRun ||
       WheelsIntegrable(setUp.vehicleSystem, history, graphicsDisplay, makesSteps, refusal)) &&
      (!consoleRunNext || ConsoleRunSizeFits(setUp, settings, *report.warnings, refusal));
  PrintResult(console, ok);
  if (!created) console << "Reason:\n" << setUp.vehicleCreationLog;
  if (created && !ok) console << "Reason: " << refusal << "\n";
  return ok;
}

int Framework::AxleCount() const {
  return static_cast<int>(setUp.vehicle.Model().Components().Wheels().size());
}

// Batch runs replay a recorded history on the console, and real-time input
// needs the window: the requests are reconciled in this order.
void Framework::ResolveModes(int flags) {
  std::ostream& console = *report.console;
  realTimeExternalForce = (flags & kRequestRealTimeExternalForce) != 0;
  graphicsDisplay = (flags & kRequestGraphicsDisplay) != 0;
  batchRun = (flags & kRequestBatchRun) != 0;

  console << (batchRun ? "Simulator was set to Batch Run (BR) mode.\n"
                       : "Simulator has defaulted to Single Run (SR) mode.\n");

  if (!realTimeExternalForce) {
    console << "Simulator has defaulted to Static External Force (SEF) mode.\n";
  } else if (batchRun) {
    console << "Simulator has defaulted to Static External Force (SEF) mode, required by BR "
               "mode.\n";
    realTimeExternalForce = false;
  } else {
    console << "Simulator was set to Real Time External Force (RTEF) mode.\n";
  }

  if (graphicsDisplay && batchRun) {
    console << "Simulator has defaulted to Console Display (CD) mode, required by BR mode.\n";
    graphicsDisplay = false;
  } else if (graphicsDisplay) {
    console << "Simulator was set to Graphics Display (GD) mode.\n";
  } else if (realTimeExternalForce) {
    console << "Simulator has defaulted to Graphics Display (GD) mode, required by RTEF mode.\n";
    graphicsDisplay = true;
  } else {
    console << "Simulator has defaulted to Console Display (CD) mode.\n";
  }
}

bool Framework::CreateModel(const std::string& modelFile) {
  std::ostream& console = *report.console;
  console << "Creating internal model representation... ";
  const bool ok = setUp.vehicle.CreateLinearModel(modelFile);
  PrintResult(console, ok);
  if (!ok) {
    const std::string reason = ModelFailureReason(setUp.vehicle.Model());
    if (!reason.empty()) console << "Reason:" << reason;
  }
  return ok;
}

// The history must hold a brake input per axle and the traction in every row.
bool Framework::ReadHistory(const std::string& externalForceFile) {
  std::ostream& console = *report.console;
  console << "Reading external force history... ";
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
  setUp.inputs.history = std::make_shared<const Matrix>(std::move(history));
  PrintResult(console, ok);
  if (!ok) console << "Reason: " << error << "\n";
  if (ok) Warn(*report.warnings, warning);
  return ok;
}

bool Framework::ReadBatchSets() {
  std::ostream& console = *report.console;
  console << "Reading batch run parameters... ";
  std::string error;
  std::string warning;
  const bool ok =
      ReadBatchParameterSets(kBatchParameterFile, setUp.inputs.batchSets, error, &warning) &&
      CheckStepCounts(setUp.inputs.batchSets, setUp.inputs.history->num_rows(), error) &&
      SetsInRange(settings.setRange, setUp.inputs.batchSets.num_rows(), "sets", setUp.batchBegin,
                  setUp.batchEnd, error) &&
      BatchRunSizeFits(setUp, settings, *report.warnings, error);
  PrintResult(console, ok);
  if (!ok) console << "Reason: " << error << "\n";
  if (ok) Warn(*report.warnings, warning);
  return ok;
}

bool Framework::CreateVisualModel(const std::string& stylesFile) {
  std::ostream& console = *report.console;
  console << "Creating visual model representation... ";
  const ComponentManager& components = setUp.vehicle.Model().Components();
  const bool ok = setUp.styleManager.Create(
      stylesFile, components.Bodies(), components.Wheels(), components.Nodes(), components.Forces(),
      components.ExtForces(), components.Outdisps(), components.Dofs());
  PrintResult(console, ok);
  if (!ok) {
    console << "Reason:\n" << setUp.styleManager.GetLogText();
    return false;
  }
  console << "Creating result manager... ";
  const int dofCount = static_cast<int>(components.Dofs().size());
  setUp.resultStore.Append(Vector(dofCount, 0.0), "Real-time simulation");
  PrintResult(console, true);
  return true;
}

// Each log is checked once everything is handed to the system, so that a full
// disk cannot leave an empty log behind unsaid.
bool Framework::WriteLogs(const std::string& directory) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::create_directories(directory, error);
  if (!fs::is_directory(directory, error)) {
    *report.warnings << "Warning - cannot make the log folder '" << directory
                     << "'; the module logs are not saved.\n";
    report.lostResults.Skipped();
    return false;
  }
  struct LogFile {
    const char* name;
    std::string text;
  };
  std::vector<LogFile> logs = {
      {"model_creation.log", setUp.vehicle.Model().GetLogText('M')},
      {"component_manager.log", setUp.vehicle.Model().GetLogText('C')},
      {"basic_matrix_manager.log", setUp.vehicle.Model().GetLogText('B')},
      {"advanced_matrix_manager.log", setUp.vehicle.Model().GetLogText('A')},
      {"simulation_module.log", setUp.vehicle.Simulation().GetLogText()},
      {"vehicle_system.log", setUp.vehicleCreationLog},
  };
  if (graphicsDisplay) logs.push_back({"style_manager.log", setUp.styleManager.GetLogText()});
  bool ok = true;
  for (const LogFile& log : logs) {
    const std::string fileName = (fs::path(directory) / log.name).string();
    OutputFile out(fileName);
    if (!out.IsOpen()) {
      report.lostResults.CannotOpen(fileName);
      ok = false;
      continue;
    }
    out << log.text;
    if (!out.Close()) {
      report.lostResults.CannotWrite(fileName, errno);
      ok = false;
    }
  }
  return ok;
}

// The graphics path never returns; the refusal of RTEF + CD is a guard that the
// mode resolution makes unreachable.
void Framework::Run(int argc, char** argv) {
  if (graphicsDisplay) RunWindow(Context(), realTimeExternalForce, windowRecord, argc, argv);
  if (realTimeExternalForce) {
    *report.console << "Problem with Framework configuration: RTEF+CD Not supported!";
    return;
  }
  if (batchRun) {
    RunBatch(Context());
  } else {
    consoleRun = RunConsole(Context());
  }
}

void Framework::RunValidator() {
  if (!settings.skipValidator) ::RunValidator(Context(), consoleRun);
}

ColumnShape Framework::ResultColumns() const {
  ColumnShape shape = ResultColumnShape(setUp.vehicle.Model().Components());
  const TLineSections& line = setUp.vehicleSystem.LineParts();
  shape.brakeCylinders = line.BrkCyl.Active();
  shape.adhesionUsed = line.AnyActive();
  shape.slideProtection = line.Wsp.Enabled();
  return shape;
}

std::vector<BatchSetRecord> Framework::BatchSetsRun() const {
  std::vector<BatchSetRecord> sets;
  const Matrix& table = setUp.inputs.batchSets;
  for (int i = setUp.batchBegin; i < setUp.batchEnd && i < table.num_rows(); ++i) {
    sets.push_back({i, table[i][0], static_cast<int>(std::trunc(table[i][1])),
                    static_cast<int>(std::trunc(table[i][2])), table[i][3]});
  }
  return sets;
}
