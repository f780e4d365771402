#include "linalg/EigenDecomposition.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "linalg/JamaBridge.h"

namespace {

// Shrink factor of the comb sort's gap.
constexpr double kCombShrink = 1.247330950103979;

// Magnitude below which an eigenvalue counts as zero for the Jordan test.
constexpr double kZeroEigenvalue = 1e-10;
// Magnitude up to which the last block still counts as the double zero.
constexpr double kRigidBodyEigenvalue = 1e-4;
// Magnitude below which the last pivot counts as vanished.
constexpr double kVanishedPivot = 1e-10;
// JAMA's QR iterations test convergence against eps times a norm. Once squares of
// the elements overflow, or the whole matrix is so small that they fall into the
// denormals, that test never passes and the iteration does not end.
constexpr double kLargestDecomposable = 1e150;
constexpr double kSmallestDecomposable = 1e-150;

// A diagonal block of the sorted D: the old columns it takes, in their new order.
struct EigenBlock {
  double key;  // smallest real part
  int columns[2];
  int size;
  bool complex;
};

// Comb sort of `keys` in ascending order (strict comparison); `order` moves along.
void CombSort(std::vector<double>& keys, std::vector<int>& order) {
  const int count = static_cast<int>(keys.size());
  int gap = count;
  bool swapped = true;
  while (gap > 1 || swapped) {
    gap = std::max(1, static_cast<int>(gap / kCombShrink));
    swapped = false;
    for (int j = gap; j < count; ++j) {
      if (keys[j] < keys[j - gap]) {
        std::swap(keys[j], keys[j - gap]);
        std::swap(order[j], order[j - gap]);
        swapped = true;
      }
    }
  }
}

// Splits the diagonal of D into complex pairs, wherever they sit, and real
// eigenvalues; the reals are sorted and joined two by two into blocks, so that
// a pair is never split however many reals precede it.
std::vector<EigenBlock> CollectBlocks(const Matrix& d) {
  const int n = d.num_rows();
  std::vector<EigenBlock> blocks;
  std::vector<double> reals;
  std::vector<int> realColumns;
  for (int i = 0; i < n;) {
    if (i + 1 < n && (d[i][i + 1] != 0.0 || d[i + 1][i] != 0.0)) {
      // Positive imaginary part first, so the block reads [[s, w], [-w, s]] with w > 0.
      const bool flip = d[i + 1][i] > d[i][i + 1];
      blocks.push_back({d[i][i], {flip ? i + 1 : i, flip ? i : i + 1}, 2, true});
      i += 2;
    } else {
      reals.push_back(d[i][i]);
      realColumns.push_back(i);
      i += 1;
    }
  }
  CombSort(reals, realColumns);
  for (size_t k = 0; k < reals.size(); k += 2) {
    const bool single = k + 1 == reals.size();
    blocks.push_back({reals[k],
                      {realColumns[k], single ? realColumns[k] : realColumns[k + 1]},
                      single ? 1 : 2,
                      false});
  }
  return blocks;
}

// Gaussian elimination with partial pivoting of W = [A | b] in place, pivots
// searched among the first `cols` rows. A zero pivot is not caught: it leaves
// infinite or NaN entries, which the caller detects.
void Eliminate(Matrix& w, int cols) {
  const int rows = w.num_rows();
  for (int l = 0; l < cols; ++l) {
    int pivot = l;
    for (int p = l + 1; p < cols; ++p) {
      if (std::fabs(w[p][l]) > std::fabs(w[pivot][l])) pivot = p;
    }
    if (pivot != l) {
      for (int j = 0; j <= cols; ++j) std::swap(w[pivot][j], w[l][j]);
    }
    for (int m = l + 1; m < rows; ++m) {
      const double factor = w[m][l] / w[l][l];
      for (int j = l; j <= cols; ++j) w[m][j] -= factor * w[l][j];
    }
  }
}

bool IsSquare(const Matrix& a, int n) {
  return a.num_rows() == n && a.num_cols() == n;
}

}  // namespace

bool EigenDecompose(const Matrix& a, Matrix& d, Matrix& t) {
  const int n = a.num_rows();
  if (n == 0 || !IsSquare(a, n) || !AllFinite(a)) return false;
  const double largest = MaxAbsolute(a);
  if (largest > kLargestDecomposable || (largest > 0.0 && largest < kSmallestDecomposable)) {
    return false;
  }
  std::vector<double> real;
  std::vector<double> imag;
  std::vector<double> vectors;
  EigenSystem(RowMajor(a), n, real, imag, vectors);
  d = Matrix(n, n, 0.0);
  for (int i = 0; i < n; ++i) {
    d[i][i] = real[i];
    if (imag[i] > 0.0 && i + 1 < n) {
      d[i][i + 1] = imag[i];
    } else if (imag[i] < 0.0 && i > 0) {
      d[i][i - 1] = imag[i];
    }
  }
  t = Matrix(n, n, vectors.data());
  return true;
}

