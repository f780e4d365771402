// The model file as the set-up reads it: the component and DOFS sections
// through the whole matrix chain and the coupling data, then the time step and
// the initial state.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "FuzzInput.h"
#include "model/ModelCreation.h"
#include "setup/InputReaders.h"

namespace {

// The DOF list holds every freedom of the bodies once, whatever the DOFS section said.
void CheckDofList(const ComponentManager& components) {
  const std::vector<Body>& bodies = components.Bodies();
  std::size_t freedoms = 0;
  for (const Body& body : bodies) {
    if (body.dofs != "0") freedoms += body.dofs.size();
  }
  std::set<std::pair<int, char>> seen;
  for (const DofEntry& dof : components.Dofs()) {
    FUZZ_CHECK(dof.body >= 0 && dof.body < static_cast<int>(bodies.size()));
    FUZZ_CHECK(bodies[dof.body].dofs.find(dof.kind) != std::string::npos);
    FUZZ_CHECK(seen.insert({dof.body, dof.kind}).second);
  }
  FUZZ_CHECK(components.Dofs().size() == freedoms);
}

void CheckSystem(const ModelCreation& model) {
  const int n = static_cast<int>(model.Components().Dofs().size());
  const int inputs = static_cast<int>(model.Components().ExtForces().size());
  const Matrix& a = model.GetMatrix('A');
  const Matrix& f = model.GetMatrix('F');
  FUZZ_CHECK(a.num_rows() == 2 * n && a.num_cols() == 2 * n);
  FUZZ_CHECK(f.num_rows() == 2 * n && f.num_cols() == inputs);
  FUZZ_CHECK(AllFinite(a) && AllFinite(f));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = fuzzing::WriteInput(data, size, "combined_train17_GEN.in");

  ModelCreation model;
  if (model.CreateComponents(file)) model.CalculateBasicMatrices();
  CheckDofList(model.Components());
  if (model.Status() == ModelStatus::AdvancedMatricesOK) CheckSystem(model);

  // The set-up generates all of the coupling data whatever an earlier step gave.
  Matrix normal;
  Vector loads, masses, radii;
  std::vector<int> dofIndices, stateIndices;
  model.GenerateNormalForceMatrix(normal);
  model.GenerateStaticAxleLoadVector(loads);
  model.GenerateReducedMassVector(masses);
  model.GenerateWheelIndices(dofIndices, stateIndices);
  model.GenerateBrakeForceRadii(radii);

  double timeStep = 0.0;
  Vector initialState;
  std::string error;
  if (ReadModelFileItems(file, timeStep, initialState, error)) {
    FUZZ_CHECK(timeStep > 0.0 && std::isfinite(timeStep));
    FUZZ_CHECK(AllFinite(initialState));
  } else {
    FUZZ_CHECK(!error.empty());
  }
  return 0;
}
