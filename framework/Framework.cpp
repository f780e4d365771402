#include "framework/Framework.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>

#include "framework/InputReaders.h"
#include "framework/Reporting.h"
#include "framework/Resampling.h"
#include "framework/RunSize.h"

namespace {

const char* const kBatchParameterFile = "batch_paramsets.in";

std::vector<double> ToStdVector(const Vector& v) {
  std::vector<double> values(static_cast<std::size_t>(v.dim()));
  for (int i = 0; i < v.dim(); ++i) values[static_cast<std::size_t>(i)] = v[i];
  return values;
}

std::vector<unsigned> ToIndices(const std::vector<int>& indices) {
  return std::vector<unsigned>(indices.begin(), indices.end());
}

void ToSparse(const Matrix& dense, SparseMatrix& sparse) {
  sparse.FromRowMajor(static_cast<std::uint32_t>(dense.num_rows()), RowMajor(dense));
}

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

// A warning of a reader on standard error, where it does not mix with the set-up lines.
void Warn(const std::string& warning) {
  if (!warning.empty()) std::cerr << "Warning - " << warning << ".\n";
}

}  // namespace

// The set-up sequence. Every step reports itself on one line ending in OK or
// Failed; a failed model step skips everything after it, the later steps run
// only while everything before them succeeded.
bool Framework::Initialize(const std::string& stylesFile, const std::string& externalForceFile,
                           int flags, const std::string& modelFile) {
  ResolveModes(flags);
  coupling.modelFileName = modelFile;
  if (!CreateModel(modelFile)) return false;

  std::string error;
  if (!ReadModelFileItems(modelFile, coupling.timeStep, coupling.initialState, error)) {
    std::cout << "Reading time step and initial state... Failed\nReason: " << error << "\n";
    return false;
  }
  bool ok = true;
  if (!realTimeExternalForce) ok = ReadHistory(externalForceFile);
  if (ok && batchRun) ok = ReadBatchSets();
  if (ok) {
    std::cout << "Preparing Fundamental matrices... ";
    ok = PrepareStepMatrices(coupling.timeStep);
    PrintResult(std::cout, ok);
    if (!ok) std::cout << "Reason:\n" << ErrorLines(simulationModule.GetLogText());
  }
  if (graphicsDisplay && ok) ok = CreateVisualModel(stylesFile);
  if (ok) {
    ConvertForVehicle();
    std::cout << "Creating vehicle simulator... ";
    std::ostringstream log;
    const bool created = CreateVehicle(coupling.stepMatricesTimeStep, log);
    vehicleCreationLog = log.str();
    std::string sizeError;
    ok = created && ConsoleRunSizeFits(sizeError);
    PrintResult(std::cout, ok);
    if (!created) std::cout << "Reason:\n" << vehicleCreationLog;
    if (created && !ok) std::cout << "Reason: " << sizeError << "\n";
  }
  return ok;
}

// Batch runs replay a recorded history on the console, and real-time input
// needs the window: the requests are reconciled in this order.
void Framework::ResolveModes(int flags) {
  realTimeExternalForce = (flags & kRequestRealTimeExternalForce) != 0;
  graphicsDisplay = (flags & kRequestGraphicsDisplay) != 0;
  batchRun = (flags & kRequestBatchRun) != 0;

  std::cout << (batchRun ? "Simulator was set to Batch Run (BR) mode.\n"
                         : "Simulator has defaulted to Single Run (SR) mode.\n");

  if (!realTimeExternalForce) {
    std::cout << "Simulator has defaulted to Static External Force (SEF) mode.\n";
  } else if (batchRun) {
    std::cout << "Simulator has defaulted to Static External Force (SEF) mode, required by BR "
                 "mode.\n";
    realTimeExternalForce = false;
  } else {
    std::cout << "Simulator was set to Real Time External Force (RTEF) mode.\n";
  }

  if (graphicsDisplay && batchRun) {
    std::cout << "Simulator has defaulted to Console Display (CD) mode, required by BR mode.\n";
    graphicsDisplay = false;
  } else if (graphicsDisplay) {
    std::cout << "Simulator was set to Graphics Display (GD) mode.\n";
  } else if (realTimeExternalForce) {
    std::cout << "Simulator has defaulted to Graphics Display (GD) mode, required by RTEF mode.\n";
    graphicsDisplay = true;
  } else {
    std::cout << "Simulator has defaulted to Console Display (CD) mode.\n";
  }
}

