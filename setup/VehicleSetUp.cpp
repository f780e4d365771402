#include "setup/VehicleSetUp.h"

#include <cstdint>

#include "setup/InputReaders.h"
#include "setup/LineData.h"

namespace {

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

// The first-order state: every DOF's velocity, then every DOF's displacement.
std::vector<std::string> StateNames(const ModelCreation& model) {
  const ComponentManager& components = model.Components();
  std::vector<std::string> names;
  for (const char* suffix : {"_VELO", "_DISP"}) {
    for (const DofEntry& dof : components.Dofs()) {
      names.push_back(DofName(components.Bodies(), dof) + suffix);
    }
  }
  return names;
}

}  // namespace

bool CreateLinearModel(const std::string& modelFile, ModelCreation& model, CouplingData& coupling) {
  coupling.modelFileName = modelFile;
  bool ok = model.CreateComponents(modelFile);
  if (ok) ok = model.CalculateBasicMatrices();
  if (!ok) return false;
  coupling.stateNames = StateNames(model);
  FindLinePlaces(model, coupling.vehicleSide.line);
  coupling.gravityWanted = GradientWanted(modelFile);
  const bool normal = model.GenerateNormalForceMatrix(coupling.normalForceMatrix);
  const bool loads = model.GenerateStaticAxleLoadVector(coupling.staticAxleLoads);
  const bool masses = model.GenerateReducedMassVector(coupling.reducedMasses);
  const bool indices =
      model.GenerateWheelIndices(coupling.wheelDofIndices, coupling.wheelStateIndices);
  const bool radii = model.GenerateBrakeForceRadii(coupling.brakeForceRadii);
  return normal && loads && masses && indices && radii;
}

std::string ModelFailureReason(const ModelCreation& model) {
  switch (model.Status()) {
    case ModelStatus::FileNotExists:
      return model.FileMissing() ? " File not exists!\n" : " " + model.FileProblem() + "\n";
    case ModelStatus::ErrorInFile:
      return " Parsing failed: \n" + model.GetLogText('C');
    case ModelStatus::BasicMatricesFailed:
      return " Basic Matrix Calculation failed: \n" + model.GetLogText('B');
    case ModelStatus::AdvancedMatricesFailed:
      return " Advanced Matrix Calculation failed: \n" + model.GetLogText('A');
    case ModelStatus::AdvancedMatricesOK:
      return "\n" + model.GetLogText('M');
    default:
      return "";
  }
}

bool PrepareStepMatrices(const ModelCreation& model, double timeStep, SimulationModule& simulation,
                         CouplingData& coupling) {
  const bool ok =
      simulation.PrepareFundamentalMatrices(model.GetMatrix('A'), model.GetMatrix('F'), timeStep);
  coupling.fundamentalMatrix = simulation.GetMatrix('C');
  coupling.forceStepMatrix = simulation.GetMatrix('P');
  coupling.rampStepMatrix = simulation.GetMatrix('Z');
  coupling.stepMatricesTimeStep = ok ? timeStep : std::numeric_limits<double>::quiet_NaN();
  // Only a vehicle on a gradient needs gravity's step response, which costs
  // another matrix exponential of the size of the step matrices' own.
  LineCoupling& line = coupling.vehicleSide.line;
  coupling.gravityStepMatrix = coupling.gravityRampStepMatrix = Matrix();
  line.gravityProblem = "no gravity step response was worked out";
  if (ok && coupling.gravityWanted) {
    GravitySteps(model.GetMatrix('A'), coupling.fundamentalMatrix, line, timeStep,
                 coupling.gravityStepMatrix, coupling.gravityRampStepMatrix, line.gravityProblem);
  }
  return ok;
}

