#include "vehicle/BrakeCylinder.h"

#include <cmath>
#include <sstream>
#include <string>

#include "model/TextPrepass.h"

namespace {

// e^(-dt / tau), 0 for the instant lag.
double Decay(double timeStep, double timeConstant) {
  return timeConstant > 0.0 ? std::exp(-timeStep / timeConstant) : 0.0;
}

}  // namespace

bool TBrakeCylinder::ReadPar(const OptionalSections& sections, std::ostream& log) {
  fillTime = 0.0;
  releaseTime = 0.0;
  std::istringstream section;
  if (!sections.Open("BRKCYL", section)) return true;
  std::string fillWord;
  std::string releaseWord;
  double fill = 0.0;
  double release = 0.0;
  const bool read =
      ReadNumberWord(section, fill, fillWord) && ReadNumberWord(section, release, releaseWord);
  if (!read || !(fill >= 0.0 && fill <= kLongestTime) ||
      !(release >= 0.0 && release <= kLongestTime)) {
    log << "\nError - BRKCYL: the fill and release time constants " << QuotedExcerpt(fillWord)
        << " and " << QuotedExcerpt(releaseWord) << " must be two numbers from 0 to "
        << kLongestTime << " s (0 0 is the instant brake).\n";
    return false;
  }
  if (!NothingMoreRead(section, "BRKCYL", log)) return false;
  fillTime = fill;
  releaseTime = release;
  if (Active()) log << "\nTBrakeCylinder::ReadPar() successfully finished.\n";
  return true;
}

void TBrakeCylinder::SetTimeStep(double timeStep) {
  fillDecay = Decay(timeStep, fillTime);
  releaseDecay = Decay(timeStep, releaseTime);
}

void TBrakeCylinder::Init(std::size_t axles) {
  start.assign(axles, 0.0);
  applied.assign(axles, 0.0);
  appliedCommitted.assign(axles, 0.0);
}

void TBrakeCylinder::DoStep(const std::vector<double>& demand) {
  for (std::size_t i = 0; i < applied.size(); ++i) {
    const double target = i < demand.size() ? demand[i] : 0.0;
    const double committed = appliedCommitted[i];
    const double decay = target >= committed ? fillDecay : releaseDecay;
    start[i] = decay > 0.0 ? committed : target;
    applied[i] = target + (committed - target) * decay;
  }
}

void TBrakeCylinder::Finalize() {
  appliedCommitted.assign(applied.begin(), applied.end());
}

bool TBrakeCylinder::Restore(const std::vector<double>& values) {
  if (values.size() != applied.size()) return false;
  start = applied = appliedCommitted = values;
  return true;
}
