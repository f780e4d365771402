#pragma once

// What a run feeds the vehicle, apart from what the vehicle is: the recorded
// history of brake inputs and traction and, for a batch, its parameter sets.

#include <memory>

#include "linalg/Matrix.h"

struct RunInputs {
  // One row per 0.005 s sample: a brake input per axle, then the traction.
  // Read once, then shared read-only by every set of a batch.
  std::shared_ptr<const Matrix> history = std::make_shared<const Matrix>();
  // One row per set: DT, ITER, SUBD, SGNT.
  Matrix batchSets;
};
