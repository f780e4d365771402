// The vehicle system's part of the optional sections (TLineSections): how the
// coupled step meets the gradient, the adhesion level, the brake cylinders,
// the holding brake and a start at speed.

#include <sstream>

#include "vehicle/Kelvra.h"

bool Kelvra::TakeOverLineSections(const TLineSections& sections, std::ostream& log) {
  Line = sections;
  const TimeStepMatrices& step = model.Step();
  const CouplingData& coupling = model.Coupling();
  // Gravity's inputs follow the model's own: [P G] and [P1 G1].
  SparseMatrix p = step.forceStep;
  SparseMatrix p1 = step.rampStep;
  firstGravityInput = p.Cols();
  if (!Line.SetPar(coupling.line, step.gravity, p, p1, coupling.wheelDofIndices,
                   coupling.brakeForceRadii, step.timeStep, log)) {
    return false;
  }
  if (!Line.Gradient.Active()) return true;
  std::ostringstream again;  // the step matrices were taken over and logged once already
  return VehDyn.MtrxVeh.SetPar(step.fundamental, p, model.Definition().initialState, again,
                               step.timeStep, p1);
}

void Kelvra::StartAtSpeed() {
  if (!Line.StartSpeed.Active()) return;
  std::vector<double> state = model.Definition().initialState;
  Line.StartSpeed.Apply(state);
  VehDyn.MtrxVeh.Restore(state);
  const std::size_t axles = VehDyn.AxleRot.AxleNum();
  const std::vector<double> rest(axles, 0.0);
  VehDyn.AxleRot.Restore(std::vector<double>(axles, Line.StartSpeed.Speed()), rest, rest, rest);
}

// The cylinders take the step's demand once, at its start; the hold decides
// at the start which wheels it holds and keeps the directions of the others.
bool Kelvra::EvaluateBrakes(const std::vector<double>& brakeDemand, const AxleState& state,
                            bool atEnd) {
  TBrakeSys& brkSys = VehDyn.BrkSys;
  if (!Line.BrakesActive()) return brkSys.DoStep(brakeDemand, state.wheelSpeed);
  TBrakeCylinder& cylinders = Line.BrkCyl;
  if (!atEnd) {
    brkSys.DemandForces(brakeDemand, demandForce);
    cylinders.DoStep(demandForce);
  }
  const std::vector<double>& applied = atEnd ? cylinders.Applied() : cylinders.AppliedStart();
  const std::vector<double>& resistance = VehDyn.Res.AxleResistance();
  const std::vector<double>* factors = nullptr;
  if (Line.BrkHold.Active()) {
    if (atEnd) {
      Line.BrkHold.End(state.adhesionForce, resistance);
    } else {
      Line.BrkHold.Start({cylinders.AppliedStart(), cylinders.Applied(), state.wheelSpeed,
                          state.vehicleSpeed, state.adhesionForce, resistance},
                         VehDyn.AxleRot.Lim());
    }
    factors = &Line.BrkHold.Factors();
  }
  const bool applies = brkSys.Apply(applied, state.wheelSpeed, factors);
  return applies && brakeDemand.size() <= state.wheelSpeed.size();
}

// The step without the parked wheelsets' adhesion shows how fast they would
// run at its end; the parking forces stop them there.
void Kelvra::ParkHeldWheels(const AxleForces& start, const AxleForces& end) {
  TBrakeHold& hold = Line.BrkHold;
  hold.Unload(start.input, end.input);
  VehDyn.MtrxVeh.DoStep(start.input, end.input);
  hold.Park(VehDyn.MtrxVeh.NextState(), start.capacity, end.capacity, start.input, end.input);
}

double Kelvra::AxlePlace(std::size_t axle) const {
  const std::vector<double>& position = VehDyn.VehOut.PositionCommitted();
  return axle < position.size() ? Line.AdhLevel.AxlePlace(axle, position[axle]) : 0.0;
}

double Kelvra::GradientAtAxle(std::size_t axle) const {
  return Line.Gradient.GradientAt(AxlePlace(axle));
}

double Kelvra::AdhesionLevelAtAxle(std::size_t axle) const {
  return Line.AdhLevel.FactorAt(AxlePlace(axle));
}
