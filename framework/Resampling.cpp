#include "framework/Resampling.h"

#include <algorithm>
#include <cmath>

namespace {

// Truncation of a quotient that should often be a whole number: in binary
// floating point 29 * 0.01 / 0.005 is 57.999..., which would read row 57
// instead of 58. A relative tolerance far below one row absorbs that rounding.
int TruncateQuotient(double quotient) {
  return static_cast<int>(std::trunc(quotient + 1e-9 * std::max(1.0, std::fabs(quotient))));
}

}  // namespace

int ResampledStepCount(int rows, double timeStep) {
  if (rows <= 0 || !(timeStep > 0.0)) return 0;
  return TruncateQuotient(rows * kHistorySamplePeriod / timeStep);
}

int ResampledRow(int step, double timeStep) {
  return TruncateQuotient(step * timeStep / kHistorySamplePeriod);
}
