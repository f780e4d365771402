#pragma once

// The wheel-rail contact of every axle: how much longitudinal force it can carry.

#include <istream>
#include <ostream>
#include <vector>

#include "vehicle/AdhesionGenerator.h"

// One HTIMPCT data set as read, with the mean of its first two values.
struct ContactDataSet {
  double a = 0.0;
  double b = 0.0;
  double c = 0.0;
  double mean = 0.0;  // (a + b) / 2
};

// The adhesion capacity of axle i is mu(slip) times its normal force, with the
// characteristic that applies at the wheel's position; never below 0.
class TContact {
 public:
  // The adhesion generator's sections, then HTIMPCT and SETIDX: every axle gets
  // its own copy of the data set its index names.
  bool ReadPar(std::size_t axleCount, std::istream& in, std::ostream& log);
  void Init() { AdhGen.Init(); }
  void RestoreSwitchCursor(unsigned cursor) { AdhGen.RestoreSwitchCursor(cursor); }
  // adhesionCapacity[i] = mu(vehicleSpeed[i] - wheelSpeed[i]) * normalForce[i],
  // 0 for a lifted wheel (a normal force of 0 or below); mu times level[i]
  // where a level factor is given (TAdhesionLevel). False, changing nothing,
  // when the lengths do not fit together.
  bool Compute(const std::vector<double>& normalForce, const std::vector<double>& wheelSpeed,
               const std::vector<double>& vehicleSpeed, const std::vector<double>& position,
               const std::vector<double>* level = nullptr);

  const TAdhesionGenerator& AdhesionGenerator() const { return AdhGen; }
  const std::vector<ContactDataSet>& AxleDataSets() const { return axleDataSets; }
  const std::vector<double>& AdhesionCapacity() const { return adhesionCapacity; }
  // Per axle, the adhesion coefficient at zero slip of the last evaluation:
  // muStatic of the characteristic it met, times its level factor.
  const std::vector<double>& AvailableAdhesion() const { return availableAdhesion; }

 private:
  bool ReadDataSets(std::istream& in, std::ostream& log);
  bool ReadAxleIndices(std::size_t axleCount, std::istream& in, std::ostream& log,
                       std::vector<unsigned>& setIndex);

  TAdhesionGenerator AdhGen;
  std::vector<ContactDataSet> dataSets;
  std::vector<ContactDataSet> axleDataSets;
  std::vector<double> adhesionCapacity;
  std::vector<double> availableAdhesion;
};
