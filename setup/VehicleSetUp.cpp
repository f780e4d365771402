#include "setup/VehicleSetUp.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <utility>

#include "model/TextInput.h"
#include "model/TextPrepass.h"
#include "setup/InputReaders.h"
#include "setup/LineData.h"

namespace {

SparseMatrix Sparse(const Matrix& dense) {
  SparseMatrix sparse;
  sparse.FromRowMajor(static_cast<std::uint32_t>(dense.num_rows()), RowMajor(dense));
  return sparse;
}

std::vector<double> Plain(const Vector& v) {
  return std::vector<double>(v.begin(), v.end());
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

bool CreateLinearModel(const std::string& modelFile, ModelCreation& model,
                       VehicleDefinition& definition) {
  definition.modelFileName = modelFile;
  bool ok = model.CreateComponents(modelFile);
  if (ok) ok = model.CalculateBasicMatrices();
  if (!ok) return false;
  definition.stateNames = StateNames(model);
  FindLinePlaces(model, definition.coupling.line);
  Matrix normalForce;
  Vector loads;
  Vector masses;
  Vector radii;
  std::vector<int> dofIndices;
  std::vector<int> stateIndices;
  const bool normal = model.GenerateNormalForceMatrix(normalForce);
  const bool loadsMade = model.GenerateStaticAxleLoadVector(loads);
  const bool massesMade = model.GenerateReducedMassVector(masses);
  const bool indices = model.GenerateWheelIndices(dofIndices, stateIndices);
  const bool radiiMade = model.GenerateBrakeForceRadii(radii);
  CouplingData& coupling = definition.coupling;
  coupling.normalForce = Sparse(normalForce);
  coupling.staticAxleLoads = Plain(loads);
  coupling.reducedMasses = Plain(masses);
  coupling.brakeForceRadii = Plain(radii);
  coupling.wheelDofIndices.assign(dofIndices.begin(), dofIndices.end());
  coupling.wheelStateIndices.assign(stateIndices.begin(), stateIndices.end());
  return normal && loadsMade && massesMade && indices && radiiMade;
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
                         TimeStepMatrices& step) {
  const bool ok =
      simulation.PrepareFundamentalMatrices(model.GetMatrix('A'), model.GetMatrix('F'), timeStep);
  step.fundamental = Sparse(simulation.GetMatrix('C'));
  step.forceStep = Sparse(simulation.GetMatrix('P'));
  step.rampStep = Sparse(simulation.GetMatrix('Z'));
  step.timeStep = ok ? timeStep : std::numeric_limits<double>::quiet_NaN();
  return ok;
}

void PrepareGravitySteps(const ModelCreation& model, const SimulationModule& simulation,
                         const VehicleDefinition& definition, TimeStepMatrices& step) {
  step.gravity = GravityStep{};
  if (std::isnan(step.timeStep) || !definition.parameters.Line.Gradient.Active()) return;
  Matrix held;
  Matrix ramp;
  GravitySteps(model.GetMatrix('A'), simulation.GetMatrix('C'), definition.coupling.line,
               step.timeStep, held, ramp, step.gravity.problem);
  step.gravity.held = Sparse(held);
  step.gravity.ramp = Sparse(ramp);
}

void ReadParameterSections(const TimeStepMatrices& step, VehicleDefinition& definition) {
  std::stringstream sections;
  {
    std::ifstream file;
    const TextInputState state = OpenTextInput(definition.modelFileName, kModelFileLimit, file);
    if (state == TextInputState::Opened) StripCommentsKeepBlank(file, sections);
  }
  ReadVehicleParameters(sections, step, definition);
}

bool CreateVehicle(const VehicleModel& model, Kelvra& vehicle, std::ostream& log) {
  // The vehicle system steps wheels; a model without any has nothing for it to do.
  if (model.AxleCount() == 0) {
    log << "\nError - the model file has no WHEEL: the vehicle system needs at least one.\n";
    return false;
  }
  return vehicle.Create(model, log);
}

TimeStepChange ChangeTimeStep(const ModelCreation& model, const VehicleModel& base, double timeStep,
                              SimulationModule& simulation, Kelvra& vehicle, std::ostream& log) {
  TimeStepChange change;
  auto step = std::make_shared<TimeStepMatrices>();
  change.prepared = PrepareStepMatrices(model, timeStep, simulation, *step);
  if (!change.prepared) return change;
  PrepareGravitySteps(model, simulation, base.Definition(), *step);
  change.created = CreateVehicle(base.WithStep(std::move(step)), vehicle, log);
  return change;
}

bool VehicleSetUp::Build(const std::string& modelFile, double timeStep) {
  failure.clear();
  if (!CreateLinearModel(modelFile)) {
    return Fail("model creation failed:" + ModelFailureReason(model));
  }
  std::string error;
  double fileTimeStep = 0.0;
  if (!ReadModelFileItems(fileTimeStep, error)) return Fail(error);
  if (!PrepareStepMatrices(timeStep)) {
    return Fail("preparation failed:\n" + simulation.GetLogText());
  }
  Complete();
  return true;
}

bool VehicleSetUp::CreateLinearModel(const std::string& modelFile) {
  return ::CreateLinearModel(modelFile, model, definition);
}

bool VehicleSetUp::ReadModelFileItems(double& fileTimeStep, std::string& error) {
  Vector initialState;
  if (!::ReadModelFileItems(definition.modelFileName, fileTimeStep, initialState, error)) {
    return false;
  }
  definition.initialState = Plain(initialState);
  return true;
}

bool VehicleSetUp::PrepareStepMatrices(double timeStep) {
  return ::PrepareStepMatrices(model, timeStep, simulation, step);
}

void VehicleSetUp::Complete() {
  ReadParameterSections(step, definition);
  PrepareGravitySteps(model, simulation, definition, step);
  vehicle = VehicleModel(std::make_shared<const VehicleDefinition>(std::move(definition)),
                         std::make_shared<const TimeStepMatrices>(std::move(step)));
  definition = VehicleDefinition();
  step = TimeStepMatrices();
}

bool VehicleSetUp::CreateVehicle(Kelvra& kelvra, std::ostream& log) const {
  return ::CreateVehicle(vehicle, kelvra, log);
}

bool VehicleSetUp::CreateVehicle(Kelvra& kelvra, int iter, int subdiv, std::ostream& log) const {
  if (!CreateVehicle(kelvra, log)) return false;
  const double lim = kelvra.Dynamics().AxleRot.Lim();
  return kelvra.ChangeAxleIntegratorPar(subdiv, iter, lim, TimeStep(), log) && kelvra.Init(log);
}

bool VehicleSetUp::ChangeTimeStep(double timeStep, Kelvra& kelvra, std::ostream& log) {
  const TimeStepChange change = ::ChangeTimeStep(model, vehicle, timeStep, simulation, kelvra, log);
  if (change.created) vehicle = kelvra.Model();
  return change.prepared && change.created;
}

bool VehicleSetUp::Fail(const std::string& reason) {
  failure = reason;
  return false;
}
