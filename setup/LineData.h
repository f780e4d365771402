#pragma once

// The linear model's part of the line: where its bodies and wheels stand, and
// gravity's step response (vehicle/LineCoupling.h).

#include <string>

#include "linalg/Matrix.h"
#include "model/ModelCreation.h"
#include "vehicle/LineCoupling.h"

// The places of the bodies with a longitudinal freedom and of the wheels,
// relative to the car body, the heaviest body with a longitudinal freedom
// (the first of the heaviest). The gravity steps are left as they are.
void FindLinePlaces(const ModelCreation& model, LineCoupling& line);

// The exact step response of x' = A x + F a to an acceleration a along the
// track on each body of `line` (F: 1 at the body's speed entry, since every
// body's mass matrix is diagonal), from the exponential of the augmented
// system, checked against the model's own C = e^(A dt): `held` for a force
// held over the step, `ramp` for one growing linearly. False, with `problem`
// saying why, when they cannot be had exactly.
bool GravitySteps(const Matrix& a, const Matrix& c, const LineCoupling& line, double dt,
                  Matrix& held, Matrix& ramp, std::string& problem);
