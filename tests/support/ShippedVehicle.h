#pragma once

// The shipped vehicle (data/combined_train17_GEN.in), set up the way the
// program sets it up.

#include <filesystem>
#include <sstream>
#include <string>

#include "setup/VehicleSetUp.h"
#include "support/TestSupport.h"

namespace testing_support {

inline std::filesystem::path ShippedModelFile(const std::filesystem::path& dataDir) {
  return dataDir / "combined_train17_GEN.in";
}

// A vehicle system made from the model file text `model` at the time step
// `dt` as the program makes it; false with the set-up's failure or the
// vehicle's log in `why`.
inline bool VehicleFromModelText(const std::string& model, Kelvra& vehicle, std::string& why,
                                 double dt = 0.005) {
  TempFolder folder;
  folder.Write("model.in", model);
  VehicleSetUp setUp;
  if (!setUp.Build((folder.Path() / "model.in").string(), dt)) {
    why = setUp.Failure();
    return false;
  }
  std::ostringstream log;
  const bool created = setUp.CreateVehicle(vehicle, log);
  why = log.str();
  return created;
}

}  // namespace testing_support
