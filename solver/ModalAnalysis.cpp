#include "solver/ModalAnalysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

#include "linalg/EigenDecomposition.h"

namespace {

// Eigenvalues within this fraction of the largest magnitude are zero: a free
// body's double zero comes out of the decomposition split by about the square
// root of the rounding error times the largest eigenvalue (1.8e-7 against 190
// for the shipped vehicle), far below it.
constexpr double kZeroFraction = 1e-6;

// One eigenvalue of A, or one complex pair, with its eigenvector's
// displacement half.
struct Eigen {
  std::complex<double> lambda;
  int count;  // eigenvalues it stands for: 2 for a pair
  std::vector<std::complex<double>> displacement;
};

// Whether (i, i + 1) of D holds a complex pair: omega above, -omega below.
bool PairAt(const Matrix& d, int i) {
  return i + 1 < d.num_rows() && d[i][i + 1] != 0.0;
}

double LargestMagnitude(const Matrix& d) {
  double largest = 0.0;
  for (int i = 0; i < d.num_rows(); ++i) {
    const double omega = PairAt(d, i) ? d[i][i + 1] : 0.0;
    largest = std::max(largest, std::abs(std::complex<double>(d[i][i], omega)));
  }
  return largest;
}

// Column `re` of T (and `im` as its imaginary part, unless negative): the
// displacement half of an eigenvector.
std::vector<std::complex<double>> Displacement(const Matrix& t, int re, int im) {
  const int n = t.num_rows() / 2;
  std::vector<std::complex<double>> q;
  for (int j = 0; j < n; ++j) q.emplace_back(t[n + j][re], im < 0 ? 0.0 : t[n + j][im]);
  return q;
}

// Columns i and i + 1 of T hold the real and imaginary part of a pair's
// vector. A pair whose omega lies within `zero` is a double real eigenvalue
// that rounding split (the pitch of two equal bogies): two real modes, whose
// vectors span the same plane as the two columns.
std::vector<Eigen> CollectEigen(const Matrix& d, const Matrix& t, double zero) {
  std::vector<Eigen> eigen;
  for (int i = 0; i < d.num_rows();) {
    if (!PairAt(d, i)) {
      eigen.push_back({{d[i][i], 0.0}, 1, Displacement(t, i, -1)});
      i += 1;
      continue;
    }
    const double omega = std::fabs(d[i][i + 1]);
    if (omega > zero || std::fabs(d[i][i]) <= zero) {
      eigen.push_back({{d[i][i], omega}, 2, Displacement(t, i, i + 1)});
    } else {
      eigen.push_back({{d[i][i], 0.0}, 1, Displacement(t, i, -1)});
      eigen.push_back({{d[i][i], 0.0}, 1, Displacement(t, i + 1, -1)});
    }
    i += 2;
  }
  return eigen;
}

// Kinetic energy of freedom j in the mode: m_j |lambda q_j|^2 / 2, so its share
// is m_j |q_j|^2 over the sum. The sign says whether q_j swings with the
// leading freedom (the cosine of their phase difference is positive) or
// against it.
std::vector<ModeFreedom> ShapeOf(const std::vector<std::complex<double>>& q,
                                 const std::vector<double>& masses) {
  std::vector<double> energy(q.size());
  double total = 0.0;
  for (std::size_t j = 0; j < q.size(); ++j) {
    energy[j] = std::fabs(masses[j]) * std::norm(q[j]);
    total += energy[j];
  }
  if (!(total > 0.0)) return {};
  std::vector<std::size_t> order(q.size());
  for (std::size_t j = 0; j < order.size(); ++j) order[j] = j;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t x, std::size_t y) { return energy[x] > energy[y]; });
  const std::complex<double> lead = q[order.front()];
  std::vector<ModeFreedom> shape;
  for (std::size_t j : order) {
    const double share = energy[j] / total;
    if (!shape.empty() && share < kShapeShare) break;
    shape.push_back({j, share, std::real(q[j] * std::conj(lead)) < 0.0});
  }
  return shape;
}

Mode ModeOf(const Eigen& entry, const std::vector<double>& masses) {
  const double twoPi = 2.0 * std::numbers::pi;
  const double magnitude = std::abs(entry.lambda);
  Mode mode;
  mode.dampedFrequency = entry.lambda.imag() / twoPi;
  mode.naturalFrequency = magnitude / twoPi;
  mode.dampingRatio = -entry.lambda.real() / magnitude;
  mode.shape = ShapeOf(entry.displacement, masses);
  return mode;
}

Mode RigidBodyMode(const Eigen& entry, const std::vector<double>& masses) {
  Mode mode;
  mode.dampingRatio = std::numeric_limits<double>::quiet_NaN();
  mode.rigidBody = true;
  mode.shape = ShapeOf(entry.displacement, masses);
  return mode;
}

}  // namespace

bool FindModes(const Matrix& a, const std::vector<double>& masses, std::vector<Mode>& modes) {
  const int size = a.num_rows();
  if (size == 0 || size % 2 != 0 || a.num_cols() != size ||
      masses.size() != static_cast<std::size_t>(size / 2)) {
    return false;
  }
  Matrix d;
  Matrix t;
  if (!EigenDecompose(a, d, t)) return false;
  const double zero = kZeroFraction * LargestMagnitude(d);
  const std::vector<Eigen> eigen = CollectEigen(d, t, zero);

  std::vector<const Eigen*> zeros;
  int zeroCount = 0;
  modes.clear();
  for (const Eigen& entry : eigen) {
    if (std::abs(entry.lambda) <= zero) {
      zeros.push_back(&entry);
      zeroCount += entry.count;
    } else {
      modes.push_back(ModeOf(entry, masses));
    }
  }
  const int rigidModes = (zeroCount + 1) / 2;
  for (int k = 0; k < rigidModes; ++k) {
    const std::size_t which = std::min(static_cast<std::size_t>(k), zeros.size() - 1);
    modes.push_back(RigidBodyMode(*zeros[which], masses));
  }
  std::stable_sort(modes.begin(), modes.end(), [](const Mode& x, const Mode& y) {
    if (x.rigidBody != y.rigidBody) return x.rigidBody;
    return x.naturalFrequency < y.naturalFrequency;
  });
  return true;
}

bool WithAddedMass(const Matrix& a, const Matrix& mass, const std::vector<double>& addedMass,
                   Matrix& result) {
  const int n = mass.num_rows();
  if (mass.num_cols() != n || a.num_rows() != 2 * n || a.num_cols() != 2 * n ||
      addedMass.size() != static_cast<std::size_t>(n)) {
    return false;
  }
  Matrix heavier = mass;
  for (int j = 0; j < n; ++j) heavier[j][j] += addedMass[static_cast<std::size_t>(j)];
  const Matrix inverse = Inverse(heavier);
  if (inverse.num_rows() != n || !AllFinite(inverse)) return false;
  const Matrix scale = Multiply(inverse, mass);
  result = a;
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < 2 * n; ++k) {
      double sum = 0.0;
      for (int j = 0; j < n; ++j) sum += scale[i][j] * a[j][k];
      result[i][k] = sum;
    }
  }
  return true;
}