// Parsing, the first-order system and the five coupling products. The coupling
// steps all run even after one failed, so that every message reaches the log.
bool Framework::CreateModel(const std::string& modelFile) {
  std::cout << "Creating internal model representation... ";
  bool ok = modelCreation.CreateComponents(modelFile);
  if (ok) ok = modelCreation.CalculateBasicMatrices();
  if (ok) {
    const bool normal = modelCreation.GenerateNormalForceMatrix(coupling.normalForceMatrix);
    const bool loads = modelCreation.GenerateStaticAxleLoadVector(coupling.staticAxleLoads);
    const bool masses = modelCreation.GenerateReducedMassVector(coupling.reducedMasses);
    const bool indices =
        modelCreation.GenerateWheelIndices(coupling.wheelDofIndices, coupling.wheelStateIndices);
    const bool radii = modelCreation.GenerateBrakeForceRadii(coupling.brakeForceRadii);
    ok = normal && loads && masses && indices && radii;
  }
  PrintResult(std::cout, ok);
  if (!ok) PrintModelFailureReason();
  return ok;
}

void Framework::PrintModelFailureReason() const {
  switch (modelCreation.Status()) {
    case ModelStatus::FileNotExists:
      if (modelCreation.FileMissing()) {
        std::cout << "Reason: File not exists!\n";
      } else {
        std::cout << "Reason: " << modelCreation.FileProblem() << "\n";
      }
      break;
    case ModelStatus::ErrorInFile:
      std::cout << "Reason: Parsing failed: \n" << modelCreation.GetLogText('C');
      break;
    case ModelStatus::BasicMatricesFailed:
      std::cout << "Reason: Basic Matrix Calculation failed: \n" << modelCreation.GetLogText('B');
      break;
    case ModelStatus::AdvancedMatricesFailed:
      std::cout << "Reason: Advanced Matrix Calculation failed: \n"
                << modelCreation.GetLogText('A');
      break;
    case ModelStatus::AdvancedMatricesOK:
      std::cout << "Reason:\n" << modelCreation.GetLogText('M');
      break;
    default:
      break;
  }
}

// The history must hold a brake input per axle and the traction in every row.
bool Framework::ReadHistory(const std::string& externalForceFile) {
  std::cout << "Reading external force history... ";
  std::string error;
  std::string warning;
  bool ok =
      ReadExternalForceHistory(externalForceFile, coupling.externalForceHistory, error, &warning);
  const int needed = static_cast<int>(coupling.wheelDofIndices.size()) + 1;
  if (ok && coupling.externalForceHistory.num_cols() < needed) {
    ok = false;
    error = "EFD in '" + externalForceFile + "': the history has " +
            std::to_string(coupling.externalForceHistory.num_cols()) + " columns, but " +
            std::to_string(needed - 1) + " axles need " + std::to_string(needed) +
            " (a brake input per axle, then the traction)";
  }
  PrintResult(std::cout, ok);
  if (!ok) std::cout << "Reason: " << error << "\n";
  if (ok) Warn(warning);
  return ok;
}

bool Framework::ReadBatchSets() {
  std::cout << "Reading batch run parameters... ";
  std::string error;
  std::string warning;
  const bool ok =
      ReadBatchParameterSets(kBatchParameterFile, coupling.batchParameterSets, error, &warning) &&
      CheckStepCounts(coupling.batchParameterSets, coupling.externalForceHistory.num_rows(),
                      error) &&
      SetsInRange(setRange, coupling.batchParameterSets.num_rows(), batchBegin, batchEnd, error) &&
      BatchRunSizeFits(error);
  PrintResult(std::cout, ok);
  if (!ok) std::cout << "Reason: " << error << "\n";
  if (ok) Warn(warning);
  return ok;
}

// One step per history row, then the validator over the same rows.
bool Framework::ConsoleRunSizeFits(std::string& error) const {
  if (batchRun || graphicsDisplay) return true;
  const int rows = coupling.externalForceHistory.num_rows();
  const TAxleIntegrator& axleRot = vehicleSystem.Dynamics().AxleRot;
  RunSize size = VehicleRunSize(rows, axleRot.Iter(), axleRot.Subdiv(), vehicleSystem.AxleCount());
  size.outputBytes += ValidatorOutputBytes(rows);
  std::string warning;
  const bool fits = CheckRunSize(size, error, warning);
  Warn(warning);
  return fits;
}

// Every set of the range replays the whole history at its own time step, then
// the validator replays it once.
bool Framework::BatchRunSizeFits(std::string& error) const {
  const Matrix& sets = coupling.batchParameterSets;
  const int rows = coupling.externalForceHistory.num_rows();
  const int axles = static_cast<int>(coupling.wheelDofIndices.size());
  RunSize total;
  total.outputBytes = ValidatorOutputBytes(rows);
  for (int i = batchBegin; i < batchEnd; ++i) {
    const RunSize set = VehicleRunSize(ResampledStepCount(rows, sets[i][0]),
                                       static_cast<int>(std::trunc(sets[i][1])),
                                       static_cast<int>(std::trunc(sets[i][2])), axles);
    total.work += set.work;
    total.outputBytes += set.outputBytes;
  }
  std::string warning;
  const bool fits = CheckRunSize(total, error, warning);
  if (!fits) error = "BATCH in '" + std::string(kBatchParameterFile) + "': " + error;
  Warn(warning);
  return fits;
}

