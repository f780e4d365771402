#include "linalg/Matrix.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "linalg/JamaBridge.h"
#include "linalg/SingularValues.h"

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

Matrix Multiply(const Matrix& a, const Matrix& b) {
  const int rows = a.num_rows();
  const int inner = a.num_cols();
  const int cols = b.num_cols();
  Matrix product(rows, cols, 0.0);
  for (int i = 0; i < rows; ++i) {
    double* out = product[i];
    const double* left = a[i];
    for (int k = 0; k < inner; ++k) {
      const double factor = left[k];
      if (factor == 0.0) continue;
      const double* right = b[k];
      for (int j = 0; j < cols; ++j) out[j] += factor * right[j];
    }
  }
  return product;
}

RankAndCondition RankAndConditionOf(const Matrix& a) {
  if (a.num_rows() == 0 || a.num_cols() == 0 || !AllFinite(a)) {
    return {0, std::numeric_limits<double>::quiet_NaN()};
  }
  const std::vector<double> s = SingularValues(a);
  if (s.empty()) return {0, std::numeric_limits<double>::quiet_NaN()};
  const double tolerance = std::max(a.num_rows(), a.num_cols()) * s[0] * 0x1p-52;
  RankAndCondition result;
  for (double value : s) {
    if (value > tolerance) ++result.rank;
  }
  result.condition = s.back() == 0.0 ? std::numeric_limits<double>::infinity() : s[0] / s.back();
  return result;
}

int Rank(const Matrix& a) {
  return RankAndConditionOf(a).rank;
}

double ConditionNumber(const Matrix& a) {
  return RankAndConditionOf(a).condition;
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
