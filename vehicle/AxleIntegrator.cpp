#include "vehicle/AxleIntegrator.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

#include "model/TextPrepass.h"
#include "vehicle/AxleGroup.h"

namespace {

// ITER and SUBDIV stay within the range a batch parameter set may give them. A
// step costs (ITER + 1) * SUBDIV substeps per axle: billions of either would hold
// the program in its first step.
constexpr int kMaxSetting = 10000000;

bool ParametersUsable(int subdiv, int iter, double lim) {
  return subdiv >= 1 && iter >= 0 && lim >= kSmallestSlipBand;
}

// The substeps that keep every lane of `group` within kWheelFigureLimit:
// SUBDIV unless the largest capacity of the step (it varies linearly, so at
// an end) asks for more. `lane` becomes the lane with the largest figure.
// Above kMostSubsteps when no count up to it would do.
double StableSubsteps(const AxleGroup& group, double timeStep, int subdiv, double inverseLim,
                      std::size_t& lane) {
  double largest = 0.0;
  lane = 0;
  for (std::size_t a = 0; a < kAxleGroup; ++a) {
    const double capacity = std::max(std::fabs(group.capacity[a]), std::fabs(group.capacityEnd[a]));
    const double figure = capacity * group.inverseMass[a] * (timeStep / subdiv) * inverseLim;
    if (figure > largest) {
      largest = figure;
      lane = a;
    }
  }
  if (!(largest > kWheelFigureLimit)) return subdiv;
  return std::ceil(subdiv * (largest / kWheelFigureLimit));
}

// A whole number from `least` to kMaxSetting, written as one word: "2.7" is
// refused rather than read as 2 with ".7" left over for the next read.
bool ReadSetting(std::istream& in, const char* name, int least, int& value, std::ostream& log) {
  std::string word;
  if (!(in >> word)) return false;
  const char* begin = word.data();
  const char* const end = begin + word.size();
  if (begin != end && *begin == '+') ++begin;
  int parsed = 0;
  const auto [stop, status] = std::from_chars(begin, end, parsed);
  if (status == std::errc() && stop == end && parsed >= least && parsed <= kMaxSetting) {
    value = parsed;
    return true;
  }
  log << "\nError - " << name << " " << QuotedExcerpt(word) << " must be a whole number from "
      << least << " to " << kMaxSetting << ".\n";
  return false;
}

}  // namespace

bool TAxleIntegrator::ReadPar(std::istream& in, std::ostream& log, double step,
                              const std::vector<double>& reducedMasses,
                              const std::vector<double>& brakeForceRadii) {
  reducedMass = reducedMasses;
  brakeForceRadius = brakeForceRadii;
  timeStep = step;
  // Every axle needs both values; without them there are no axles to integrate.
  if (brakeForceRadius.size() != reducedMass.size()) {
    massStepRatio.clear();
    log << "\nReduced mass count " << reducedMass.size() << " != brake force radius count "
        << brakeForceRadius.size() << " in TAxleIntegrator::ReadPar()\n";
    return false;
  }
  massStepRatio = reducedMass;
  if (!ReadSetting(FindKeyword(in, "ITER"), "ITER", 0, ITER, log)) {
    log << "\nAdditional iteration count was not read. TAxleIntegrator::ReadPar()\n";
    return false;
  }
  FindKeyword(in, "LIM") >> LIM;
  const bool limRead = !in.fail();
  if (limRead && !(LIM >= kSmallestSlipBand)) {
    log << "\nError - LIM " << LIM << " must be at least " << kSmallestSlipBand
        << " m/s, the half-width of the slip band of a rolling wheel.\n";
  }
  if (!limRead || !(LIM >= kSmallestSlipBand)) {
    log << "\nLimit was not read. TAxleIntegrator::ReadPar()\n";
    return false;
  }
  if (!ReadSetting(FindKeyword(in, "SUBDIV"), "SUBDIV", 1, SUBDIV, log)) {
    log << "\nSubdivision was not read. TAxleIntegrator::ReadPar()\n";
    return false;
  }
  for (double& ratio : massStepRatio) ratio = timeStep / ratio;
  log << "\nTAxleIntegrator::ReadPar() successfully finished.\n";
  return true;
}

void TAxleIntegrator::SetTimeStep(double step) {
  timeStep = step;
  for (std::size_t i = 0; i < massStepRatio.size(); ++i) {
    massStepRatio[i] = timeStep / reducedMass[i];
  }
}

// The mass step ratios follow the new time step, so that the reduced masses stay
// what the model says whatever step the integrator is given.
bool TAxleIntegrator::ChangePar(int subdiv, int iter, double lim, double step, std::ostream& log) {
  if (!ParametersUsable(subdiv, iter, lim)) {
    log << "\nTAxleIntegrator::ChangePar() is not successfull: SUBDIV=" << subdiv
        << " ITER=" << iter << " LIM=" << lim
        << " (SUBDIV must be at least 1, ITER not negative, LIM at least " << kSmallestSlipBand
        << ").\n";
    return false;
  }
  SUBDIV = subdiv;
  ITER = iter;
  LIM = lim;
  timeStep = step;
  for (std::size_t i = 0; i < massStepRatio.size(); ++i) {
    massStepRatio[i] = timeStep / reducedMass[i];
  }
  UpdateInverseMasses();
  log << "\nTAxleIntegrator::ChangePar() successfully finished.\n";
  return true;
}

void TAxleIntegrator::UpdateInverseMasses() {
  inverseMass.resize(massStepRatio.size());
  for (std::size_t i = 0; i < massStepRatio.size(); ++i) {
    inverseMass[i] = massStepRatio[i] / timeStep;
  }
}