void SortEigenBlocks(Matrix& d, Matrix& t) {
  const int n = d.num_rows();
  const std::vector<EigenBlock> blocks = CollectBlocks(d);
  std::vector<double> keys;
  std::vector<int> order;
  for (size_t k = 0; k < blocks.size(); ++k) {
    keys.push_back(blocks[k].key);
    order.push_back(static_cast<int>(k));
  }
  CombSort(keys, order);

  Matrix sortedD(n, n, 0.0);
  Matrix sortedT(t.num_rows(), n, 0.0);
  int next = 0;
  for (int k : order) {
    const EigenBlock& block = blocks[k];
    for (int a = 0; a < block.size; ++a) {
      for (int b = 0; b < block.size; ++b) {
        if (block.complex || a == b) {
          sortedD[next + a][next + b] = d[block.columns[a]][block.columns[b]];
        }
      }
      for (int row = 0; row < t.num_rows(); ++row) {
        sortedT[row][next + a] = t[row][block.columns[a]];
      }
    }
    next += block.size;
  }
  d = sortedD;
  t = sortedT;
}

bool JordanApplicable(const Matrix& d, const Matrix& t, const Matrix& a) {
  const int n = a.num_rows();
  if (n < 2 || !IsSquare(a, n) || !IsSquare(d, n) || !IsSquare(t, n)) return false;
  for (int j = 0; j < n - 2; ++j) {
    if (!(std::fabs(d[j][j]) >= kZeroEigenvalue)) return false;
  }
  return std::fabs(d[n - 2][n - 2]) <= kRigidBodyEigenvalue &&
         std::fabs(d[n - 1][n - 1]) <= kRigidBodyEigenvalue;
}

// For a double zero eigenvalue with a single eigenvector, A x1 = 0 and
// A x2 = x1 give the chain with A [x1 x2] = [x1 x2] [[0, 1], [0, 0]]; the
// other columns of T stay eigenvectors, so A S = S J.
bool JordanChain(const Matrix& d, const Matrix& a, const Matrix& t, Matrix& j, Matrix& s) {
  j = d;
  s = t;
  const int n = a.num_rows();
  if (n < 2 || !IsSquare(a, n) || !IsSquare(d, n) || !IsSquare(t, n)) return false;
  Vector x1;
  Vector x2;
  if (!SolveWithFreeLastVariable(a, Vector(n, 0.0), x1) || !SolveWithFreeLastVariable(a, x1, x2)) {
    return false;
  }
  for (int row = 0; row < n; ++row) {
    s[row][n - 2] = x1[row];
    s[row][n - 1] = x2[row];
  }
  j[n - 2][n - 2] = 0.0;
  j[n - 1][n - 1] = 0.0;
  j[n - 2][n - 1] = 1.0;
  return true;
}

void ReportJordan(std::ostream& log, const Matrix& a, const Matrix& j, const Matrix& s,
                  const Matrix& sInverse, bool chainFound) {
  const int n = s.num_cols();
  if (chainFound) {
    Vector x1(n, 0.0);
    Vector x2(n, 0.0);
    for (int row = 0; row < n; ++row) {
      x1[row] = s[row][n - 2];
      x2[row] = s[row][n - 1];
    }
    log << "\n|Total error of first non-trivial eigenvector = " << SumOfAbsolutes(a * x1) << "\n";
    log << "\n|Total error of second non-trivial eigenvector = " << SumOfAbsolutes(x1 - a * x2)
        << "\n";
  }
  log << "\n|J =\n";
  Print(log, j);
  log << "\n|S =\n";
  Print(log, s);
  if (sInverse.num_rows() == 0) {
    log << "Error - Transformation matrix 'S' is singular!\n";
    return;
  }
  const Matrix error = a - Multiply(s, Multiply(j, sInverse));
  log << "\n|Total error of decomposition (A-SJS') = " << SumOfAbsolutes(error) << "\n";
  log << "\n|Maximum error = " << MaxAbsolute(error) << "\n";
}

bool JordanDecompose(const Matrix& d, const Matrix& a, const Matrix& t, std::ostream& log,
                     Matrix& j, Matrix& s) {
  const int n = a.num_rows();
  if (n < 2 || !IsSquare(a, n) || !IsSquare(d, n) || !IsSquare(t, n)) {
    j = d;
    s = t;
    return false;
  }
  const bool chainFound = JordanChain(d, a, t, j, s);
  const Matrix sInverse = Inverse(s);
  ReportJordan(log, a, j, s, sInverse, chainFound);
  if (sInverse.num_rows() == 0) {
    j = d;
    s = t;
    return false;
  }
  return chainFound;
}

bool SolveWithFreeLastVariable(const Matrix& a, const Vector& b, Vector& x) {
  const int rows = a.num_rows();
  const int cols = a.num_cols();
  if (rows != b.dim() || rows < cols || cols == 0) {
    x = Vector(1, 0.0);
    return false;
  }
  Matrix w(rows, cols + 1, 0.0);
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) w[i][j] = a[i][j];
    w[i][cols] = b[i];
  }
  Eliminate(w, cols);

  // A pivot that does not vanish means the last state is not free: any value
  // chosen for it would give a wrong solution, so there is none to report.
  x = Vector(cols, std::numeric_limits<double>::quiet_NaN());
  if (!(std::fabs(w[cols - 1][cols - 1]) < kVanishedPivot)) return false;
  x[cols - 1] = 1.0;
  for (int k = cols - 2; k >= 0; --k) {
    double sum = w[k][cols];
    for (int j = k + 1; j < cols; ++j) sum -= w[k][j] * x[j];
    x[k] = sum / w[k][k];
  }
  return AllFinite(x);
}
