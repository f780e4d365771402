#include "vehicle/Contact.h"

#include <algorithm>

#include "model/TextPrepass.h"
#include "vehicle/ParameterReader.h"

bool TContact::ReadPar(std::size_t axleCount, std::istream& in, std::ostream& log) {
  dataSets.clear();
  axleDataSets.clear();
  if (!AdhGen.ReadPar(in, log)) {
    log << "\nAdhGen.ReadPar() is not successfull.\n";
    return false;
  }
  if (!ReadDataSets(in, log)) return false;
  std::vector<unsigned> setIndex;
  if (!ReadAxleIndices(axleCount, in, log, setIndex)) return false;

  for (unsigned index : setIndex) axleDataSets.push_back(dataSets[index]);
  adhesionCapacity.assign(axleCount, 0.0);
  log << "\nTContact::ReadPar() successfully finished.\n";
  return in.good();
}

// HTIMPCT: the count, then three numbers per data set, regardless of line ends.
bool TContact::ReadDataSets(std::istream& in, std::ostream& log) {
  unsigned count = 0;
  FindKeyword(in, "HTIMPCT") >> count;
  if (in.fail()) {
    log << "\nHTIMPCT number reading error in TContact::ReadPar().\n";
    return false;
  }
  for (unsigned i = 0; i < count; ++i) {
    ContactDataSet set;
    in >> set.a >> set.b >> set.c;
    if (in.fail()) {
      log << "\nHTIMPCT data set reading error in TContact::ReadPar()."
          << "\nOnly " << i << "/" << count << " data set found.\n";
      return false;
    }
    set.mean = (set.a + set.b) / 2.0;
    dataSets.push_back(set);
  }
  return true;
}

// SETIDX: a number that is not used, then one data set index per axle on one line.
bool TContact::ReadAxleIndices(std::size_t axleCount, std::istream& in, std::ostream& log,
                               std::vector<unsigned>& setIndex) {
  unsigned unused = 0;
  FindKeyword(in, "SETIDX") >> unused;
  if (in.fail()) {
    log << "\nSETIDX number reading error in TContact::ReadPar().\n";
    return false;
  }
  if (axleCount == 0) return true;
  ReadLineList(in, setIndex);
  if (setIndex.size() != axleCount) {
    log << "\nSETIDX reading error in TContact::ReadPar().\n";
    return false;
  }
  const unsigned largest = *std::max_element(setIndex.begin(), setIndex.end());
  if (largest >= dataSets.size()) {
    log << "\nSETIDX value error in TContact::ReadPar()."
        << "\nMax(SETIDX)=" << largest << " HTIMPCT.size()=" << dataSets.size() << "\n";
    return false;
  }
  return true;
}

bool TContact::Compute(const std::vector<double>& normalForce,
                       const std::vector<double>& wheelSpeed,
                       const std::vector<double>& vehicleSpeed, const std::vector<double>& position,
                       const std::vector<double>* level) {
  const std::size_t axles = std::min(vehicleSpeed.size(), wheelSpeed.size());
  if (axles != normalForce.size() || position.size() < axles) return false;
  if (level != nullptr && level->size() < axles) return false;
  if (axles != 0 && !AdhGen.HasTable()) return false;
  if (adhesionCapacity.size() != axles) adhesionCapacity.resize(axles);
  if (availableAdhesion.size() != axles) availableAdhesion.resize(axles);
  for (std::size_t i = 0; i < axles; ++i) {
    const AdhesionCharacteristic& characteristic = AdhGen.Select(position[i]);
    const double slip = vehicleSpeed[i] - wheelSpeed[i];
    // The rail only pushes: a wheel whose normal force reaches 0 has lifted and
    // transmits nothing, rather than a reversed force.
    const double mu = characteristic.Coefficient(slip);
    const double factor = level != nullptr ? (*level)[i] : 1.0;
    const double levelled = level != nullptr ? mu * factor : mu;
    adhesionCapacity[i] = levelled * std::max(normalForce[i], 0.0);
    availableAdhesion[i] = characteristic.muStatic * factor;
  }
  return true;
}
