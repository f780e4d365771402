#include "vehicle/Kelvra.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>

#include "model/OutputFile.h"
#include "vehicle/PerformanceCounter.h"

namespace {

void CopyInto(std::vector<double>& target, const std::vector<double>& source) {
  target.assign(source.begin(), source.end());
}

// Whether every value is finite, without a branch per value.
bool AllFinite(const std::vector<double>& values) {
  bool finite = true;
  for (const double value : values) finite &= std::isfinite(value);
  return finite;
}

}  // namespace

void AssembleInput(double tractionForce, const TResistance& res,
                   const std::vector<double>& adhesionForce,
                   const std::vector<double>& brakeForceRadius,
                   const std::vector<double>& brakeForce, std::size_t inputCount,
                   std::vector<double>& input) {
  if (input.size() != inputCount) input.assign(inputCount, 0.0);
  const std::vector<double>& resistanceA = res.AxleResistanceA();
  const std::vector<double>& resistanceB = res.AxleResistanceB();
  const std::size_t a = std::min({resistanceA.size(), resistanceB.size(), adhesionForce.size()});
  const std::size_t b = std::min(brakeForce.size(), brakeForceRadius.size());
  if (a + b >= inputCount) return;  // refused at creation: P has a column for every input

  for (std::size_t i = 0; i < a; ++i) {
    input[i] = resistanceA[i] + adhesionForce[i] + resistanceB[i];
  }
  for (std::size_t i = 0; i < b; ++i) {
    const double side = brakeForceRadius[i] < 0.0 ? -1.0 : 1.0;
    input[a + i] = -brakeForce[i] * side;
  }
  input[a + b] = tractionForce - res.TotalResistance();
  std::fill(input.begin() + static_cast<std::ptrdiff_t>(a + b + 1), input.end(), 0.0);
}

bool Kelvra::Create(const VehicleModel& vehicleModel, std::ostream& log) {
  model = vehicleModel;
  VehDyn = TVehDyn{};
  Contact = TContact{};
  Temperature = TTemperature{};
  Line = TLineSections{};
  created = TakeOver(log);
  const bool initialised = Init(log);
  return created && initialised;
}

bool Kelvra::TakeOver(std::ostream& log) {
  if (!VehDyn.SetPar(model, log)) {
    log << "\nVehDyn.ReadPar() error in Kelvra\n";
    return false;
  }
  const VehicleParameters& parameters = model.Definition().parameters;
  log << parameters.log;
  if (parameters.read) {
    VehDyn.AxleRot = parameters.AxleRot;
    VehDyn.BrkSys = parameters.BrkSys;
    VehDyn.Res = parameters.Res;
    Contact = parameters.Contact;
    Temperature = parameters.Temperature;
  }
  // The result text's header says the step the vehicle was made for, read or not.
  VehDyn.AxleRot.SetTimeStep(model.TimeStep());
  if (!parameters.read) return false;
  if (!TakeOverLineSections(parameters.Line, log)) {
    log << "\nLine.ReadPar() error in Kelvra\n";
    return false;
  }
  return true;
}

bool Kelvra::Init(std::ostream&) {
  stateBroken = false;
  stepsSinceInit = 0;
  VehDyn.Init();
  StartAtSpeed();
  // The first step starts from the outputs of the initial state, as every later
  // step starts from those of the state before it: its adhesion capacity is
  // that of the static (or Y0's) normal force, not of none.
  TMtrxVehOut& vehOut = VehDyn.VehOut;
  if (vehOut.Compute(VehDyn.MtrxVeh.State())) vehOut.Finalize();
  CopyInto(initialOutputs.normalForce, vehOut.NormalForceCommitted());
  CopyInto(initialOutputs.vehicleSpeed, vehOut.VehicleSpeedCommitted());
  CopyInto(initialOutputs.position, vehOut.PositionCommitted());
  Contact.Init();
  Temperature.Init();

  const std::size_t axles = VehDyn.AxleRot.AxleNum();
  lifts.assign(axles, WheelLift{});
  for (std::vector<double>* perAxle : {&res0, &brake0, &cap0, &endNormalForce, &meanBrakeForce,
                                       &meanNormalForce, &meanCylinderForce, &demandForce}) {
    perAxle->assign(axles, 0.0);
  }
  Line.Init(axles, model.Definition().initialState);
  u0.assign(VehDyn.MtrxVeh.InputDim(), 0.0);
  u1.assign(VehDyn.MtrxVeh.InputDim(), 0.0);

  const TAxleIntegrator& axleRot = VehDyn.AxleRot;
  resultText.str("");
  resultText.clear();
  resultText << "DT = " << axleRot.TimeStep() << "\n"
             << "ITER = " << axleRot.Iter() << "\n"
             << "SUBD = " << axleRot.Subdiv() << "\n"
             << "SGNT = " << axleRot.Lim() << "\n";
  return true;
}

