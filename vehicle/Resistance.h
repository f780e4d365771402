#pragma once

// The running resistance of the whole vehicle.

#include <array>
#include <istream>
#include <ostream>
#include <vector>

// Quadratic in the mean vehicle speed and against its direction; of the seven
// coefficients only the quadratic one is used so far. The per-axle resistance
// terms take part in the axle torque balance and in the linear model's input,
// and stay zero for now.
class TResistance {
 public:
  // RESIST: seven coefficients, the quadratic one first.
  bool ReadPar(std::istream& in, std::ostream& log);
  // totalResistance = c0 v |v| with v the mean vehicle speed: the traction less
  // it slows a vehicle in either direction. Sizes the per-axle terms to the axle
  // count. False when the four vectors differ in length.
  bool Compute(const std::vector<double>& vehicleSpeed, const std::vector<double>& normalForce,
               const std::vector<double>& wheelSpeed, const std::vector<double>& position);

  double TotalResistance() const { return totalResistance; }
  const std::vector<double>& AxleResistance() const { return axleResistance; }
  const std::vector<double>& AxleResistanceA() const { return axleResistanceA; }
  const std::vector<double>& AxleResistanceB() const { return axleResistanceB; }

 private:
  std::array<double, 7> resistanceCoefficients{};
  std::vector<double> axleResistance;
  std::vector<double> axleResistanceA;
  std::vector<double> axleResistanceB;
  double totalResistance = 0.0;
};
