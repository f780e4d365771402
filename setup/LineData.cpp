#include "setup/LineData.h"

#include <sstream>
#include <vector>

#include "solver/ExponentialStep.h"

namespace {

// Exact to this share of C's largest element, as the step matrices are.
constexpr double kExact = 1e-9;

double RelativeDifference(const Matrix& computed, const Matrix& reference) {
  if (computed.num_rows() != reference.num_rows() || computed.num_cols() != reference.num_cols()) {
    return 1.0;
  }
  const double scale = MaxAbsolute(reference);
  const double difference = MaxAbsolute(computed - reference);
  return scale > 0.0 ? difference / scale : difference;
}

}  // namespace

void FindLinePlaces(const ModelCreation& model, LineCoupling& line) {
  const ComponentManager& components = model.Components();
  const std::vector<Body>& bodies = components.Bodies();
  const std::vector<DofEntry>& dofs = components.Dofs();
  const auto n = static_cast<unsigned>(dofs.size());
  line.bodySpeedIndex.clear();
  line.bodyDisplacementIndex.clear();
  line.bodyPlace.clear();
  line.wheelPlace.clear();
  std::vector<int> speedEntryOfBody(bodies.size(), -1);
  for (unsigned j = 0; j < n; ++j) {
    const auto body = static_cast<std::size_t>(dofs[j].body);
    if (dofs[j].kind == 'X' && body < bodies.size()) speedEntryOfBody[body] = static_cast<int>(j);
  }
  std::size_t car = bodies.size();
  for (std::size_t b = 0; b < bodies.size(); ++b) {
    if (speedEntryOfBody[b] < 0) continue;
    if (car == bodies.size() || bodies[b].mass > bodies[car].mass) car = b;
  }
  if (car == bodies.size()) return;
  const double carX = bodies[car].centerX;
  line.carDisplacementIndex = static_cast<unsigned>(speedEntryOfBody[car]) + n;
  for (std::size_t b = 0; b < bodies.size(); ++b) {
    if (speedEntryOfBody[b] < 0) continue;
    line.bodySpeedIndex.push_back(static_cast<unsigned>(speedEntryOfBody[b]));
    line.bodyDisplacementIndex.push_back(static_cast<unsigned>(speedEntryOfBody[b]) + n);
    line.bodyPlace.push_back(bodies[b].centerX - carX);
  }
  for (const Wheel& wheel : components.Wheels()) {
    const auto body = static_cast<std::size_t>(wheel.parentBody);
    line.wheelPlace.push_back(body < bodies.size() ? bodies[body].centerX - carX : 0.0);
  }
}

bool GravitySteps(const Matrix& a, const Matrix& c, const LineCoupling& line, double dt,
                  Matrix& held, Matrix& ramp, std::string& problem) {
  const int states = a.num_rows();
  const int bodies = static_cast<int>(line.bodySpeedIndex.size());
  held = Matrix(states, bodies, 0.0);
  ramp = Matrix(states, bodies, 0.0);
  if (bodies == 0) {
    problem = "the model has no body that runs along the track";
    return false;
  }
  Matrix f(states, bodies, 0.0);
  for (int b = 0; b < bodies; ++b) f[static_cast<int>(line.bodySpeedIndex[b])][b] = 1.0;
  StepMatrices step;
  bool exact = StepMatricesByExponential(a, f, dt, step) && RelativeDifference(step.c, c) <= kExact;
  if (!exact) {
    exact = StepMatricesByExtendedExponential(a, f, dt, step) &&
            RelativeDifference(step.c, c) <= kExact;
  }
  if (!exact) {
    std::ostringstream text;
    text << "the step response to gravity along the track could not be worked out exactly for "
            "the time step of "
         << dt << " s";
    problem = text.str();
    return false;
  }
  held = step.p;
  ramp = step.p1;
  problem.clear();
  return true;
}
