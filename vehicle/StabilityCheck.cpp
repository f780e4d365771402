#include "vehicle/StabilityCheck.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>

namespace {

std::string Number(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

// The wheel with the largest figure of one kind.
struct Worst {
  double figure = 0.0;
  std::size_t wheel = 0;
  unsigned characteristic = 0;
};

bool CheckAdhesion(const Kelvra& vehicle, std::string& reason) {
  const TAxleIntegrator& axleRot = vehicle.Dynamics().AxleRot;
  const std::vector<double>& loads = vehicle.Dynamics().VehOut.StaticAxleLoads();
  const std::vector<double>& masses = axleRot.ReducedMass();
  const TAdhesionGenerator& adhesion = vehicle.ContactModel().AdhesionGenerator();
  const std::set<unsigned> selected(adhesion.SwitchIndices().begin(),
                                    adhesion.SwitchIndices().end());
  const double substep = axleRot.TimeStep() / axleRot.Subdiv();
  // ADHLEVEL scales every characteristic, at most by its largest factor.
  const double level = vehicle.LineParts().AdhLevel.Largest();
  Worst worst;
  for (std::size_t i = 0; i < std::min(loads.size(), masses.size()); ++i) {
    for (const unsigned j : selected) {
      const double mu = adhesion.Characteristics()[j].muStatic * level;
      const double figure = mu * loads[i] / (axleRot.Lim() * masses[i]) * substep;
      if (!(figure <= worst.figure)) worst = {figure, i, j};
    }
  }
  if (worst.figure <= kWheelFigureLimit) return true;
  const double needed = std::ceil(axleRot.Subdiv() * (worst.figure / kWheelFigureLimit));
  std::ostringstream text;
  text << "Error - The wheel integration is unstable: wheel " << worst.wheel + 1
       << " with ADHSET characteristic " << worst.characteristic + 1
       << (level != 1.0 ? " on its ADHLEVEL factor of " + Number(level) : std::string())
       << " has muStatic x " << (level != 1.0 ? "factor x " : "")
       << "staticLoad / (LIM x reducedMass) x DT / SUBDIV = "
       << adhesion.Characteristics()[worst.characteristic].muStatic
       << (level != 1.0 ? " x " + Number(level) : std::string()) << " x " << loads[worst.wheel]
       << " / (" << axleRot.Lim() << " x " << masses[worst.wheel] << ") x " << axleRot.TimeStep()
       << " / " << axleRot.Subdiv() << " = " << worst.figure << ", above " << kWheelFigureLimit
       << " (its Runge-Kutta substeps are stable up to " << kRungeKuttaStableFigure << "). ";
  if (needed <= kMostSubsteps) {
    text << "A SUBDIV of " << needed << " keeps it within.";
  } else {
    text << "No SUBDIV up to " << kMostSubsteps << " keeps it within: raise LIM or lower DT.";
  }
  reason = text.str();
  return false;
}

// A brake that holds its wheel at rest (BRKHOLD) has no linear band near
// standstill: the figure does not apply. Brake cylinders (BRKCYL) apply at
// most the largest demand, so the largest input still bounds the figure.
bool CheckBrake(const Kelvra& vehicle, const std::vector<double>& largestBrakeInput,
                std::string& reason) {
  if (vehicle.LineParts().BrkHold.Active()) return true;
  const TAxleIntegrator& axleRot = vehicle.Dynamics().AxleRot;
  const TBrakeSys& brakes = vehicle.Dynamics().BrkSys;
  const std::vector<double>& masses = axleRot.ReducedMass();
  const std::vector<double>& radii = axleRot.BrakeForceRadius();
  const double gain = std::fabs(brakes.BrakeGain());
  const double threshold = brakes.BrakeSpeedThreshold();
  const std::size_t wheels = std::min({masses.size(), radii.size(), largestBrakeInput.size()});
  Worst worst;
  for (std::size_t i = 0; i < wheels; ++i) {
    const double input = std::fabs(largestBrakeInput[i]);
    const double figure =
        std::fabs(radii[i]) * gain * input / (threshold * masses[i]) * axleRot.TimeStep();
    if (input > 0.0 && !(figure <= worst.figure)) worst = {figure, i, 0};
  }
  const double limit = BrakeFigureLimit(axleRot.Iter());
  if (worst.figure <= limit) return true;
  const std::size_t i = worst.wheel;
  std::ostringstream text;
  text << "Error - The brake of wheel " << i + 1
       << " cannot be integrated stably near standstill: |brakeForceRadius| x gain x brake input"
          " / (threshold x reducedMass) x DT = "
       << std::fabs(radii[i]) << " x " << gain << " x " << std::fabs(largestBrakeInput[i]) << " / ("
       << threshold << " x " << masses[i] << ") x " << axleRot.TimeStep() << " = " << worst.figure
       << ", above " << limit << ", the limit with "
       << (axleRot.Iter() % 2 == 0 ? "an even ITER (3 with an odd one)"
                                   : "an odd ITER (2 with an even one)")
       << ". A DT of at most " << axleRot.TimeStep() * (limit / worst.figure)
       << " s or a BRKSYS threshold of at least " << threshold * (worst.figure / limit)
       << " m/s keeps it within.";
  reason = text.str();
  return false;
}

}  // namespace

double BrakeFigureLimit(int iter) {
  return iter % 2 == 0 ? 2.0 : 3.0;
}

bool CheckWheelIntegration(const Kelvra& vehicle, const std::vector<double>& largestBrakeInput,
                           std::string& reason) {
  if (!vehicle.Created()) return true;  // its parts are not all read; creation said why
  std::string adhesion;
  std::string brake;
  const bool adhesionStable = CheckAdhesion(vehicle, adhesion);
  const bool brakeStable = CheckBrake(vehicle, largestBrakeInput, brake);
  reason = adhesion + (adhesionStable || brakeStable ? "" : "\n") + brake;
  return adhesionStable && brakeStable;
}