void ConvertForVehicle(CouplingData& coupling) {
  VehicleSideData& side = coupling.vehicleSide;
  ToSparse(coupling.fundamentalMatrix, side.fundamental);
  ToSparse(coupling.forceStepMatrix, side.forceStep);
  ToSparse(coupling.rampStepMatrix, side.rampStep);
  ToSparse(coupling.normalForceMatrix, side.normalForce);
  ToSparse(coupling.gravityStepMatrix, side.line.gravityStep);
  ToSparse(coupling.gravityRampStepMatrix, side.line.gravityRampStep);
  side.initialState = ToStdVector(coupling.initialState);
  side.staticAxleLoads = ToStdVector(coupling.staticAxleLoads);
  side.reducedMasses = ToStdVector(coupling.reducedMasses);
  side.brakeForceRadii = ToStdVector(coupling.brakeForceRadii);
  side.wheelDofIndices = ToIndices(coupling.wheelDofIndices);
  side.wheelStateIndices = ToIndices(coupling.wheelStateIndices);
}

bool CreateVehicle(const CouplingData& coupling, Kelvra& vehicle, std::ostream& log) {
  const VehicleSideData& side = coupling.vehicleSide;
  // The vehicle system steps wheels; a model without any has nothing for it to do.
  if (side.wheelDofIndices.empty()) {
    log << "\nError - the model file has no WHEEL: the vehicle system needs at least one.\n";
    return false;
  }
  const bool created = vehicle.Create(
      coupling.modelFileName, side.fundamental, side.forceStep, side.rampStep, side.initialState,
      side.normalForce, side.staticAxleLoads, side.wheelDofIndices, side.wheelStateIndices,
      side.reducedMasses, side.brakeForceRadii, log, coupling.stepMatricesTimeStep, &side.line);
  vehicle.SetStateNames(coupling.stateNames);
  return created;
}

TimeStepChange ChangeTimeStep(const ModelCreation& model, double timeStep,
                              SimulationModule& simulation, CouplingData& coupling, Kelvra& vehicle,
                              std::ostream& log) {
  TimeStepChange change;
  change.prepared = PrepareStepMatrices(model, timeStep, simulation, coupling);
  if (!change.prepared) return change;
  ConvertForVehicle(coupling);
  change.created = CreateVehicle(coupling, vehicle, log);
  if (!change.created) coupling.stepMatricesTimeStep = std::numeric_limits<double>::quiet_NaN();
  return change;
}

bool VehicleSetUp::Build(const std::string& modelFile, double timeStep) {
  failure.clear();
  if (!CreateLinearModel(modelFile, model, coupling)) {
    return Fail("model creation failed:" + ModelFailureReason(model));
  }
  std::string error;
  double fileTimeStep = 0.0;
  if (!ReadModelFileItems(modelFile, fileTimeStep, coupling.initialState, error)) {
    return Fail(error);
  }
  coupling.timeStep = fileTimeStep;
  if (!PrepareStepMatrices(model, timeStep, simulation, coupling)) {
    return Fail("preparation failed:\n" + simulation.GetLogText());
  }
  ConvertForVehicle(coupling);
  return true;
}

bool VehicleSetUp::CreateVehicle(Kelvra& vehicle, std::ostream& log) const {
  return ::CreateVehicle(coupling, vehicle, log);
}

bool VehicleSetUp::CreateVehicle(Kelvra& vehicle, int iter, int subdiv, std::ostream& log) const {
  if (!CreateVehicle(vehicle, log)) return false;
  const double lim = vehicle.Dynamics().AxleRot.Lim();
  return vehicle.ChangeAxleIntegratorPar(subdiv, iter, lim, TimeStep(), log) && vehicle.Init(log);
}

bool VehicleSetUp::ChangeTimeStep(double timeStep, Kelvra& vehicle, std::ostream& log) {
  const TimeStepChange change =
      ::ChangeTimeStep(model, timeStep, simulation, coupling, vehicle, log);
  return change.prepared && change.created;
}

bool VehicleSetUp::Fail(const std::string& reason) {
  failure = reason;
  return false;
}
