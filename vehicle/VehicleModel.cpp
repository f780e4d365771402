#include "vehicle/VehicleModel.h"

#include <iterator>
#include <sstream>
#include <string>
#include <utility>

namespace {

// Every part steps with the linear model: the normal force matrix must read the
// state the step matrices advance, every axle needs its wheel, and P a column
// for each input (the adhesion and the brake force of every axle, the traction).
bool CheckCompatibility(const VehicleDefinition& definition, const TimeStepMatrices& step,
                        const TAxleIntegrator& axleRot, std::ostream& log) {
  const CouplingData& coupling = definition.coupling;
  const std::size_t outputStates = coupling.normalForce.Cols();
  const std::size_t states = definition.initialState.size();
  if (outputStates != 0 && outputStates != states) {
    log << "\nCompatibility error in TVehDyn::ReadPar()."
        << "\nVehOut.StateDim()=" << outputStates << " MtrxVeh.StateDim()=" << states << "\n";
    return false;
  }
  const std::size_t outputAxles = coupling.staticAxleLoads.size();
  if (outputAxles != axleRot.AxleNum()) {
    log << "\nCompatibility error in TVehDyn::ReadPar()."
        << "\nVehOut.AxleNum()=" << outputAxles << " AxleRot.AxleNum()=" << axleRot.AxleNum()
        << "\n";
    return false;
  }
  const std::size_t inputs = step.forceStep.Cols();
  const std::size_t inputsNeeded = 2 * axleRot.AxleNum() + 1;
  if (inputs < inputsNeeded) {
    log << "\nCompatibility error in TVehDyn::ReadPar()."
        << "\nMtrxVeh.InputDim()=" << inputs << " is below 2*AxleRot.AxleNum()+1=" << inputsNeeded
        << "\n";
    return false;
  }
  return true;
}

// The integrator, brake and resistance sections, and whether the parts fit.
bool ReadDynamics(std::istream& in, const TimeStepMatrices& step,
                  const VehicleDefinition& definition, VehicleParameters& parameters,
                  std::ostream& log) {
  const CouplingData& coupling = definition.coupling;
  if (!parameters.AxleRot.ReadPar(in, log, step.timeStep, coupling.reducedMasses,
                                  coupling.brakeForceRadii)) {
    log << "\nAxleRot.ReadPar() is not successfull.\n";
    return false;
  }
  if (!parameters.BrkSys.ReadPar(in, log)) {
    log << "\nBrkSys.ReadPar() is not successfull.\n";
    return false;
  }
  if (!parameters.Res.ReadPar(in, log)) {
    log << "\nRes.ReadPar() is not successfull.\n";
    return false;
  }
  return CheckCompatibility(definition, step, parameters.AxleRot, log);
}

// The sections in their order; each search goes on from where the one before stopped.
bool ReadSections(std::istream& in, const TimeStepMatrices& step,
                  const VehicleDefinition& definition, VehicleParameters& parameters,
                  std::ostream& log) {
  if (!ReadDynamics(in, step, definition, parameters, log)) {
    log << "\nVehDyn.ReadPar() error in Kelvra\n";
    return false;
  }
  const std::size_t axleCount = definition.coupling.wheelDofIndices.size();
  if (!parameters.Contact.ReadPar(axleCount, in, log)) {
    log << "\nContact.ReadPar() error in Kelvra\n";
    return false;
  }
  if (!parameters.Temperature.ReadPar(axleCount, in, log)) {
    log << "\nTemperature.ReadPar() error in Kelvra\n";
    return false;
  }
  return true;
}

}  // namespace

void ReadVehicleParameters(std::istream& sections, const TimeStepMatrices& step,
                           VehicleDefinition& definition) {
  VehicleParameters parameters;
  std::ostringstream log;
  // The whole text, for the optional sections that follow WHLTMP.
  const std::string text{std::istreambuf_iterator<char>(sections),
                         std::istreambuf_iterator<char>()};
  std::istringstream in(text);
  parameters.read = ReadSections(in, step, definition, parameters, log);
  if (parameters.read && !parameters.Line.ReadPar(text, log)) {
    log << "\nLine.ReadPar() error in Kelvra\n";
    parameters.read = false;
  }
  parameters.log = log.str();
  definition.parameters = std::move(parameters);
}

VehicleModel::VehicleModel()
    : definition(std::make_shared<const VehicleDefinition>()),
      step(std::make_shared<const TimeStepMatrices>()) {}

VehicleModel::VehicleModel(std::shared_ptr<const VehicleDefinition> vehicleDefinition,
                           std::shared_ptr<const TimeStepMatrices> stepMatrices)
    : definition(vehicleDefinition ? std::move(vehicleDefinition)
                                   : std::make_shared<const VehicleDefinition>()),
      step(stepMatrices ? std::move(stepMatrices) : std::make_shared<const TimeStepMatrices>()) {}
