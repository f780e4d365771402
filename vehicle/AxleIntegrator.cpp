#include "vehicle/AxleIntegrator.h"

#include <charconv>
#include <cmath>
#include <iostream>
#include <string>
#include <system_error>

#include "model/TextPrepass.h"

namespace {

// The sign function, linear inside |x| < lim; sign(0) = +1 when lim is 0. The
// band is entered through the reciprocal of lim: the right-hand side runs
// thousands of times per step and a division would dominate its latency.
double Sat(double x, double lim, double inverseLim) {
  if (std::fabs(lim) > std::fabs(x)) return x * inverseLim;
  return x >= 0.0 ? 1.0 : -1.0;
}

// ITER and SUBDIV stay within the range a batch parameter set may give them. A
// step costs (ITER + 1) * SUBDIV substeps per axle: billions of either would hold
// the program in its first step.
constexpr int kMaxSetting = 10000000;

bool ParametersUsable(int subdiv, int iter, double lim) {
  return subdiv >= 1 && iter >= 0 && lim >= kSmallestSlipBand;
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

bool TAxleIntegrator::ReadPar(std::istream& in, std::ostream& log, double timeStep,
                              const std::vector<double>& reducedMass,
                              const std::vector<double>& brakeForceRadius) {
  this->reducedMass = reducedMass;
  this->brakeForceRadius = brakeForceRadius;
  this->timeStep = timeStep;
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

// The mass step ratios follow the new time step, so that the reduced masses stay
// what the model says whatever step the integrator is given.
bool TAxleIntegrator::ChangePar(int subdiv, int iter, double lim, double timeStep,
                                std::ostream& log) {
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
  this->timeStep = timeStep;
  for (std::size_t i = 0; i < massStepRatio.size(); ++i) {
    massStepRatio[i] = timeStep / reducedMass[i];
  }
  log << "\nTAxleIntegrator::ChangePar() successfully finished.\n";
  return true;
}

void TAxleIntegrator::Init() {
  const std::size_t axles = AxleNum();
  for (std::vector<double>* v : {&wheelSpeed, &wheelTravel, &adhesionForce, &wheelSpeedCommitted,
                                 &wheelTravelCommitted, &adhesionForceCommitted}) {
    v->assign(axles, 0.0);
  }
  drives.resize(axles);
  stepDone = false;
}

double TAxleIntegrator::Acceleration(const Drive& drive, double t, double w,
                                     double inverseLim) const {
  const double capacity = drive.capacity + t * drive.capacityRate;
  const double force = drive.force + t * drive.forceRate;
  const double slip = drive.speed + t * drive.speedRate - w;
  return (capacity * Sat(slip, LIM, inverseLim) - force) * drive.inverseMass;
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

  // The interpolation record of every axle; the brake acts through the magnitude
  // of its radius ratio, whichever side of the wheel centre the brake sits.
  for (std::size_t i = 0; i < axles; ++i) {
    const double radius = std::fabs(brakeForceRadius[i]);
    const double force0 = radius * brake0[i] + res0[i];
    const double force1 = radius * brake1[i] + res1[i];
    if (cap0[i] < 0.0) std::cout << "ERROR: Adhesion capacity negative!\n";
    Drive& d = drives[i];
    d.inverseMass = massStepRatio[i] / T;
    d.capacity = cap0[i];
    d.capacityRate = (cap1[i] - cap0[i]) / T;
    d.force = force0;
    d.forceRate = (force1 - force0) / T;
    d.speed = vStart[i];
    d.speedRate = (vEnd[i] - vStart[i]) / T;
    wheelSpeed[i] = wheelSpeedCommitted[i];
    wheelTravel[i] = wheelTravelCommitted[i];
  }

  // Exactly SUBDIV substeps, each starting at n h: the time is not a running sum,
  // whose rounding could add one substep beyond the end of the step. The axles
  // are independent, so they advance side by side within every substep.
  const int substeps = T > 0.0 ? SUBDIV : 0;
  const double h = T / SUBDIV;
  const double halfH = h / 2.0;
  const double inverseLim = LIM != 0.0 ? 1.0 / LIM : 0.0;
  for (int n = 0; n < substeps; ++n) {
    const double t = n * h;
    for (std::size_t i = 0; i < axles; ++i) {
      const Drive& d = drives[i];
      const double w = wheelSpeed[i];
      const double k1 = Acceleration(d, t, w, inverseLim);
      const double w2 = w + halfH * k1;
      const double k2 = Acceleration(d, t + halfH, w2, inverseLim);
      const double w3 = w + halfH * k2;
      const double k3 = Acceleration(d, t + halfH, w3, inverseLim);
      const double w4 = w + h * k3;
      const double k4 = Acceleration(d, t + h, w4, inverseLim);
      wheelSpeed[i] = w + h / 6.0 * (k1 + 2.0 * k2 + 2.0 * k3 + k4);
      wheelTravel[i] += h / 6.0 * (w + 2.0 * w2 + 2.0 * w3 + w4);
    }
  }

  for (std::size_t i = 0; i < axles; ++i) {
    adhesionForce[i] = cap1[i] * Sat(vEnd[i] - wheelSpeed[i], LIM, inverseLim);
  }
  stepDone = true;
  return true;
}

bool TAxleIntegrator::Finalize() {
  if (!stepDone) return false;
  wheelSpeedCommitted.assign(wheelSpeed.begin(), wheelSpeed.end());
  wheelTravelCommitted.assign(wheelTravel.begin(), wheelTravel.end());
  adhesionForceCommitted.assign(adhesionForce.begin(), adhesionForce.end());
  stepDone = false;
  return true;
}
