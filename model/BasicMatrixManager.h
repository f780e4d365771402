#pragma once

// The second-order description of the linear model, M q'' + D q' + S q = E u
// with outputs y = O q, assembled from the components linearised about their
// reference configuration.

#include <sstream>
#include <string>
#include <vector>

#include "linalg/Matrix.h"
#include "model/Components.h"

class BasicMatrixManager {
 public:
  // Fills the log and the five matrices; false when a pair of nodes overlaps
  // (or a DOF has an unknown kind). The matrices stay as computed either way.
  bool Build(const std::vector<Body>& bodies, const std::vector<Node>& nodes,
             const std::vector<Force>& forces, const std::vector<DofEntry>& dofs,
             const std::vector<ExtForce>& extForces, const std::vector<Outdisp>& outdisps);

  // 'M', 'S', 'D', 'E', 'O'; any other letter an empty matrix.
  const Matrix& GetMatrix(char letter) const;
  std::string Log() const { return log.str(); }

 private:
  std::ostringstream log;
  Matrix mass;
  Matrix stiffness;
  Matrix damping;
  Matrix extForceMapping;
  Matrix outdispMapping;
};
