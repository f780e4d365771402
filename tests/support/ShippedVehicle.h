#pragma once

// The shipped vehicle (data/combined_train17_GEN.in), set up the way the
// program sets it up.

#include <filesystem>

#include "setup/VehicleSetUp.h"

namespace testing_support {

inline std::filesystem::path ShippedModelFile(const std::filesystem::path& dataDir) {
  return dataDir / "combined_train17_GEN.in";
}

}  // namespace testing_support
