#pragma once

// The smallest vehicle the display can drive: one mass moving along x on
// `axles` wheelsets, linear state (v, x), so that one freedom is drawn. Its
// exact step over dt under the net input force u is
//   C = [[1, 0], [dt, 1]],  P = [[dt], [dt^2/2]] / M,  P1 = [[dt^2/2], [dt^3/6]] / M,
// with the adhesion of every axle pulling the mass back and the traction pushing it.

#include <string>

#include "tests/support/TestSupport.h"
#include "vehicle/Kelvra.h"

// Creates `vehicle` from a model file written into `folder`; false with the
// vehicle's log in `log` when that fails.
bool CreatePointMassVehicle(Kelvra& vehicle, const testing_support::TempFolder& folder, int axles,
                            std::string& log);
