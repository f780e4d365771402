#pragma once

// The first-order system x' = A x + F u of the linear model, with the state
// holding all DOF velocities first and all displacements second, and the map U
// from the state to the rates and elongations of the outbound displacements.

#include <string>
#include <vector>

#include "linalg/DeferredLog.h"
#include "linalg/Matrix.h"
#include "model/Components.h"

class AdvancedMatrixManager {
 public:
  // Builds A, F and U from the basic matrices. False when A or F cannot be
  // assembled: inconsistent sizes, or a mass matrix without an inverse.
  bool Build(const Matrix& mass, const Matrix& stiffness, const Matrix& damping,
             const Matrix& extForceMapping, const Matrix& outdispMapping,
             const std::vector<Body>& bodies, const std::vector<DofEntry>& dofs,
             const std::vector<ExtForce>& extForces, const std::vector<Outdisp>& outdisps);

  // 'A', 'F', 'U'; any other letter an empty matrix.
  const Matrix& GetMatrix(char letter) const;
  // Written out on each call.
  std::string Log() const { return log.Text(); }

 private:
  bool InvertMass(const Matrix& mass, const std::vector<Body>& bodies,
                  const std::vector<DofEntry>& dofs, Matrix& inverse);
  bool AssembleSystemMatrix(const Matrix& massInverse, bool invertible, const Matrix& mass,
                            const Matrix& stiffness, const Matrix& damping);
  bool AssembleForceMapping(const Matrix& massInverse, bool invertible, const Matrix& mass,
                            const Matrix& extForceMapping, const std::vector<ExtForce>& extForces);
  void AssembleOutdispMatrix(const Matrix& outdispMapping, int n,
                             const std::vector<Outdisp>& outdisps);

  DeferredLog log;
  Matrix system;
  Matrix forceMapping;
  Matrix outdispMatrix;
};
