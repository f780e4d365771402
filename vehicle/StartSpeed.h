#pragma once

// A start at speed.

#include <ostream>
#include <vector>

#include "vehicle/LineCoupling.h"
#include "vehicle/OptionalSections.h"

// V0 speed: the vehicle starts running at `speed` [m/s] along the track:
// every body with a longitudinal freedom at that speed (added to Y0's), every
// wheel rolling at it, the suspension as Y0 leaves it (at rest for a Y0 of
// zeros). 0 (and a missing section) starts the vehicle as Y0 says, with the
// wheels at rest.
class TStartSpeed {
 public:
  static constexpr double kFastest = 200.0;  // m/s

  // The section V0, when the file has one; 0 otherwise.
  bool ReadPar(const OptionalSections& sections, std::ostream& log);
  bool Active() const { return speed != 0.0; }
  // Takes over the bodies' speed entries; false, with the reason, while
  // Active and the vehicle was handed none.
  bool SetPar(const LineCoupling* line, std::ostream& log);
  // Adds the speed to every body's longitudinal speed in `state`.
  void Apply(std::vector<double>& state) const;
  double Speed() const { return speed; }

 private:
  double speed = 0.0;
  std::vector<unsigned> speedIndex;
};
