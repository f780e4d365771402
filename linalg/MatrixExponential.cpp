#include "linalg/MatrixExponential.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "linalg/JamaBridge.h"

namespace {

// Coefficients b_j = (2m - j)! m! / ((2m)! j! (m - j)!), scaled to integers,
// of the numerator p_m(X) = sum b_j X^j; the denominator is p_m(-X).
constexpr double kPade3[] = {120.0, 60.0, 12.0, 1.0};
constexpr double kPade5[] = {30240.0, 15120.0, 3360.0, 420.0, 30.0, 1.0};
constexpr double kPade7[] = {17297280.0, 8648640.0, 1995840.0, 277200.0,
                             25200.0,    1512.0,    56.0,      1.0};
constexpr double kPade9[] = {17643225600.0, 8821612800.0, 2075673600.0, 302702400.0, 30270240.0,
                             2162160.0,     110880.0,     3960.0,       90.0,        1.0};
constexpr double kPade13[] = {64764752532480000.0,
                              32382376266240000.0,
                              7771770303897600.0,
                              1187353796428800.0,
                              129060195264000.0,
                              10559470521600.0,
                              670442572800.0,
                              33522128640.0,
                              1323241920.0,
                              40840800.0,
                              960960.0,
                              16380.0,
                              182.0,
                              1.0};

// Largest 1-norm of X for which the approximant of each degree has a backward
// error below the unit roundoff 2^-53.
struct LowDegree {
  int degree;
  double theta;
  const double* coefficients;
};
constexpr LowDegree kLowDegrees[] = {{3, 1.495585217958292e-2, kPade3},
                                     {5, 2.539398330063230e-1, kPade5},
                                     {7, 9.504178996162932e-1, kPade7},
                                     {9, 2.097847961257068e0, kPade9}};
constexpr double kTheta13 = 5.371920351148152;

double OneNorm(const Matrix& x) {
  std::vector<double> columns(static_cast<std::size_t>(x.num_cols()), 0.0);
  for (int i = 0; i < x.num_rows(); ++i) {
    for (int j = 0; j < x.num_cols(); ++j) columns[j] += std::fabs(x[i][j]);
  }
  return columns.empty() ? 0.0 : *std::max_element(columns.begin(), columns.end());
}

Matrix ScaledIdentity(int n, double value) {
  Matrix identity(n, n, 0.0);
  for (int i = 0; i < n; ++i) identity[i][i] = value;
  return identity;
}

// sum + factor * term, in place.
void AddScaled(Matrix& sum, double factor, const Matrix& term) {
  for (int i = 0; i < sum.num_rows(); ++i) {
    for (int j = 0; j < sum.num_cols(); ++j) sum[i][j] += factor * term[i][j];
  }
}

// The even powers X^2, X^4, ... up to X^(2 count).
std::vector<Matrix> EvenPowers(const Matrix& x, int count) {
  std::vector<Matrix> powers;
  const Matrix square = Multiply(x, x);
  powers.push_back(square);
  for (int k = 1; k < count; ++k) powers.push_back(Multiply(powers.back(), square));
  return powers;
}

// Odd part U = X sum b_(2k+1) X^2k and even part V = sum b_2k X^2k of p_m.
void LowDegreeParts(const Matrix& x, const LowDegree& pade, Matrix& u, Matrix& v) {
  const int n = x.num_rows();
  const std::vector<Matrix> powers = EvenPowers(x, pade.degree / 2);
  const double* b = pade.coefficients;
  Matrix odd = ScaledIdentity(n, b[1]);
  v = ScaledIdentity(n, b[0]);
  for (int k = 1; 2 * k <= pade.degree; ++k) {
    AddScaled(odd, b[2 * k + 1], powers[k - 1]);
    AddScaled(v, b[2 * k], powers[k - 1]);
  }
  u = Multiply(x, odd);
}

// Degree 13 with six products: the powers X^2, X^4, X^6, then
//   U = X [X^6 (b13 X^6 + b11 X^4 + b9 X^2) + b7 X^6 + b5 X^4 + b3 X^2 + b1 I],
//   V = X^6 (b12 X^6 + b10 X^4 + b8 X^2) + b6 X^6 + b4 X^4 + b2 X^2 + b0 I.
void Degree13Parts(const Matrix& x, Matrix& u, Matrix& v) {
  const int n = x.num_rows();
  const std::vector<Matrix> powers = EvenPowers(x, 3);
  const double* b = kPade13;
  Matrix highOdd(n, n, 0.0);
  Matrix highEven(n, n, 0.0);
  Matrix lowOdd = ScaledIdentity(n, b[1]);
  v = ScaledIdentity(n, b[0]);
  for (int k = 0; k < 3; ++k) {
    AddScaled(highOdd, b[9 + 2 * k], powers[k]);
    AddScaled(highEven, b[8 + 2 * k], powers[k]);
    AddScaled(lowOdd, b[3 + 2 * k], powers[k]);
    AddScaled(v, b[2 + 2 * k], powers[k]);
  }
  Matrix odd = Multiply(powers[2], highOdd);
  AddScaled(odd, 1.0, lowOdd);
  u = Multiply(x, odd);
  AddScaled(v, 1.0, Multiply(powers[2], highEven));
}

// r_m = (V - U)^-1 (V + U).
bool SolvePade(const Matrix& u, const Matrix& v, Matrix& result) {
  const int n = u.num_rows();
  Matrix denominator = v;
  Matrix numerator = v;
  AddScaled(denominator, -1.0, u);
  AddScaled(numerator, 1.0, u);
  std::vector<double> solution;
  if (!LuSolve(RowMajor(denominator), n, RowMajor(numerator), n, solution)) return false;
  result = Matrix(n, n, solution.data());
  return true;
}

}  // namespace

bool MatrixExponential(const Matrix& x, Matrix& result) {
  const int n = x.num_rows();
  if (n == 0 || x.num_cols() != n || !AllFinite(x)) return false;
  const double norm = OneNorm(x);
  Matrix u;
  Matrix v;
  for (const LowDegree& pade : kLowDegrees) {
    if (norm <= pade.theta) {
      LowDegreeParts(x, pade, u, v);
      return SolvePade(u, v, result) && AllFinite(result);
    }
  }
  // Halving X by a power of two is exact; each halving costs one squaring.
  const int squarings = std::max(0, static_cast<int>(std::ceil(std::log2(norm / kTheta13))));
  Matrix scaled = x;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) scaled[i][j] = std::ldexp(x[i][j], -squarings);
  }
  Degree13Parts(scaled, u, v);
  if (!SolvePade(u, v, result)) return false;
  for (int k = 0; k < squarings; ++k) {
    result = Multiply(result, result);
    if (!AllFinite(result)) return false;
  }
  return AllFinite(result);
}
