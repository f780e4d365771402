#include "linalg/SingularValues.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

constexpr double kEpsilon = 0x1p-52;

// A tall m x n matrix (m >= n) stored column after column, so that the
// Householder steps, which all run down columns, read contiguous memory.
struct ColumnMajor {
  int m = 0;
  int n = 0;
  std::vector<double> data;
  double* Column(int j) { return data.data() + static_cast<std::size_t>(j) * m; }
};

// A wide matrix has the singular values of its transpose, whose columns are
// the rows of the matrix.
ColumnMajor TallColumns(const Matrix& a) {
  const int rows = a.num_rows();
  const int cols = a.num_cols();
  ColumnMajor tall;
  tall.m = std::max(rows, cols);
  tall.n = std::min(rows, cols);
  tall.data.resize(static_cast<std::size_t>(rows) * cols);
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      const std::size_t at = rows >= cols ? static_cast<std::size_t>(j) * rows + i
                                          : static_cast<std::size_t>(i) * cols + j;
      tall.data[at] = a[i][j];
    }
  }
  return tall;
}

// Householder reflection of column k from row k down; its norm, signed, goes
// to s[k] and the columns to the right are transformed.
void ReflectColumn(ColumnMajor& a, int k, std::vector<double>& s) {
  double* ak = a.Column(k);
  s[k] = 0.0;
  for (int i = k; i < a.m; ++i) s[k] = std::hypot(s[k], ak[i]);
  if (s[k] != 0.0) {
    if (ak[k] < 0.0) s[k] = -s[k];
    for (int i = k; i < a.m; ++i) ak[i] /= s[k];
    ak[k] += 1.0;
  }
  s[k] = -s[k];
}

// Householder reflection of row k right of the superdiagonal, held in e.
void ReflectRow(ColumnMajor& a, int k, std::vector<double>& e, std::vector<double>& work) {
  e[k] = 0.0;
  for (int i = k + 1; i < a.n; ++i) e[k] = std::hypot(e[k], e[i]);
  if (e[k] != 0.0) {
    if (e[k + 1] < 0.0) e[k] = -e[k];
    for (int i = k + 1; i < a.n; ++i) e[i] /= e[k];
    e[k + 1] += 1.0;
  }
  e[k] = -e[k];
  if (k + 1 < a.m && e[k] != 0.0) {
    for (int i = k + 1; i < a.m; ++i) work[i] = 0.0;
    for (int j = k + 1; j < a.n; ++j) {
      const double* aj = a.Column(j);
      for (int i = k + 1; i < a.m; ++i) work[i] += e[j] * aj[i];
    }
    for (int j = k + 1; j < a.n; ++j) {
      const double t = -e[j] / e[k + 1];
      double* aj = a.Column(j);
      for (int i = k + 1; i < a.m; ++i) aj[i] += t * work[i];
    }
  }
}

// Reduces A to bidiagonal form: diagonal in s, superdiagonal in e. Returns the
// order p of the bidiagonal.
int Bidiagonalize(ColumnMajor& a, std::vector<double>& s, std::vector<double>& e) {
  const int m = a.m;
  const int n = a.n;
  std::vector<double> work(m, 0.0);
  const int nct = std::min(m - 1, n);
  const int nrt = std::max(0, std::min(n - 2, m));
  for (int k = 0; k < std::max(nct, nrt); ++k) {
    if (k < nct) ReflectColumn(a, k, s);
    const double* ak = a.Column(k);
    for (int j = k + 1; j < n; ++j) {
      double* aj = a.Column(j);
      if (k < nct && s[k] != 0.0) {
        double t = 0.0;
        for (int i = k; i < m; ++i) t += ak[i] * aj[i];
        t = -t / ak[k];
        for (int i = k; i < m; ++i) aj[i] += t * ak[i];
      }
      e[j] = aj[k];
    }
    if (k < nrt) ReflectRow(a, k, e, work);
  }
  const int p = std::min(n, m + 1);
  if (nct < n) s[nct] = a.Column(nct)[nct];
  if (m < p) s[p - 1] = 0.0;
  if (nrt + 1 < p) e[nrt] = a.Column(p - 1)[nrt];
  e[p - 1] = 0.0;
  return p;
}

// Rotates away e[p - 2] when s[p - 1] is negligible.
void DeflateLast(int k, int p, std::vector<double>& s, std::vector<double>& e) {
  double f = e[p - 2];
  e[p - 2] = 0.0;
  for (int j = p - 2; j >= k; --j) {
    const double t = std::hypot(s[j], f);
    const double cs = s[j] / t;
    const double sn = f / t;
    s[j] = t;
    if (j != k) {
      f = -sn * e[j - 1];
      e[j - 1] = cs * e[j - 1];
    }
  }
}

