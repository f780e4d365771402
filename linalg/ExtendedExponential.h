#pragma once

// The matrix exponential in extended precision, as a check of the double
// one: where e^X is badly conditioned (a mode so stiff that ||X|| reaches
// 1e8 and more), the double computation loses digits in proportion to ||X||
// and the extended one about 2^11 times fewer, so their difference shows how
// many digits the double result has left.

#include "linalg/Matrix.h"

// e^X by scaling and squaring with the Taylor series, every sum and product in
// long double (a 64-bit significand on x86): X is halved until its 1-norm is
// at most 1/2, the series is summed until its terms no longer change the sum,
// and the result squared back. False, with `result` unspecified, when X is
// empty, not square or not finite, or e^X overflows a double.
bool ExtendedExponential(const Matrix& x, Matrix& result);
