#pragma once

// Adhesion characteristics of the wheel-rail contact and their selection along
// the track.

#include <istream>
#include <ostream>
#include <vector>

// The adhesion coefficient falls exponentially with the slip velocity s from
// muStatic towards muStatic * limitRatio:
//   mu(s) = muDecaying exp(-|s| / decayVelocity) + muFloor.
// The shape terms (shapeScale, shapeExponent) define Tmax so that the static
// adhesion at Tmax is exactly 1; a characteristic for which that does not hold
// has parameters outside the domain of the formulas and is refused.
struct AdhesionCharacteristic {
  double muStatic = 0.0;
  double limitRatio = 0.0;
  double decayVelocity = 0.0;
  double shapeScale = 0.0;
  double shapeExponent = 0.0;
  double muFloor = 0.0;     // muStatic * limitRatio
  double muDecaying = 0.0;  // (1 - limitRatio) * muStatic
  double Tmax = 0.0;        // shapeScale * (1/muStatic - 1)^(1/shapeExponent)

  // Reads one line of five numbers, derives the dependent fields, checks the
  // normalisation and that the friction stays positive and does not grow with
  // slip, logging what is wrong.
  bool Read(std::istream& in, std::ostream& log);
  // The adhesion coefficient at slip velocity `slip`.
  double Coefficient(double slip) const;

 private:
  bool HasPhysicalShape(std::ostream& log) const;
};

// The characteristics of ADHSET and the selection table of ADHTBL: Switch_idx[k]
// applies to positions in (Switch_x[k-1], Switch_x[k]], the first entry up to
// Switch_x[0] and the last one beyond the last breakpoint.
class TAdhesionGenerator {
 public:
  bool ReadPar(std::istream& in, std::ostream& log);
  void Init() { switchCursor = 0; }
  // The switch the track position has reached, as SwitchCursor gave it.
  void RestoreSwitchCursor(unsigned cursor) { switchCursor = cursor; }
  // The characteristic at `position`. The cursor only moves forward and is shared
  // by all axles: the entry found for one axle is where the search for the next
  // one starts. Needs a table with at least one entry.
  const AdhesionCharacteristic& Select(double position);

  bool HasTable() const { return !Switch_x.empty(); }
  const std::vector<AdhesionCharacteristic>& Characteristics() const { return Adhs; }
  const std::vector<double>& SwitchPositions() const { return Switch_x; }
  const std::vector<unsigned>& SwitchIndices() const { return Switch_idx; }
  unsigned SwitchCursor() const { return switchCursor; }

 private:
  bool ReadCharacteristics(std::istream& in, std::ostream& log);
  bool ReadSelectionTable(std::istream& in, std::ostream& log);

  std::vector<AdhesionCharacteristic> Adhs;
  std::vector<double> Switch_x;
  std::vector<unsigned> Switch_idx;
  unsigned switchCursor = 0;
};
