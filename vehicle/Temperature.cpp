#include "vehicle/Temperature.h"

#include "model/TextPrepass.h"

bool TTemperature::ReadPar(std::size_t axleCount, std::istream& in, std::ostream& log) {
  records.clear();
  if (FindKeyword(in, "WHLTMP").fail()) return false;
  records.assign(axleCount, {0.0, 0.0});
  log << "\nTTemperature::ReadPar() successfully finished.\n";
  return true;
}

void TTemperature::Init() {
  wheelTemperature.assign(records.size(), 0.0);
  wheelTemperatureCommitted.assign(records.size(), 0.0);
}