// Splits the bidiagonal at a negligible s[k - 1].
void SplitAt(int k, int p, std::vector<double>& s, std::vector<double>& e) {
  double f = e[k - 1];
  e[k - 1] = 0.0;
  for (int j = k; j < p; ++j) {
    const double t = std::hypot(s[j], f);
    const double cs = s[j] / t;
    const double sn = f / t;
    s[j] = t;
    f = -sn * e[j];
    e[j] = cs * e[j];
  }
}

// One implicitly shifted QR step on the block k .. p - 1, shift from its
// trailing 2 x 2.
void QrStep(int k, int p, std::vector<double>& s, std::vector<double>& e) {
  const double scale = std::max(
      std::max(std::max(std::max(std::fabs(s[p - 1]), std::fabs(s[p - 2])), std::fabs(e[p - 2])),
               std::fabs(s[k])),
      std::fabs(e[k]));
  const double sp = s[p - 1] / scale;
  const double spm1 = s[p - 2] / scale;
  const double epm1 = e[p - 2] / scale;
  const double sk = s[k] / scale;
  const double ek = e[k] / scale;
  const double b = ((spm1 + sp) * (spm1 - sp) + epm1 * epm1) / 2.0;
  const double c = (sp * epm1) * (sp * epm1);
  double shift = 0.0;
  if (b != 0.0 || c != 0.0) {
    shift = std::sqrt(b * b + c);
    if (b < 0.0) shift = -shift;
    shift = c / (b + shift);
  }
  double f = (sk + sp) * (sk - sp) + shift;
  double g = sk * ek;
  for (int j = k; j < p - 1; ++j) {
    double t = std::hypot(f, g);
    double cs = f / t;
    double sn = g / t;
    if (j != k) e[j - 1] = t;
    f = cs * s[j] + sn * e[j];
    e[j] = cs * e[j] - sn * s[j];
    g = sn * s[j + 1];
    s[j + 1] = cs * s[j + 1];
    t = std::hypot(f, g);
    cs = f / t;
    sn = g / t;
    s[j] = t;
    f = cs * e[j] + sn * s[j + 1];
    s[j + 1] = -sn * e[j] + cs * s[j + 1];
    g = sn * e[j + 1];
    e[j + 1] = cs * e[j + 1];
  }
  e[p - 2] = f;
}

// Makes s[k] non-negative and moves it down into descending order.
void Converge(int k, int last, std::vector<double>& s) {
  if (s[k] <= 0.0) s[k] = s[k] < 0.0 ? -s[k] : 0.0;
  while (k < last && s[k] < s[k + 1]) {
    std::swap(s[k], s[k + 1]);
    ++k;
  }
}

// What the next pass does with the trailing unreduced block: deflate a
// negligible s[p - 1], split at a negligible s[k], take a QR step, or accept
// s[p - 1] as converged. `k` receives the first row of the block.
enum class Pass { DeflateLast, Split, QrStep, Converged };

Pass NextPass(int p, std::vector<double>& s, std::vector<double>& e, int& k) {
  for (k = p - 2; k >= 0; --k) {
    if (std::fabs(e[k]) <= kEpsilon * (std::fabs(s[k]) + std::fabs(s[k + 1]))) {
      e[k] = 0.0;
      break;
    }
  }
  if (k == p - 2) {
    ++k;
    return Pass::Converged;
  }
  int ks = p - 1;
  for (; ks > k; --ks) {
    const double t =
        (ks != p ? std::fabs(e[ks]) : 0.0) + (ks != k + 1 ? std::fabs(e[ks - 1]) : 0.0);
    if (std::fabs(s[ks]) <= kEpsilon * t) {
      s[ks] = 0.0;
      break;
    }
  }
  Pass pass = Pass::Split;
  if (ks == k) {
    pass = Pass::QrStep;
  } else if (ks == p - 1) {
    pass = Pass::DeflateLast;
  } else {
    k = ks;
  }
  ++k;
  return pass;
}

}  // namespace

std::vector<double> SingularValues(const Matrix& a) {
  if (a.num_rows() == 0 || a.num_cols() == 0) return {};
  ColumnMajor tall = TallColumns(a);
  std::vector<double> s(tall.n, 0.0);
  std::vector<double> e(tall.n, 0.0);
  int p = Bidiagonalize(tall, s, e);
  const int last = p - 1;
  while (p > 0) {
    int k = 0;
    switch (NextPass(p, s, e, k)) {
      case Pass::DeflateLast:
        DeflateLast(k, p, s, e);
        break;
      case Pass::Split:
        SplitAt(k, p, s, e);
        break;
      case Pass::QrStep:
        QrStep(k, p, s, e);
        break;
      case Pass::Converged:
        Converge(k, last, s);
        --p;
        break;
    }
  }
  return s;
}
