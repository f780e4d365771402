#pragma once

// The second-order description of the linear model, M q'' + D q' + S q = E u
// with outputs y = O q, assembled from the components linearised about their
// reference configuration.

#include <string>
#include <vector>

#include "linalg/DeferredLog.h"
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
  // Written out on each call.
  std::string Log() const { return log.Text(); }

 private:
  DeferredLog log;
  Matrix mass;
  Matrix stiffness;
  Matrix damping;
  Matrix extForceMapping;
  Matrix outdispMapping;
};
