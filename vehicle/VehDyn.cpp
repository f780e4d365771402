#include "vehicle/VehDyn.h"

bool TVehDyn::SetPar(const VehicleModel& model, std::ostream& log) {
  const TimeStepMatrices& step = model.Step();
  if (!MtrxVeh.SetPar(step.fundamental, step.forceStep, model.Definition().initialState, log,
                      step.timeStep, step.rampStep)) {
    log << "\nMtrxVeh.SetPar() is not successfull.\n";
    return false;
  }
  const CouplingData& coupling = model.Coupling();
  if (!VehOut.SetPar(coupling.normalForce, coupling.staticAxleLoads, coupling.wheelDofIndices,
                     coupling.wheelStateIndices, log)) {
    log << "\nVehOut.SetPar() is not successfull.\n";
    return false;
  }
  return true;
}

void TVehDyn::Init() {
  MtrxVeh.Init();
  VehOut.Init();
  AxleRot.Init();
}
