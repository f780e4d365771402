#pragma once

// The shipped vehicle with a soft, lightly damped longitudinal secondary
// suspension, as a passenger coach has: the car swings against its bogies.

#include <string>

#include "support/ChangedVehicles.h"

namespace testing_support {

// Secondary longitudinal stiffness 2.46e5 N/m and damping 5e3 N s/m per bogie.
// With the wheels rolling, each bogie carries along its wheelsets and their
// reduced masses: 6000 kg against the car's 31000, a reduced mass of
// 31000 x 12000 / 43000 = 8651 kg on 2 x 2.46e5 N/m, sqrt(4.92e5 / 8651) =
// 7.54 rad/s: the car-bogie mode is near 1.2 Hz, damped at 8 % of critical.
inline std::string SoftSecondaryVehicle() {
  return ShippedModelEdited(
      {{"FORCE   Sec1Long    CarSecLong1        Bogie1Sec          1.5e6     6e4",
        "FORCE   Sec1Long    CarSecLong1        Bogie1Sec          2.46e5    5e3"},
       {"FORCE   Sec2Long    CarSecLong2        Bogie2Sec          1.5e6     6e4",
        "FORCE   Sec2Long    CarSecLong2        Bogie2Sec          2.46e5    5e3"}});
}

}  // namespace testing_support
