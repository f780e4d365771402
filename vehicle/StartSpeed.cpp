#include "vehicle/StartSpeed.h"

#include <cmath>
#include <sstream>
#include <string>

#include "model/TextPrepass.h"

bool TStartSpeed::ReadPar(const OptionalSections& sections, std::ostream& log) {
  speed = 0.0;
  std::istringstream section;
  if (!sections.Open("V0", section)) return true;
  std::string word;
  double value = 0.0;
  if (!ReadNumberWord(section, value, word) || !(std::fabs(value) <= kFastest)) {
    log << "\nError - V0: the start speed " << QuotedExcerpt(word) << " must be a number from "
        << -kFastest << " to " << kFastest << " m/s.\n";
    return false;
  }
  if (!NothingMoreRead(section, "V0", log)) return false;
  speed = value;
  if (Active()) log << "\nTStartSpeed::ReadPar() successfully finished.\n";
  return true;
}

bool TStartSpeed::SetPar(const LineCoupling* line, std::ostream& log) {
  speedIndex.clear();
  if (!Active()) return true;
  if (line == nullptr || line->bodySpeedIndex.empty()) {
    log << "\nError - V0: the vehicle was handed no bodies that run along the track.\n";
    return false;
  }
  speedIndex = line->bodySpeedIndex;
  return true;
}

void TStartSpeed::Apply(std::vector<double>& state) const {
  for (unsigned entry : speedIndex) {
    if (entry < state.size()) state[entry] += speed;
  }
}
