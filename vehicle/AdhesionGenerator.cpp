#include "vehicle/AdhesionGenerator.h"

#include <algorithm>
#include <cmath>

#include "model/TextPrepass.h"
#include "vehicle/ParameterReader.h"

bool AdhesionCharacteristic::Read(std::istream& in, std::ostream& log) {
  std::vector<double> numbers;
  ReadLineList(in, numbers);
  if (numbers.size() != 5) {
    log << "Param number error: " << numbers.size() << "!=5\n";
    for (std::size_t i = 0; i < numbers.size(); ++i) log << (i == 0 ? "" : "\t") << numbers[i];
    log << "\n";
    return false;
  }
  muStatic = numbers[0];
  limitRatio = numbers[1];
  decayVelocity = numbers[2];
  shapeScale = numbers[3];
  shapeExponent = numbers[4];
  muFloor = muStatic * limitRatio;
  muDecaying = (1.0 - limitRatio) * muStatic;
  Tmax = shapeScale * std::pow(1.0 / muStatic - 1.0, 1.0 / shapeExponent);

  // Static adhesion at zero speeds and Tmax; the negated test also refuses NaN.
  const double atRest = muFloor + muDecaying * std::exp(-std::fabs(0.0 - 0.0) / decayVelocity);
  const double staticAdhesion = atRest * (1.0 + std::pow(Tmax / shapeScale, shapeExponent));
  if (!(std::fabs(staticAdhesion - 1.0) < 1e-7)) {
    log << "\nInternal error: StaticAdhesion(0,0,Tmax)!=1\n";
    return false;
  }
  return HasPhysicalShape(log);
}

// mu(s) starts at muStatic and falls with the slip towards muStatic * limitRatio;
// anything else would let the friction turn negative or grow with slip.
bool AdhesionCharacteristic::HasPhysicalShape(std::ostream& log) const {
  if (!(muStatic > 0.0)) {
    log << "\nError - ADHSET: muStatic " << muStatic
        << " must be above 0 (the friction would be negative or nil).\n";
    return false;
  }
  if (!(limitRatio >= 0.0 && limitRatio <= 1.0)) {
    log << "\nError - ADHSET: limitRatio " << limitRatio << " must lie from 0 to 1 (the friction "
        << (limitRatio > 1.0 ? "would grow with slip" : "would turn negative") << ").\n";
    return false;
  }
  if (!(decayVelocity > 0.0)) {
    log << "\nError - ADHSET: decayVelocity " << decayVelocity
        << " must be above 0 m/s (the friction would grow with slip).\n";
    return false;
  }
  return true;
}

double AdhesionCharacteristic::Coefficient(double slip) const {
  return muDecaying * std::exp(-std::fabs(slip) / decayVelocity) + muFloor;
}

bool TAdhesionGenerator::ReadPar(std::istream& in, std::ostream& log) {
  Adhs.clear();
  Switch_x.clear();
  Switch_idx.clear();
  switchCursor = 0;
  if (!ReadCharacteristics(in, log)) return false;
  if (!ReadSelectionTable(in, log)) return false;
  log << "\nTAdhesionGenerator::ReadPar() successfully finished.\n";
  return true;
}

// ADHSET: the count, then one characteristic per line. The list grows as lines
// are read rather than being sized by the count, so an absurd count costs nothing.
bool TAdhesionGenerator::ReadCharacteristics(std::istream& in, std::ostream& log) {
  bool failed = false;
  if (FindKeyword(in, "ADHSET").fail()) {
    log << "\nADHSET not found. TAdhesionGenerator::ReadPar()\n";
    failed = true;
  }
  unsigned count = 0;
  in >> count;
  if (count == 0) failed = true;
  log << "\nNum. of Adhs to read: " << count << " TAdhesionGenerator::ReadPar()\n";
  for (unsigned i = 0; i < count; ++i) {
    if (failed) break;
    AdhesionCharacteristic characteristic;
    failed = !characteristic.Read(in, log);
    Adhs.push_back(characteristic);
  }
  if (failed) {
    log << "\nAdhs was not read. TAdhesionGenerator::ReadPar()\n";
    return false;
  }
  return true;
}

// ADHTBL: the breakpoints on one line, the characteristic indices on the next.
bool TAdhesionGenerator::ReadSelectionTable(std::istream& in, std::ostream& log) {
  bool failed = false;
  if (FindKeyword(in, "ADHTBL").fail()) {
    log << "\nADHTBL was not found. TAdhesionGenerator::ReadPar()\n";
    failed = true;
  }
  ReadLineList(in, Switch_x);
  failed = failed || in.fail();
  ReadLineList(in, Switch_idx);
  if (failed || in.fail()) {
    log << "\nAdhesion selection table (Switch_x and / or Switch_idx) was not read. "
           "TAdhesionGenerator::ReadPar()\n";
    return false;
  }
  // Select needs at least one entry, so an empty table is as unusable as a
  // table whose lists differ in length.
  if (Switch_x.size() != Switch_idx.size() || Switch_x.empty()) {
    log << "\nAdhesion selection table is not proper in TAdhesionGenerator::ReadPar()."
        << "\nSwitch_x.size()=" << Switch_x.size() << " Switch_idx.size()=" << Switch_idx.size()
        << "\n";
    return false;
  }
  const unsigned largest = *std::max_element(Switch_idx.begin(), Switch_idx.end());
  if (largest >= Adhs.size()) {
    log << "\nAdhesion selection table index error in TAdhesionGenerator::ReadPar()."
        << "\nMax(Switch_idx)=" << largest << " Adhs.size()=" << Adhs.size() << "\n";
    return false;
  }
  return true;
}

const AdhesionCharacteristic& TAdhesionGenerator::Select(double position) {
  std::size_t k = switchCursor;
  const std::size_t last = Switch_x.size() - 1;
  while (position > Switch_x[k] && k < last) ++k;
  switchCursor = static_cast<unsigned>(k);
  return Adhs[Switch_idx[k]];
}
