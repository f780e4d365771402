#pragma once

// The modes of a linear mechanical system x' = A x whose state holds every
// freedom's velocity, then every freedom's displacement: each eigenvalue of A
// (a complex pair once) as frequencies and a damping ratio, and the freedoms
// that carry most of the mode's kinetic energy.

#include <cstddef>
#include <vector>

#include "linalg/Matrix.h"

// A freedom's part in a mode.
struct ModeFreedom {
  std::size_t freedom = 0;  // position in the freedom list
  double share = 0.0;       // of the mode's kinetic energy, 0 to 1
  bool opposite = false;    // moves against the mode's leading freedom
};

// One mode, for the eigenvalue lambda = sigma + i omega.
struct Mode {
  double dampedFrequency = 0.0;   // Hz: |omega| / 2 pi; 0 for a motion without oscillation
  double naturalFrequency = 0.0;  // Hz: |lambda| / 2 pi
  // -sigma / |lambda|: below 1 for an oscillation; 1 for a real eigenvalue of a
  // motion that dies away, -1 for one that grows; NaN for a rigid-body mode.
  double dampingRatio = 0.0;
  bool rigidBody = false;  // a free motion: eigenvalue 0
  // The freedoms of at least kShapeShare of the kinetic energy, the largest
  // share first; the first one at least.
  std::vector<ModeFreedom> shape;
};

// A freedom belongs to a mode's shape from this share of its energy on.
inline constexpr double kShapeShare = 0.05;

// The modes of A (2n x 2n), lowest natural frequency first, rigid-body modes
// (eigenvalues within 1e-6 of the largest magnitude of 0) first of all. A free
// body gives a double zero eigenvalue, which makes one rigid-body mode: the
// zero eigenvalues give half as many modes, rounded up. `masses` holds the n
// diagonal elements of the mass matrix, with which the shares of the kinetic
// energy are weighed. False when A is not square of even order, `masses` has
// not n elements, or A cannot be decomposed (see EigenDecompose).
bool FindModes(const Matrix& a, const std::vector<double>& masses, std::vector<Mode>& modes);

// The system matrix of the same mechanics with `addedMass` (one value per
// freedom) moving along with each freedom. M q'' = -D q' - S q becomes
// (M + dM) q'' = -D q' - S q, so the acceleration rows of A (the first n) are
// multiplied by (M + dM)^-1 M and the rest stay. False when the sizes do not
// fit or M + dM is singular.
bool WithAddedMass(const Matrix& a, const Matrix& mass, const std::vector<double>& addedMass,
                   Matrix& result);
