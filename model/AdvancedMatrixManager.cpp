#include "model/AdvancedMatrixManager.h"

#include <algorithm>

namespace {

bool IsSquare(const Matrix& a, int n) {
  return a.num_rows() == n && a.num_cols() == n;
}

}  // namespace

bool AdvancedMatrixManager::Build(const Matrix& mass, const Matrix& stiffness,
                                  const Matrix& damping, const Matrix& extForceMapping,
                                  const Matrix& outdispMapping, const std::vector<Body>& bodies,
                                  const std::vector<DofEntry>& dofs,
                                  const std::vector<ExtForce>& extForces,
                                  const std::vector<Outdisp>& outdisps) {
  const int n = static_cast<int>(dofs.size());
  log << "***** AdvancedMatrixManager Log *****\n"
      << "\n|Dof list\n"
      << 2 * n << "\n";
  for (const DofEntry& dof : dofs) log << DofName(bodies, dof) << "_VELO\t";
  for (const DofEntry& dof : dofs) log << DofName(bodies, dof) << "_DISP\t";
  log << "\n";

  Matrix massInverse;
  const bool invertible =
      IsSquare(mass, mass.num_rows()) && InvertMass(mass, bodies, dofs, massInverse);
  const bool systemOk = AssembleSystemMatrix(massInverse, invertible, mass, stiffness, damping);
  const bool forcesOk =
      AssembleForceMapping(massInverse, invertible, mass, extForceMapping, extForces);
  AssembleOutdispMatrix(outdispMapping, n, outdisps);
  return systemOk && forcesOk;
}

// A DOF whose body has no mass (or no inertia for a rotation) has no
// acceleration law: M has no inverse, and A and F must not be built from one.
bool AdvancedMatrixManager::InvertMass(const Matrix& mass, const std::vector<Body>& bodies,
                                       const std::vector<DofEntry>& dofs, Matrix& inverse) {
  const int n = mass.num_rows();
  bool diagonalOk = true;
  for (int i = 0; i < n; ++i) {
    if (mass[i][i] != 0.0) continue;
    const std::string name =
        i < static_cast<int>(dofs.size()) ? DofName(bodies, dofs[i]) : std::to_string(i);
    log << "Error - Singular mass matrix: DOF '" << name
        << "' has zero mass or inertia, its acceleration is undefined!\n";
    diagonalOk = false;
  }
  if (!diagonalOk) return false;
  if (n == 0) return true;
  inverse = Inverse(mass);
  if (inverse.num_rows() != n || !AllFinite(inverse)) {
    log << "Error - Singular mass matrix: it has no finite inverse!\n";
    return false;
  }
  return true;
}

// M q'' = E u - D q' - S q, so q'' = -M^-1 D q' - M^-1 S q + M^-1 E u.
bool AdvancedMatrixManager::AssembleSystemMatrix(const Matrix& massInverse, bool invertible,
                                                 const Matrix& mass, const Matrix& stiffness,
                                                 const Matrix& damping) {
  const int n = mass.num_rows();
  if (!IsSquare(mass, n) || !IsSquare(stiffness, n) || !IsSquare(damping, n)) {
    log << "Error - Cannot assemble system matrix 'A'! Size of 'M', 'D' and 'S' must be the "
           "same!\n";
    return false;
  }
  if (!invertible) return false;
  const Matrix p = Multiply(massInverse, stiffness);
  const Matrix q = Multiply(massInverse, damping);
  system = Matrix(2 * n, 2 * n, 0.0);
  for (int t = 0; t < n; ++t) {
    for (int u = 0; u < n; ++u) {
      system[t][u] = -q[t][u];
      system[t][n + u] = -p[t][u];
    }
    system[n + t][t] = 1.0;
  }
  if (!AllFinite(system)) {
    log << "Error - Cannot assemble system matrix 'A'! Its elements overflow!\n";
    system = Matrix();
    return false;
  }
  log << "\n|System matrix\n";
  log.Print(DeferredLog::Keep(system));
  return true;
}

bool AdvancedMatrixManager::AssembleForceMapping(const Matrix& massInverse, bool invertible,
                                                 const Matrix& mass, const Matrix& extForceMapping,
                                                 const std::vector<ExtForce>& extForces) {
  const int n = mass.num_rows();
  if (!IsSquare(mass, n) || extForceMapping.num_rows() != n) {
    log << "Error - Cannot assemble external force mapping matrix 'F'! Height of 'M' and 'EF' "
           "must be the same!\n";
    return false;
  }
  if (!invertible) return false;
  const int e = extForceMapping.num_cols();
  forceMapping = Matrix(2 * n, e, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < e; ++k) {
      double sum = 0.0;
      for (int j = 0; j < n; ++j) sum += massInverse[i][j] * extForceMapping[j][k];
      forceMapping[i][k] = sum;
    }
  }
  if (!AllFinite(forceMapping)) {
    log << "Error - Cannot assemble external force mapping matrix 'F'! Its elements overflow!\n";
    forceMapping = Matrix();
    return false;
  }
  log << "\n|External Force mapping matrix\n";
  for (const ExtForce& force : extForces) log << force.name << '\t';
  log << "\n";
  log.Print(DeferredLog::Keep(forceMapping));
  return true;
}

// U x = (O q', O q): the elongation rates first, then the elongations.
void AdvancedMatrixManager::AssembleOutdispMatrix(const Matrix& outdispMapping, int n,
                                                  const std::vector<Outdisp>& outdisps) {
  const int o = outdispMapping.num_rows();
  const int columns = std::min(n, outdispMapping.num_cols());
  outdispMatrix = Matrix(2 * o, 2 * n, 0.0);
  for (int i = 0; i < o; ++i) {
    for (int j = 0; j < columns; ++j) {
      outdispMatrix[i][j] = outdispMapping[i][j];
      outdispMatrix[o + i][n + j] = outdispMapping[i][j];
    }
  }
  log << "\n|Outbound Displacement matrix\n";
  for (const Outdisp& outdisp : outdisps) log << outdisp.name << "_VELO\t";
  for (const Outdisp& outdisp : outdisps) log << outdisp.name << "_DISP\t";
  log << "\n";
  log.Print(DeferredLog::Keep(outdispMatrix));
}

const Matrix& AdvancedMatrixManager::GetMatrix(char letter) const {
  static const Matrix empty;
  switch (letter) {
    case 'A':
      return system;
    case 'F':
      return forceMapping;
    case 'U':
      return outdispMatrix;
    default:
      return empty;
  }
}
