#include "vehicle/BrakeSys.h"

#include <algorithm>
#include <cmath>

#include "model/TextPrepass.h"

bool TBrakeSys::ReadPar(std::istream& in, std::ostream& log) {
  FindKeyword(in, "BRKSYS") >> brakeGain >> brakeSpeedThreshold;
  // A wheel at rest must take no brake force: a threshold of 0 gives it the full
  // force in one direction, a negative one pushes a rolling wheel along.
  const bool thresholdUsable = brakeSpeedThreshold > 0.0;
  if (!in.fail() && !thresholdUsable) {
    log << "\nError - BRKSYS speed threshold " << brakeSpeedThreshold
        << " must be above 0 m/s, or a braked wheel at rest is driven.\n";
  }
  if (in.fail() || !thresholdUsable) {
    log << "\nTBrakeSys::ReadPar() is not successfull.\n";
    return false;
  }
  log << "\nTBrakeSys::ReadPar() successfully finished.\n";
  return true;
}

bool TBrakeSys::DoStep(const std::vector<double>& brakeDemand,
                       const std::vector<double>& wheelSpeed) {
  const std::size_t wheels = wheelSpeed.size();
  const std::size_t demanded = std::min(brakeDemand.size(), wheels);
  if (brakeForce.size() != wheels) brakeForce.resize(wheels);
  const double threshold = brakeSpeedThreshold;
  for (std::size_t i = 0; i < demanded; ++i) {
    const double force = std::fabs(brakeDemand[i] * brakeGain);
    const double w = wheelSpeed[i];
    double direction = w >= 0.0 ? 1.0 : -1.0;
    if (std::fabs(threshold) > std::fabs(w)) direction = w / threshold;
    brakeForce[i] = force * direction;
  }
  for (std::size_t i = demanded; i < wheels; ++i) brakeForce[i] = 0.0;
  return wheels >= brakeDemand.size();
}

bool TBrakeSys::Apply(const std::vector<double>& appliedForce,
                      const std::vector<double>& wheelSpeed, const std::vector<double>* factor) {
  const std::size_t wheels = wheelSpeed.size();
  const std::size_t applied = std::min(appliedForce.size(), wheels);
  if (brakeForce.size() != wheels) brakeForce.resize(wheels);
  const double threshold = brakeSpeedThreshold;
  for (std::size_t i = 0; i < applied; ++i) {
    const double w = wheelSpeed[i];
    double direction = w >= 0.0 ? 1.0 : -1.0;
    if (std::fabs(threshold) > std::fabs(w)) direction = w / threshold;
    if (factor != nullptr && i < factor->size()) direction = (*factor)[i];
    brakeForce[i] = appliedForce[i] * direction;
  }
  for (std::size_t i = applied; i < wheels; ++i) brakeForce[i] = 0.0;
  return wheels >= appliedForce.size();
}

void TBrakeSys::DemandForces(const std::vector<double>& brakeDemand,
                             std::vector<double>& demandForce) const {
  for (std::size_t i = 0; i < demandForce.size(); ++i) {
    demandForce[i] = i < brakeDemand.size() ? std::fabs(brakeDemand[i] * brakeGain) : 0.0;
  }
}
