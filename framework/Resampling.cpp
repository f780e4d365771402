#include "framework/Resampling.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Truncation of a quotient that should often be a whole number: in binary
// floating point 29 * 0.01 / 0.005 is 57.999..., which would read row 57
// instead of 58. A relative tolerance far above that rounding (a few units in
// the last place) and, up to the largest int, far below one row absorbs it.
double WithTolerance(double quotient) {
  return quotient + 1e-12 * std::max(1.0, std::fabs(quotient));
}

int TruncateQuotient(double quotient) {
  return static_cast<int>(std::trunc(WithTolerance(quotient)));
}

}  // namespace

bool ResampledStepCountFits(int rows, double timeStep) {
  const double limit = static_cast<double>(std::numeric_limits<int>::max()) + 1.0;
  return rows <= 0 || !(timeStep > 0.0) ||
         WithTolerance(rows * kHistorySamplePeriod / timeStep) < limit;
}

int ResampledStepCount(int rows, double timeStep) {
  if (rows <= 0 || !(timeStep > 0.0) || !ResampledStepCountFits(rows, timeStep)) return 0;
  return TruncateQuotient(rows * kHistorySamplePeriod / timeStep);
}

int ResampledRow(int step, double timeStep) {
  return TruncateQuotient(step * timeStep / kHistorySamplePeriod);
}
