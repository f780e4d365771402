#include "vehicle/Resistance.h"

#include <cmath>

#include "model/TextPrepass.h"

bool TResistance::ReadPar(std::istream& in, std::ostream& log) {
  FindKeyword(in, "RESIST");
  for (double& coefficient : resistanceCoefficients) in >> coefficient;
  if (in.fail()) {
    log << "\nTResistance::ReadPar() is not successfull.\n";
    return false;
  }
  log << "\nTResistance::ReadPar() successfully finished.\n";
  return true;
}

bool TResistance::Compute(const std::vector<double>& vehicleSpeed,
                          const std::vector<double>& normalForce,
                          const std::vector<double>& wheelSpeed,
                          const std::vector<double>& position) {
  const std::size_t axles = vehicleSpeed.size();
  for (std::vector<double>* perAxle : {&axleResistance, &axleResistanceA, &axleResistanceB}) {
    if (perAxle->size() != axles) perAxle->assign(axles, 0.0);
  }
  double meanSpeed = 0.0;
  for (double v : vehicleSpeed) meanSpeed += v;
  if (axles > 1) meanSpeed /= static_cast<double>(axles);
  // The resistance opposes the motion, backwards as well as forwards.
  totalResistance = resistanceCoefficients[0] * meanSpeed * std::fabs(meanSpeed);
  return position.size() == axles && wheelSpeed.size() == axles && normalForce.size() == axles;
}
