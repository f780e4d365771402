// The vehicle-system sections of the model file (ITER ... WHLTMP), read for the
// shipped vehicle's linear model (four wheelsets) and made into a vehicle system
// by Kelvra::Create. What reads successfully is then stepped under traction and
// braking, so that the values read are also used.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "FuzzInput.h"
#include "setup/VehicleSetUp.h"
#include "vehicle/Kelvra.h"
#include "vehicle/StabilityCheck.h"

namespace {

// A step costs (ITER + 1) * SUBDIV substeps per axle; the file may ask for
// billions, which is slow but no fault. Only affordable settings are stepped.
constexpr long long kMaxSubstepsPerStep = 20000;
constexpr int kAxles = 4;

// The shipped vehicle's model, made once, with gravity's step response (the
// set-up works it out for a model on a gradient only), so that a GRADIENT of
// the input is stepped too.
const VehicleModel& ShippedModel() {
  static const VehicleModel model = [] {
    std::ifstream shipped(KELVRA_SOURCE_DIR "/data/combined_train17_GEN.in", std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(shipped), std::istreambuf_iterator<char>()};
    const std::size_t level = text.find("GRADIENT 1\n0 0");
    FUZZ_CHECK(level != std::string::npos);
    text.replace(level, 15, "GRADIENT 1\n0 1");
    const std::string file = fuzzing::WriteInput(reinterpret_cast<const std::uint8_t*>(text.data()),
                                                 text.size(), "gradient_model.in");
    VehicleSetUp built;
    FUZZ_CHECK(built.Build(file, 0.005));
    FUZZ_CHECK(built.Vehicle().Step().gravity.problem.empty());
    return built.Vehicle();
  }();
  return model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The shipped linear model with the sections of the input.
  static const auto step = std::make_shared<const TimeStepMatrices>(ShippedModel().Step());
  VehicleDefinition definition = ShippedModel().Definition();
  definition.modelFileName = fuzzing::WriteInput(data, size, "combined_train17_GEN.in");
  ReadParameterSections(*step, definition);
  const VehicleModel model(std::make_shared<const VehicleDefinition>(std::move(definition)), step);

  Kelvra kelvra;
  std::ostringstream log;
  const bool created = CreateVehicle(model, kelvra, log);
  FUZZ_CHECK(created == kelvra.Created());
  if (!created) return 0;
  FUZZ_CHECK(kelvra.AxleCount() == kAxles);

  const TAxleIntegrator& axleRot = kelvra.Dynamics().AxleRot;
  const long long substeps = (static_cast<long long>(axleRot.Iter()) + 1) * axleRot.Subdiv();
  if (substeps > kMaxSubstepsPerStep) return 0;
  // What the set-up refuses as unstable for these brake inputs is not run.
  std::string unstable;
  if (!CheckWheelIntegration(kelvra, std::vector<double>(kAxles, 25000.0), unstable)) return 0;
  // Parameters that pass the reading and the check may still be absurd (a
  // running resistance of 1e300): the step then reports the broken state,
  // which is the program's answer to them. Any other failed step is a fault.
  const std::vector<double> released(kAxles, 0.0);
  const std::vector<double> braked(kAxles, 25000.0);
  for (int k = 0; k < 8; ++k) {
    if (kelvra.DoStep(k < 4 ? released : braked, k < 4 ? 100000.0 : 0.0)) continue;
    FUZZ_CHECK(kelvra.StateBroken());
    return 0;
  }
  return 0;
}
