#pragma once

// The validator integrates one vehicle, the shipped one, with its parameters
// built in. A comparison with it checks a run only when the run's vehicle is
// that vehicle: the same mechanics as seen from the wheels, and the same
// wheels, brake, running resistance, adhesion and slip band.

#include <string>

#include "results/ModelReference.h"
#include "solver/ValidatorTrainModel.h"
#include "vehicle/Kelvra.h"

// Empty when the validator's vehicle is the vehicle of `model` and `vehicle`;
// otherwise what differs, to follow "differs in": "its linear model", "its
// wheels", "its brake", "its running resistance", "its adhesion" or "LIM".
//
// The linear models are compared as the wheels see them, whatever the order
// and the names of their freedoms: the response of the wheelsets' speeds and
// of the wheels' normal forces to every wheel force and the traction,
// H(s) = C (sI - A)^-1 B, at frequencies from 0.5 to 500 rad/s, to 1e-6 of
// its largest entry. The normal forces leave out the brake force that the
// validator adds to each of them directly: the difference that the shipped
// model keeps by design.
std::string ValidatorVehicleDifference(const ValidatorTrainModel& validator,
                                       const ReferenceModelData& model, const Kelvra& vehicle);