VehicleState Kelvra::Snapshot() const {
  const TMtrxVehOut& vehOut = VehDyn.VehOut;
  const TAxleIntegrator& axleRot = VehDyn.AxleRot;
  VehicleState state;
  state.linearState = VehDyn.MtrxVeh.State();
  state.vehicleSpeed = vehOut.VehicleSpeedCommitted();
  state.normalForce = vehOut.NormalForceCommitted();
  state.position = vehOut.PositionCommitted();
  state.wheelSpeed = axleRot.WheelSpeedCommitted();
  state.wheelTravel = axleRot.WheelTravelCommitted();
  state.adhesionForce = axleRot.AdhesionForceCommitted();
  state.meanAdhesionForce = axleRot.MeanAdhesionForceCommitted();
  state.meanBrakeForce = meanBrakeForce;
  state.meanNormalForce = meanNormalForce;
  state.cylinderForce = Line.BrkCyl.AppliedCommitted();
  state.meanCylinderForce = meanCylinderForce;
  state.adhesionSwitch = Contact.AdhesionGenerator().SwitchCursor();
  state.stepsSinceInit = stepsSinceInit;
  state.broken = stateBroken;
  return state;
}

bool Kelvra::Restore(const VehicleState& state) {
  const std::size_t axles = VehDyn.AxleRot.AxleNum();
  bool fits = state.linearState.size() == VehDyn.MtrxVeh.StateDim();
  for (const std::vector<double>* perAxle :
       {&state.vehicleSpeed, &state.normalForce, &state.position, &state.wheelSpeed,
        &state.wheelTravel, &state.adhesionForce, &state.meanAdhesionForce, &state.meanBrakeForce,
        &state.meanNormalForce, &state.cylinderForce, &state.meanCylinderForce}) {
    fits = fits && perAxle->size() == axles;
  }
  const std::size_t switches = Contact.AdhesionGenerator().SwitchPositions().size();
  fits = fits && (state.adhesionSwitch < switches || state.adhesionSwitch == 0);
  if (!fits) return false;
  VehDyn.MtrxVeh.Restore(state.linearState);
  VehDyn.VehOut.Restore(state.vehicleSpeed, state.normalForce, state.position);
  VehDyn.AxleRot.Restore(state.wheelSpeed, state.wheelTravel, state.adhesionForce,
                         state.meanAdhesionForce);
  meanBrakeForce = state.meanBrakeForce;
  meanNormalForce = state.meanNormalForce;
  Line.BrkCyl.Restore(state.cylinderForce);
  meanCylinderForce = state.meanCylinderForce;
  Contact.RestoreSwitchCursor(state.adhesionSwitch);
  stepsSinceInit = state.stepsSinceInit;
  stateBroken = state.broken;
  return true;
}

