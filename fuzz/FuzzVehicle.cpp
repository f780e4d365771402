// The vehicle-system sections of the model file (ITER ... WHLTMP), read by
// Kelvra::Create over a small valid linear model: one mass on four wheelsets, as many as the
// shipped vehicle has. What reads successfully is then stepped under traction and braking, so that
// the values read are also used.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "SingleMassVehicle.h"
#include "vehicle/Kelvra.h"

namespace {

// A step costs (ITER + 1) * SUBDIV substeps per axle; the file may ask for
// billions, which is slow but no fault. Only affordable settings are stepped.
constexpr long long kMaxSubstepsPerStep = 20000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const SingleMassVehicle vehicle(4, 0.005);
  const std::string file = fuzzing::WriteInput(data, size, "combined_train17_GEN.in");

  Kelvra kelvra;
  std::ostringstream log;
  const bool created = vehicle.Create(kelvra, file, log);
  FUZZ_CHECK(created == kelvra.Created());
  if (!created) return 0;
  FUZZ_CHECK(kelvra.AxleCount() == vehicle.axles);

  const TAxleIntegrator& axleRot = kelvra.Dynamics().AxleRot;
  const long long substeps = (static_cast<long long>(axleRot.Iter()) + 1) * axleRot.Subdiv();
  if (substeps > kMaxSubstepsPerStep) return 0;
  // A step fails only where absurd values drive the state beyond the doubles,
  // and that is reported and stops the vehicle.
  const std::vector<double> released(4, 0.0);
  const std::vector<double> braked(4, 25000.0);
  for (int k = 0; k < 4; ++k) FUZZ_CHECK(kelvra.DoStep(released, 100000.0) || kelvra.StateBroken());
  for (int k = 0; k < 4; ++k) FUZZ_CHECK(kelvra.DoStep(braked, 0.0) || kelvra.StateBroken());
  return 0;
}
