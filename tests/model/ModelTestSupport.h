#pragma once

// Helpers of the model tests: model files written into a temporary folder.

#include <string>

#include "model/ComponentManager.h"
#include "model/ModelCreation.h"
#include "support/TestSupport.h"

namespace model_testing {

inline const std::string kComponentBanner = "***** ComponentManager Log *****\n\n";

// A ComponentManager that has read `text` as a model file.
struct ParsedModel {
  explicit ParsedModel(const std::string& text) {
    folder.Write("model.in", text);
    result = components.ReadModelFile((folder.Path() / "model.in").string());
  }
  // The log after its banner.
  std::string Findings() const { return components.Log().substr(kComponentBanner.size()); }

  testing_support::TempFolder folder;
  ComponentManager components;
  bool result = false;
};

// The counts lines of a component section.
inline std::string Counts(int valid, int invalid) {
  return "Number of valid components: " + std::to_string(valid) +
         "\nNumber of invalid components: " + std::to_string(invalid) + "\n";
}

// The coupling data of a built model, generated as the set-up does: all five
// steps, whatever an earlier one gave.
struct Coupling {
  bool Generate(ModelCreation& model) {
    bool ok = model.GenerateNormalForceMatrix(normal);
    ok = model.GenerateStaticAxleLoadVector(loads) && ok;
    ok = model.GenerateReducedMassVector(masses) && ok;
    ok = model.GenerateWheelIndices(dofIndices, stateIndices) && ok;
    return model.GenerateBrakeForceRadii(radii) && ok;
  }
  Matrix normal;
  Vector loads;
  Vector masses;
  Vector radii;
  std::vector<int> dofIndices;
  std::vector<int> stateIndices;
};

inline const std::string kNoDofs = "Warning - Keyword DOFS not found!\n";

}  // namespace model_testing
