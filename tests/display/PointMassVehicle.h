#pragma once

// The smallest vehicle the display can drive: the single mass of the vehicle
// tests (support/SingleMassVehicle.h) on `axles` wheelsets, linear state (v, x),
// so that one freedom is drawn.

#include <string>

#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

// Creates `vehicle` from a model file written into `folder`; false with the
// vehicle's log in `log` when that fails.
bool CreatePointMassVehicle(Kelvra& vehicle, const testing_support::TempFolder& folder, int axles,
                            std::string& log);
