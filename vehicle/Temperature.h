#pragma once

// Wheel temperatures. Present in the parameter sections and the state, not yet
// changed by any computation.

#include <array>
#include <istream>
#include <ostream>
#include <vector>

class TTemperature {
 public:
  // WHLTMP, with no values: one zeroed record of two values per axle.
  bool ReadPar(std::size_t axleCount, std::istream& in, std::ostream& log);
  // Both per-axle vectors sized to the record count and zeroed.
  void Init();

  const std::vector<std::array<double, 2>>& Records() const { return records; }
  const std::vector<double>& WheelTemperature() const { return wheelTemperature; }
  const std::vector<double>& WheelTemperatureCommitted() const { return wheelTemperatureCommitted; }

 private:
  std::vector<std::array<double, 2>> records;
  std::vector<double> wheelTemperature;
  std::vector<double> wheelTemperatureCommitted;
};
