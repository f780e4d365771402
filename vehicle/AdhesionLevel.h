#pragma once

// The level of adhesion along the line, met by every axle where it stands.

#include <cstddef>
#include <ostream>
#include <vector>

#include "vehicle/LineCoupling.h"
#include "vehicle/LineTable.h"
#include "vehicle/OptionalSections.h"

// ADHLEVEL n, then n rows `position factor`: a factor on the coefficient of
// every adhesion characteristic from that line position on (1 ahead of the
// first row), so that a wet or leaf-covered stretch scales whatever ADHTBL
// selects. Each axle meets it where it stands itself: the leading axle
// reaches a patch first, the others as they come to it, and each leaves it
// again as it runs on (or back).
class TAdhesionLevel {
 public:
  // The section ADHLEVEL, when the file has one; 1 everywhere otherwise.
  bool ReadPar(const OptionalSections& sections, std::ostream& log);
  // Whether some stretch has a factor other than 1.
  bool Active() const { return table.OffNeutral(); }
  // Takes over where the wheels stand, where the line data fit the `axles`
  // axles; false, with the reason, while Active and they do not.
  bool SetPar(const LineCoupling* line, std::size_t axles, std::ostream& log);
  // The wheels' line places from the initial state.
  void Init(const std::vector<double>& initialState);
  // Per axle, the factor where it stands; `position` holds each wheelset's
  // displacement.
  const std::vector<double>& Factors(const std::vector<double>& position);
  // Whether the wheels' places along the line are known.
  bool HasPlaces() const { return !placeOffset.empty(); }
  // The line position of axle `axle` whose wheelset is displaced by
  // `displacement`; the displacement alone where the places are not known.
  double AxlePlace(std::size_t axle, double displacement) const {
    return axle < placeOffset.size() ? placeOffset[axle] + displacement : displacement;
  }
  double FactorAt(double position) const;
  // The largest factor anywhere.
  double Largest() const { return table.Largest(); }
  const LineTable& Table() const { return table; }

 private:
  LineTable table;
  std::vector<double> wheelPlace;
  unsigned carDisplacementIndex = 0;
  std::vector<double> placeOffset;  // per axle: its place less its displacement
  std::vector<std::size_t> cursor;  // per axle
  std::vector<double> factor;       // per axle, of the last evaluation
};
