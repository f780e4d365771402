#include "linalg/Matrix.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "linalg/JamaBridge.h"

namespace {

// Number of series terms after which the exponential gives up. Arguments whose
// series needs more terms are far outside the range of any sensible time step.
constexpr int kExponentialTermLimit = 1000;

}  // namespace

std::vector<double> RowMajor(const Matrix& a) {
  std::vector<double> elements;
  elements.reserve(static_cast<size_t>(a.num_rows()) * a.num_cols());
  for (int i = 0; i < a.num_rows(); ++i) {
    for (int j = 0; j < a.num_cols(); ++j) elements.push_back(a[i][j]);
  }
  return elements;
}

Matrix Identity(int n) {
  Matrix identity(n, n, 0.0);
  for (int i = 0; i < n; ++i) identity[i][i] = 1.0;
  return identity;
}

Matrix Scaled(double s, const Matrix& a) {
  Matrix scaled = a;
  for (int i = 0; i < a.num_rows(); ++i) {
    for (int j = 0; j < a.num_cols(); ++j) scaled[i][j] *= s;
  }
  return scaled;
}

double SumOfAbsolutes(const Matrix& a) {
  double sum = 0.0;
  for (int i = 0; i < a.num_rows(); ++i) {
    for (int j = 0; j < a.num_cols(); ++j) sum += std::fabs(a[i][j]);
  }
  return sum;
}

double SumOfAbsolutes(const Vector& v) {
  double sum = 0.0;
  for (int i = 0; i < v.dim(); ++i) sum += std::fabs(v[i]);
  return sum;
}

double MaxAbsolute(const Matrix& a) {
  double largest = 0.0;
  for (int i = 0; i < a.num_rows(); ++i) {
    for (int j = 0; j < a.num_cols(); ++j) largest = std::max(largest, std::fabs(a[i][j]));
  }
  return largest;
}

Matrix NormalizedByMaxAbsolute(const Matrix& a) {
  const double largest = MaxAbsolute(a);
  if (a.num_rows() == 0 || !(largest > 1e-16)) return a;
  Matrix scaled = a;
  for (int i = 0; i < a.num_rows(); ++i) {
    for (int j = 0; j < a.num_cols(); ++j) scaled[i][j] /= largest;
  }
  return scaled;
}

bool AllFinite(const Vector& v) {
  for (int i = 0; i < v.dim(); ++i) {
    if (!std::isfinite(v[i])) return false;
  }
  return true;
}

bool AllFinite(const Matrix& a) {
  for (int i = 0; i < a.num_rows(); ++i) {
    for (int j = 0; j < a.num_cols(); ++j) {
      if (!std::isfinite(a[i][j])) return false;
    }
  }
  return true;
}

Matrix Inverse(const Matrix& a) {
  const int n = a.num_rows();
  if (n == 0 || a.num_cols() != n) return Matrix();
  std::vector<double> inverse;
  if (!LuSolve(RowMajor(a), n, RowMajor(Identity(n)), n, inverse)) return Matrix();
  return Matrix(n, n, inverse.data());
}

int Rank(const Matrix& a) {
  if (a.num_rows() == 0 || a.num_cols() == 0 || !AllFinite(a)) return 0;
  const std::vector<double> s = SingularValues(RowMajor(a), a.num_rows(), a.num_cols());
  const double tolerance = std::max(a.num_rows(), a.num_cols()) * s[0] * std::pow(2.0, -52.0);
  int rank = 0;
  for (double value : s) {
    if (value > tolerance) ++rank;
  }
  return rank;
}

double ConditionNumber(const Matrix& a) {
  if (a.num_rows() == 0 || a.num_cols() == 0 || !AllFinite(a)) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  const std::vector<double> s = SingularValues(RowMajor(a), a.num_rows(), a.num_cols());
  const double smallest = s[std::min(a.num_rows(), a.num_cols()) - 1];
  if (smallest == 0.0) return std::numeric_limits<double>::infinity();
  return s[0] / smallest;
}

// E = I + X + X^2/2! + ... The series has settled when element (0, 0) no longer
// changes by the tolerance. That element alone can stall while others still
// move (every odd power of a rotation generator has a zero there), so the term
// just added must also be negligible against the sum.
bool Exponential(const Matrix& x, double tolerance, Matrix& result) {
  const int n = x.num_rows();
  Matrix power = x;
  result = Identity(n) + x;
  double factorial = 1.0;
  for (int k = 2; k <= kExponentialTermLimit; ++k) {
    power = power * x;
    const double previous = result[0][0];
    factorial *= k;
    const Matrix term = Scaled(1.0 / factorial, power);
    result = result + term;
    if (!std::isfinite(factorial) || !AllFinite(result)) return false;
    const bool settled = std::fabs(result[0][0] - previous) < tolerance;
    if (settled && MaxAbsolute(term) <= tolerance * std::max(1.0, MaxAbsolute(result))) return true;
  }
  return false;
}

void Print(std::ostream& out, const Matrix& a) {
  out << a.num_rows() << '\t' << a.num_cols() << '\n';
  out.setf(std::ios::scientific, std::ios::floatfield);
  out.precision(10);
  for (int i = 0; i < a.num_rows(); ++i) {
    for (int j = 0; j < a.num_cols(); ++j) out << a[i][j] << '\t';
    out << '\n';
  }
}
