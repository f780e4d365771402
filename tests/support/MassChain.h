#pragma once

// Masses in a row along x, neighbours joined by a spring and a damper in
// parallel, optionally the first one tied to the ground too. Without the ground
// tie the chain moves freely as a whole: a double zero eigenvalue with a single
// eigenvector (all displacements equal, all velocities zero).
//
// First-order form with the state (v1 .. vk, x1 .. xk), velocities first:
//   M v' = -Dm v - K x + u,  x' = v,
//   A = [[-M^-1 Dm, -M^-1 K], [I, 0]],  F = [[M^-1], [0]]  (one force per mass).

#include <cstddef>
#include <vector>

#include "linalg/Matrix.h"

namespace testing_support {

struct MassChain {
  std::vector<double> masses;       // kg
  std::vector<double> stiffnesses;  // N/m, between mass i and i + 1
  std::vector<double> dampings;     // N s/m, between mass i and i + 1
  double groundStiffness = 0.0;     // N/m, first mass to the ground
  double groundDamping = 0.0;       // N s/m
};

inline Matrix ChainSystemMatrix(const MassChain& chain) {
  const int k = static_cast<int>(chain.masses.size());
  Matrix stiffness(k, k, 0.0);
  Matrix damping(k, k, 0.0);
  stiffness[0][0] = chain.groundStiffness;
  damping[0][0] = chain.groundDamping;
  for (int e = 0; e + 1 < k; ++e) {
    const double s = chain.stiffnesses[static_cast<std::size_t>(e)];
    const double d = chain.dampings[static_cast<std::size_t>(e)];
    stiffness[e][e] += s;
    stiffness[e + 1][e + 1] += s;
    stiffness[e][e + 1] -= s;
    stiffness[e + 1][e] -= s;
    damping[e][e] += d;
    damping[e + 1][e + 1] += d;
    damping[e][e + 1] -= d;
    damping[e + 1][e] -= d;
  }
  Matrix a(2 * k, 2 * k, 0.0);
  for (int i = 0; i < k; ++i) {
    const double mass = chain.masses[static_cast<std::size_t>(i)];
    for (int j = 0; j < k; ++j) {
      a[i][j] = -damping[i][j] / mass;
      a[i][k + j] = -stiffness[i][j] / mass;
    }
    a[k + i][i] = 1.0;
  }
  return a;
}

inline Matrix ChainInputMatrix(const MassChain& chain) {
  const int k = static_cast<int>(chain.masses.size());
  Matrix f(2 * k, k, 0.0);
  for (int i = 0; i < k; ++i) f[i][i] = 1.0 / chain.masses[static_cast<std::size_t>(i)];
  return f;
}

// Thirteen masses, free along x (A is 26 x 26 with the double zero of the free
// motion): wheelsets, bogie frames and two carbodies, joined by stiff couplers
// and primary and secondary suspensions of differing damping.
inline MassChain VehicleLikeChain() {
  MassChain chain;
  chain.masses = {1500, 1600, 2600, 1500, 1600, 32000, 30000, 1500, 1600, 2600, 1500, 1600, 2500};
  chain.stiffnesses = {2.0e7, 1.1e6, 1.2e6, 2.1e7, 3.0e5, 5.0e7,
                       3.2e5, 1.9e7, 1.0e6, 1.3e6, 2.2e7, 9.0e5};
  chain.dampings = {2.0e4, 8.0e3, 9.0e3, 2.5e4, 4.0e4, 1.0e5,
                    4.5e4, 1.5e4, 7.0e3, 1.1e4, 3.0e4, 6.0e3};
  return chain;
}

// The same system with its state components reordered: new component i is old
// component order[i] (A' = P A P^T, F' = P F).
inline void ReorderState(const std::vector<int>& order, Matrix& a, Matrix& f) {
  const int n = a.num_rows();
  Matrix reorderedA(n, n, 0.0);
  Matrix reorderedF(n, f.num_cols(), 0.0);
  for (int i = 0; i < n; ++i) {
    const int from = order[static_cast<std::size_t>(i)];
    for (int j = 0; j < n; ++j) reorderedA[i][j] = a[from][order[static_cast<std::size_t>(j)]];
    for (int j = 0; j < f.num_cols(); ++j) reorderedF[i][j] = f[from][j];
  }
  a = reorderedA;
  f = reorderedF;
}

}  // namespace testing_support
