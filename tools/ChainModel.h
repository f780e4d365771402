#pragma once

// Model files of any size for scaling measurements and tests: a train of
// wagons, each a body moving longitudinally (X) and vertically (Y), standing
// on a vertical spring-damper to the ground and joined to its neighbours by
// longitudinal coupler spring-dampers. Masses differ from wagon to wagon, so
// no two vertical modes coincide.
//
// Alone, the first wagon buffers against a stop on the ground, so the chain
// has no free motion. Behind a vehicle model, the first wagon couples to the
// vehicle's body "Car" instead: the whole train keeps the vehicle's free
// longitudinal motion, and the vehicle-system sections of the vehicle's file
// stay as they are, so the program runs the result.

#include <string>

namespace chain_model {

// A model file of `freedoms` freedoms: the wagons, their DOFS, DT 0.005 and a
// zero Y0. One push on the last wagon is the only input. False, with `error`
// set, for fewer than one freedom.
bool ChainModelText(int freedoms, std::string& text, std::string& error);

// `vehicleModel` (the text of a model file with a body "Car") with wagons
// coupled to its car up to `freedoms` freedoms in all: their components
// before the END of its component section, their freedoms on the lines right
// after its DOFS keyword, and a zero Y0 of the new length. False, with `error` set, when the
// vehicle lacks one of these parts or already has more freedoms.
bool VehicleChainModelText(int freedoms, const std::string& vehicleModel, std::string& text,
                           std::string& error);

}  // namespace chain_model
