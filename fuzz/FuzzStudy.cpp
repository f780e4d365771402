// The cases of a parameter study: a CSV header of model-parameter paths and one
// row of values per case, each applied to the shipped model's text.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzInput.h"
#include "framework/StudyPlan.h"
#include "model/ModelParameters.h"

namespace {

const std::string& ShippedModel() {
  static const std::string text = [] {
    std::ifstream file(std::string(KELVRA_SOURCE_DIR) + "/data/combined_train17_GEN.in");
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }();
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = fuzzing::WriteInput(data, size, "study.csv");
  StudyPlan plan;
  std::string error;
  if (!ReadStudyPlan(file, plan, error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  for (std::size_t i = 0; i < plan.cases.size() && i < 8; ++i) {
    FUZZ_CHECK(plan.cases[i].size() == plan.parameters.size());
    for (std::size_t j = 0; j < plan.parameters.size(); ++j) {
      // A refused parameter leaves the text as it was.
      std::string text = ShippedModel();
      std::string reason;
      if (!SetModelParameter(text, plan.parameters[j], plan.cases[i][j], reason)) {
        FUZZ_CHECK(!reason.empty() && text == ShippedModel());
      }
    }
  }
  return 0;
}