// C, P and P1 for `timeStep`; the copies are taken whatever the outcome.
bool Framework::PrepareStepMatrices(double timeStep) {
  const bool ok = simulationModule.PrepareFundamentalMatrices(
      modelCreation.GetMatrix('A'), modelCreation.GetMatrix('F'), timeStep);
  coupling.fundamentalMatrix = simulationModule.GetMatrix('C');
  coupling.forceStepMatrix = simulationModule.GetMatrix('P');
  coupling.rampStepMatrix = simulationModule.GetMatrix('Z');
  coupling.stepMatricesTimeStep = ok ? timeStep : std::numeric_limits<double>::quiet_NaN();
  return ok;
}

bool Framework::CreateVisualModel(const std::string& stylesFile) {
  std::cout << "Creating visual model representation... ";
  const ComponentManager& components = modelCreation.Components();
  const bool ok = styleManager.Create(
      stylesFile, components.Bodies(), components.Wheels(), components.Nodes(), components.Forces(),
      components.ExtForces(), components.Outdisps(), components.Dofs());
  PrintResult(std::cout, ok);
  if (!ok) {
    std::cout << "Reason:\n" << styleManager.GetLogText();
    return false;
  }
  std::cout << "Creating result manager... ";
  const int dofCount = static_cast<int>(components.Dofs().size());
  resultStore.Append(Vector(dofCount, 0.0), "Real-time simulation");
  PrintResult(std::cout, true);
  return true;
}

void Framework::ConvertForVehicle() {
  VehicleSideData& side = coupling.vehicleSide;
  ToSparse(coupling.fundamentalMatrix, side.fundamental);
  ToSparse(coupling.forceStepMatrix, side.forceStep);
  ToSparse(coupling.rampStepMatrix, side.rampStep);
  ToSparse(coupling.normalForceMatrix, side.normalForce);
  side.initialState = ToStdVector(coupling.initialState);
  side.staticAxleLoads = ToStdVector(coupling.staticAxleLoads);
  side.reducedMasses = ToStdVector(coupling.reducedMasses);
  side.brakeForceRadii = ToStdVector(coupling.brakeForceRadii);
  side.wheelDofIndices = ToIndices(coupling.wheelDofIndices);
  side.wheelStateIndices = ToIndices(coupling.wheelStateIndices);
}

bool Framework::CreateVehicle(double timeStep, std::ostream& log) {
  return CreateVehicleFrom(coupling.vehicleSide, timeStep, vehicleSystem, log);
}

bool Framework::CreateVehicleFrom(const VehicleSideData& side, double timeStep, Kelvra& vehicle,
                                  std::ostream& log) const {
  // The vehicle system steps wheels; a model without any has nothing for it to do.
  if (side.wheelDofIndices.empty()) {
    log << "\nError - the model file has no WHEEL: the vehicle system needs at least one.\n";
    return false;
  }
  const bool created = vehicle.Create(
      coupling.modelFileName, side.fundamental, side.forceStep, side.rampStep, side.initialState,
      side.normalForce, side.staticAxleLoads, side.wheelDofIndices, side.wheelStateIndices,
      side.reducedMasses, side.brakeForceRadii, log, timeStep);
  vehicle.SetStateNames(StateNames());
  return created;
}

// The first-order state: every DOF's velocity, then every DOF's displacement.
std::vector<std::string> Framework::StateNames() const {
  const ComponentManager& components = modelCreation.Components();
  std::vector<std::string> names;
  for (const char* suffix : {"_VELO", "_DISP"}) {
    for (const DofEntry& dof : components.Dofs()) {
      names.push_back(DofName(components.Bodies(), dof) + suffix);
    }
  }
  return names;
}

bool Framework::WriteLogs(const std::string& directory) const {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::create_directories(directory, error);
  struct LogFile {
    const char* name;
    std::string text;
  };
  std::vector<LogFile> logs = {
      {"model_creation.log", modelCreation.GetLogText('M')},
      {"component_manager.log", modelCreation.GetLogText('C')},
      {"basic_matrix_manager.log", modelCreation.GetLogText('B')},
      {"advanced_matrix_manager.log", modelCreation.GetLogText('A')},
      {"simulation_module.log", simulationModule.GetLogText()},
      {"vehicle_system.log", vehicleCreationLog},
  };
  if (graphicsDisplay) logs.push_back({"style_manager.log", styleManager.GetLogText()});
  bool ok = true;
  for (const LogFile& log : logs) {
    const std::string fileName = (fs::path(directory) / log.name).string();
    std::ofstream out(fileName, std::ios::binary);
    out << log.text;
    if (!out) {
      WarnUnwritable(fileName);
      ok = false;
    }
  }
  return ok;
}