bool Kelvra::EvaluateForces(const std::vector<double>& brakeDemand, double tractionForce,
                            const AxleState& state, bool atEnd, std::vector<double>& input) {
  TResistance& res = VehDyn.Res;
  bool ok = true;
  if (!res.Compute(state.vehicleSpeed, state.normalForce, state.wheelSpeed, state.position)) {
    *console << "\nRes.Compute() error in Kelvra\n";
    ok = false;
  }
  if (!EvaluateBrakes(brakeDemand, state, atEnd)) {
    *console << "\nBrkSys.DoStep() error in Kelvra\n";
    ok = false;
  }
  AssembleInput(tractionForce, res, state.adhesionForce, VehDyn.AxleRot.BrakeForceRadius(),
                VehDyn.BrkSys.BrakeForce(), VehDyn.MtrxVeh.InputDim(), input);
  if (Line.Gradient.Active()) Line.Gradient.FillInputs(state.linearState, input, firstGravityInput);
  const std::vector<double>* level =
      Line.AdhLevel.Active() ? &Line.AdhLevel.Factors(state.position) : nullptr;
  if (!Contact.Compute(state.normalForce, state.wheelSpeed, state.vehicleSpeed, state.position,
                       level)) {
    *console << "\nContact.Compute() error in Kelvra\n";
    ok = false;
  }
  return ok;
}

bool Kelvra::Advance(const AxleForces& start, const AxleForces& end) {
  TMtrxVehOut& vehOut = VehDyn.VehOut;
  bool ok = true;
  if (Line.BrkHold.AnyParked()) ParkHeldWheels(start, end);
  if (!VehDyn.MtrxVeh.DoStep(start.input, end.input)) {
    *console << "\nMtrxVeh.DoStep() error in Kelvra\n";
    ok = false;
  }
  if (!vehOut.Compute(VehDyn.MtrxVeh.NextState())) {
    *console << "\nVehOut.Compute() error in Kelvra\n";
    ok = false;
  }
  if (!VehDyn.AxleRot.DoStep(start.resistance, end.resistance, start.brake, end.brake,
                             start.capacity, end.capacity, vehOut.VehicleSpeedCommitted(),
                             vehOut.VehicleSpeed())) {
    *console << "\nAxleRot.DoStep() error in Kelvra\n";
    ok = false;
  }
  if (Line.BrkHold.Active()) {
    Line.BrkHold.Settle(VehDyn.AxleRot, end.capacity, vehOut.VehicleSpeed());
  }
  return ok;
}

// Both ramp from their start values to those of the last evaluation, the one
// the committed pass used.
void Kelvra::AverageOverStep(const std::vector<double>& startNormalForce) {
  const std::vector<double>& endBrakeForce = VehDyn.BrkSys.BrakeForce();
  const std::size_t brakes = std::min({meanBrakeForce.size(), brake0.size(), endBrakeForce.size()});
  for (std::size_t i = 0; i < brakes; ++i) {
    meanBrakeForce[i] = (brake0[i] + endBrakeForce[i]) / 2.0;
  }
  const std::size_t normals =
      std::min({meanNormalForce.size(), startNormalForce.size(), endNormalForce.size()});
  for (std::size_t i = 0; i < normals; ++i) {
    meanNormalForce[i] = (startNormalForce[i] + endNormalForce[i]) / 2.0;
  }
  if (!Line.BrakesActive()) return;
  // Without a re-estimate the step holds its start values.
  const std::vector<double>& cylinderStart = Line.BrkCyl.AppliedStart();
  const std::vector<double>& cylinderEnd =
      VehDyn.AxleRot.Iter() > 0 ? Line.BrkCyl.Applied() : cylinderStart;
  for (std::size_t i = 0; i < meanCylinderForce.size() && i < cylinderEnd.size(); ++i) {
    meanCylinderForce[i] = (cylinderStart[i] + cylinderEnd[i]) / 2.0;
  }
}

bool Kelvra::Commit() {
  bool ok = true;
  if (!VehDyn.AxleRot.Finalize()) {
    *console << "\nAxleRot.Finalize() error in Kelvra, run DoStep() first!\n";
    ok = false;
  }
  if (!VehDyn.VehOut.Finalize()) {
    *console << "\nVehOut.Finalize() error in Kelvra, run Compute() first!\n";
    ok = false;
  }
  if (!VehDyn.MtrxVeh.Finalize()) {
    *console << "\nMtrxVeh.Finalize() error in Kelvra, run DoStep() first!\n";
    ok = false;
  }
  if (Line.BrakesActive()) Line.BrkCyl.Finalize();
  return ok;
}

