#include "vehicle/AdhesionLevel.h"

#include <sstream>
#include <string>

namespace {

std::string CheckFactor(double factor) {
  return factor >= 0.0 ? "" : "must not be negative (the friction would push the wheel on)";
}

}  // namespace

bool TAdhesionLevel::ReadPar(const OptionalSections& sections, std::ostream& log) {
  std::istringstream section;
  if (!sections.Open("ADHLEVEL", section)) {
    table.Clear(1.0);
    return true;
  }
  if (!table.Read(section, "ADHLEVEL", 1.0, CheckFactor, log)) return false;
  if (Active()) log << "\nTAdhesionLevel::ReadPar() successfully finished.\n";
  return true;
}

bool TAdhesionLevel::SetPar(const LineCoupling* line, std::size_t axles, std::ostream& log) {
  wheelPlace.clear();
  carDisplacementIndex = 0;
  if (line != nullptr && line->wheelPlace.size() == axles) {
    wheelPlace = line->wheelPlace;
    carDisplacementIndex = line->carDisplacementIndex;
  }
  if (!Active() || wheelPlace.size() == axles) return true;
  log << "\nError - ADHLEVEL: the vehicle was handed no places of its wheels along the line.\n";
  return false;
}

void TAdhesionLevel::Init(const std::vector<double>& initialState) {
  StartOffsets(wheelPlace, carDisplacementIndex, initialState, placeOffset);
  cursor.assign(wheelPlace.size(), 0);
  factor.assign(wheelPlace.size(), 1.0);
}

const std::vector<double>& TAdhesionLevel::Factors(const std::vector<double>& position) {
  factor.resize(placeOffset.size());
  for (std::size_t i = 0; i < factor.size() && i < position.size(); ++i) {
    factor[i] = table.At(AxlePlace(i, position[i]), cursor[i]);
  }
  return factor;
}

double TAdhesionLevel::FactorAt(double position) const {
  std::size_t start = 0;
  return table.At(position, start);
}
