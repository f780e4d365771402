#include "vehicle/VehDyn.h"

bool TVehDyn::ReadPar(std::istream& in, std::ostream& log, const LinearModelData& model) {
  if (!MtrxVeh.SetPar(model.c, model.p, model.initialState, log, model.timeStep, model.p1)) {
    log << "\nMtrxVeh.SetPar() is not successfull.\n";
    return false;
  }
  if (!VehOut.SetPar(model.n, model.staticAxleLoads, model.wheelDofIndices, model.wheelStateIndices,
                     log)) {
    log << "\nVehOut.SetPar() is not successfull.\n";
    return false;
  }
  if (!AxleRot.ReadPar(in, log, model.timeStep, model.reducedMasses, model.brakeForceRadii)) {
    log << "\nAxleRot.ReadPar() is not successfull.\n";
    return false;
  }
  if (!BrkSys.ReadPar(in, log)) {
    log << "\nBrkSys.ReadPar() is not successfull.\n";
    return false;
  }
  if (!Res.ReadPar(in, log)) {
    log << "\nRes.ReadPar() is not successfull.\n";
    return false;
  }
  return CheckCompatibility(log);
}

bool TVehDyn::CheckCompatibility(std::ostream& log) const {
  if (VehOut.StateDim() != 0 && VehOut.StateDim() != MtrxVeh.StateDim()) {
    log << "\nCompatibility error in TVehDyn::ReadPar()."
        << "\nVehOut.StateDim()=" << VehOut.StateDim()
        << " MtrxVeh.StateDim()=" << MtrxVeh.StateDim() << "\n";
    return false;
  }
  if (VehOut.AxleNum() != AxleRot.AxleNum()) {
    log << "\nCompatibility error in TVehDyn::ReadPar()."
        << "\nVehOut.AxleNum()=" << VehOut.AxleNum() << " AxleRot.AxleNum()=" << AxleRot.AxleNum()
        << "\n";
    return false;
  }
  // The input vector holds the adhesion and the brake force of every axle and the
  // net traction force: P needs a column for each.
  const std::size_t inputsNeeded = 2 * AxleRot.AxleNum() + 1;
  if (MtrxVeh.InputDim() < inputsNeeded) {
    log << "\nCompatibility error in TVehDyn::ReadPar()."
        << "\nMtrxVeh.InputDim()=" << MtrxVeh.InputDim()
        << " is below 2*AxleRot.AxleNum()+1=" << inputsNeeded << "\n";
    return false;
  }
  return true;
}

void TVehDyn::Init() {
  MtrxVeh.Init();
  VehOut.Init();
  AxleRot.Init();
}