// One step over [t, t + dt], x the linear state, w the wheel speeds, F(s) the
// resistance, brake forces and adhesion capacities of the per-axle state s and
// u(F) the linear model's input made of them:
//   pass 0:  F0 = F(x_k, w_k), held:  x~ = C x_k + P u(F0),  w~ = RK4(w_k; F0 -> F0)
//   pass i:  F1 = F(x~, w~), ramped:  x~ = C x_k + P u(F0) + P1 (u(F1) - u(F0)) / dt,
//                                     w~ = RK4(w_k; F0 -> F1),  i = 1 .. ITER
//   commit:  x_{k+1} = x~,  w_{k+1} = w~
// The step's mean brake and normal forces are the middles of their ramps.
bool Kelvra::DoStep(const std::vector<double>& brakeDemand, double tractionForce) {
  if (!created || stateBroken) return false;
  const TMtrxVehOut& vehOut = VehDyn.VehOut;
  const TAxleIntegrator& axleRot = VehDyn.AxleRot;
  const TMtrxVeh& mtrxVeh = VehDyn.MtrxVeh;
  const AxleState committed{mtrxVeh.State(),
                            vehOut.VehicleSpeedCommitted(),
                            vehOut.NormalForceCommitted(),
                            axleRot.WheelSpeedCommitted(),
                            vehOut.PositionCommitted(),
                            axleRot.AdhesionForceCommitted()};
  const AxleState newest{mtrxVeh.NextState(),  vehOut.VehicleSpeed(), vehOut.NormalForce(),
                         axleRot.WheelSpeed(), vehOut.Position(),     axleRot.AdhesionForce()};

  // First pass: the forces of the committed state, kept as the start values
  // and held over the step.
  bool ok = EvaluateForces(brakeDemand, tractionForce, committed, false, u0);
  CopyInto(res0, VehDyn.Res.AxleResistance());
  CopyInto(brake0, VehDyn.BrkSys.BrakeForce());
  CopyInto(cap0, Contact.AdhesionCapacity());
  const AxleForces start{u0, res0, brake0, cap0};
  ok = Advance(start, start) && ok;

  // Re-estimates: the forces at the predicted end of the step, as the parts
  // hold them, ramping from the start values; every pass restarts from the
  // committed state.
  for (int k = 0; k < axleRot.Iter(); ++k) {
    ok = EvaluateForces(brakeDemand, tractionForce, newest, true, u1) && ok;
    if (k + 1 == axleRot.Iter()) CopyInto(endNormalForce, newest.normalForce);
    const AxleForces end{u1, VehDyn.Res.AxleResistance(), VehDyn.BrkSys.BrakeForce(),
                         Contact.AdhesionCapacity()};
    ok = Advance(start, end) && ok;
  }
  if (axleRot.Iter() == 0) CopyInto(endNormalForce, committed.normalForce);
  AverageOverStep(committed.normalForce);
  ok = Commit() && ok;
  ++stepsSinceInit;
  const bool sound = CheckStateFinite() && CheckWheelsIntegrated();
  if (sound) RecordLifts();
  return sound && ok;
}

// A capacity so far above what the set-up checked that no substep count up to
// kMostSubsteps integrates the wheel stably: its result would be driven by
// the instability, not by the forces.
bool Kelvra::CheckWheelsIntegrated() {
  const TAxleIntegrator& axleRot = VehDyn.AxleRot;
  if (axleRot.UnstableAxle() < 0) return true;
  stateBroken = true;
  *console << "\nError - The wheel integration of axle " << axleRot.UnstableAxle() + 1
           << " is unstable in step " << stepsSinceInit
           << " (t = " << stepsSinceInit * axleRot.TimeStep() << " s): its adhesion capacity of "
           << axleRot.UnstableCapacity() << " N would need more than " << kMostSubsteps
           << " substeps. The simulation stops.\n";
  return false;
}