void TAxleIntegrator::Init() {
  const std::size_t axles = AxleNum();
  for (std::vector<double>* v :
       {&wheelSpeed, &wheelTravel, &adhesionForce, &meanAdhesionForce, &wheelSpeedCommitted,
        &wheelTravelCommitted, &adhesionForceCommitted, &meanAdhesionForceCommitted}) {
    v->assign(axles, 0.0);
  }
  UpdateInverseMasses();
  slipPatterns.assign((axles + kAxleGroup - 1) / kAxleGroup, SlipPattern::kMixed);
  stepDone = false;
}

void TAxleIntegrator::Restore(const std::vector<double>& wheelSpeedValues,
                              const std::vector<double>& wheelTravelValues,
                              const std::vector<double>& adhesionForceValues,
                              const std::vector<double>& meanAdhesionForceValues) {
  wheelSpeed = wheelSpeedCommitted = wheelSpeedValues;
  wheelTravel = wheelTravelCommitted = wheelTravelValues;
  adhesionForce = adhesionForceCommitted = adhesionForceValues;
  meanAdhesionForce = meanAdhesionForceCommitted = meanAdhesionForceValues;
  stepDone = false;
}

bool TAxleIntegrator::DoStep(const std::vector<double>& res0, const std::vector<double>& res1,
                             const std::vector<double>& brake0, const std::vector<double>& brake1,
                             const std::vector<double>& cap0, const std::vector<double>& cap1,
                             const std::vector<double>& vStart, const std::vector<double>& vEnd) {
  const std::size_t axles = wheelSpeed.size();
  for (const std::vector<double>* v :
       {&res0, &res1, &brake0, &brake1, &cap0, &cap1, &vStart, &vEnd}) {
    if (v->size() < axles) return false;
  }
  const double T = timeStep;
  const double inverseLim = LIM != 0.0 ? 1.0 / LIM : 0.0;
  unstableAxle = -1;
  for (std::size_t first = 0; first < axles; first += kAxleGroup) {
    AxleGroup group;
    const std::size_t count = std::min(kAxleGroup, axles - first);
    for (std::size_t a = 0; a < count; ++a) {
      const std::size_t i = first + a;
      // The brake acts through the magnitude of its radius ratio, whichever side
      // of the wheel centre the brake sits.
      const double radius = std::fabs(brakeForceRadius[i]);
      group.inverseMass[a] = inverseMass[i];
      group.capacity[a] = cap0[i];
      group.capacityEnd[a] = cap1[i];
      group.force[a] = radius * brake0[i] + res0[i];
      group.forceEnd[a] = radius * brake1[i] + res1[i];
      group.speed[a] = vStart[i];
      group.speedEnd[a] = vEnd[i];
      group.wheelSpeed[a] = wheelSpeedCommitted[i];
      group.wheelTravel[a] = wheelTravelCommitted[i];
    }
    // A group that is not full repeats its last axle in the lanes left over.
    for (std::size_t a = count; a < kAxleGroup; ++a) {
      for (double* lanes :
           {group.inverseMass, group.capacity, group.capacityEnd, group.force, group.forceEnd,
            group.speed, group.speedEnd, group.wheelSpeed, group.wheelTravel}) {
        lanes[a] = lanes[count - 1];
      }
    }
    // A group that no affordable count integrates stably keeps its wheels; the
    // step is then reported as broken, not its result used.
    std::size_t stiffest = 0;
    const double substeps = StableSubsteps(group, T, SUBDIV, inverseLim, stiffest);
    if (substeps > kMostSubsteps) {
      if (unstableAxle < 0) {
        unstableAxle = static_cast<long long>(first + std::min(stiffest, count - 1));
        unstableCapacity =
            std::max(std::fabs(group.capacity[stiffest]), std::fabs(group.capacityEnd[stiffest]));
      }
      for (std::size_t i = first; i < first + count; ++i) {
        wheelSpeed[i] = wheelSpeedCommitted[i];
        wheelTravel[i] = wheelTravelCommitted[i];
        adhesionForce[i] = adhesionForceCommitted[i];
        meanAdhesionForce[i] = meanAdhesionForceCommitted[i];
      }
      continue;
    }
    IntegrateAxleGroup(group, T, static_cast<int>(substeps), LIM, inverseLim,
                       slipPatterns[first / kAxleGroup]);
    for (std::size_t a = 0; a < count; ++a) {
      wheelSpeed[first + a] = group.wheelSpeed[a];
      wheelTravel[first + a] = group.wheelTravel[a];
      adhesionForce[first + a] = group.adhesionForce[a];
      meanAdhesionForce[first + a] = group.meanAdhesionForce[a];
    }
  }
  stepDone = true;
  return true;
}

void TAxleIntegrator::HoldWheel(std::size_t axle, double adhesion, double meanAdhesion) {
  if (axle >= wheelSpeed.size()) return;
  wheelSpeed[axle] = 0.0;
  wheelTravel[axle] = wheelTravelCommitted[axle];
  adhesionForce[axle] = adhesion;
  meanAdhesionForce[axle] = meanAdhesion;
}

bool TAxleIntegrator::Finalize() {
  if (!stepDone) return false;
  wheelSpeedCommitted.assign(wheelSpeed.begin(), wheelSpeed.end());
  wheelTravelCommitted.assign(wheelTravel.begin(), wheelTravel.end());
  adhesionForceCommitted.assign(adhesionForce.begin(), adhesionForce.end());
  meanAdhesionForceCommitted.assign(meanAdhesionForce.begin(), meanAdhesionForce.end());
  stepDone = false;
  return true;
}