void Kelvra::RecordLifts() {
  const std::vector<double>& normalForce = VehDyn.VehOut.NormalForceCommitted();
  const std::size_t axles = std::min(lifts.size(), normalForce.size());
  for (std::size_t i = 0; i < axles; ++i) {
    if (!(normalForce[i] <= 0.0)) continue;
    if (lifts[i].steps == 0) lifts[i].firstTime = stepsSinceInit * VehDyn.AxleRot.TimeStep();
    ++lifts[i].steps;
  }
}

std::string Kelvra::LiftReport() const {
  std::ostringstream report;
  for (std::size_t i = 0; i < lifts.size(); ++i) {
    if (lifts[i].steps == 0) continue;
    report << "Warning - wheel " << i + 1
           << " lifted off the rail: its normal force was 0 or below "
           << "at the end of " << lifts[i].steps << (lifts[i].steps == 1 ? " step" : " steps")
           << ", the first at t = " << lifts[i].firstTime
           << " s. A lifted wheel transmits no adhesion.\n";
  }
  return report.str();
}

// A NaN or an overflow never heals: every later step would carry it on while
// looking like a result. Name the first such quantity and stop here.
bool Kelvra::CheckStateFinite() {
  const std::vector<double>& state = VehDyn.MtrxVeh.State();
  const std::vector<double>& wheelSpeed = VehDyn.AxleRot.WheelSpeedCommitted();
  if (AllFinite(state) && AllFinite(wheelSpeed)) return true;
  const std::vector<std::string>& stateNames = model.Definition().stateNames;
  std::string quantity;
  double value = 0.0;
  for (std::size_t i = 0; i < state.size() && quantity.empty(); ++i) {
    if (std::isfinite(state[i])) continue;
    quantity = i < stateNames.size() ? "linear state " + stateNames[i]
                                     : "linear state entry " + std::to_string(i);
    value = state[i];
  }
  for (std::size_t i = 0; i < wheelSpeed.size() && quantity.empty(); ++i) {
    if (std::isfinite(wheelSpeed[i])) continue;
    quantity = "wheel speed of axle " + std::to_string(i + 1);
    value = wheelSpeed[i];
  }
  if (quantity.empty()) return true;
  stateBroken = true;
  *console << "\nError - The vehicle state is not finite after step " << stepsSinceInit
           << " (t = " << stepsSinceInit * VehDyn.AxleRot.TimeStep() << " s): " << quantity
           << " is " << (std::isnan(value) ? "NaN" : "infinite") << ". The simulation stops.\n";
  return false;
}

bool Kelvra::ChangeAxleIntegratorPar(int subdiv, int iter, double lim, double timeStep,
                                     std::ostream& log) {
  return VehDyn.AxleRot.ChangePar(subdiv, iter, lim, timeStep, log);
}

void Kelvra::AppendResultText(const std::string& text) {
  if (resultText.good()) resultText << text;
}

bool Kelvra::WriteResultText(const std::string& fileName) const {
  OutputFile file(fileName);
  if (!file.IsOpen()) return false;
  file << resultText.str();
  return file.Close();
}

void Kelvra::PickResultNumber() {
  resultNumber = static_cast<std::int32_t>(static_cast<std::uint32_t>(PerformanceCount()));
}

std::int32_t Kelvra::ResultNumber() {
  if (!resultNumber) PickResultNumber();
  return *resultNumber;
}

std::string Kelvra::DefaultResultName(const std::string& extension, const std::string& folder) {
  return folder + "/_kelvra_result_" + std::to_string(ResultNumber()) + extension;
}

bool Kelvra::WriteDefaultResultText(std::string* writtenName, const std::string& folder) {
  const std::string fileName = DefaultResultName(".txt", folder);
  if (writtenName != nullptr) *writtenName = fileName;
  return WriteResultText(fileName);
}
