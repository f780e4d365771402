#pragma once

// The batch run: every parameter set of the range replays the whole history
// at its own time step and integrator settings, each with a vehicle system of
// its own made from the set-up's model, side by side on the run's jobs; their
// console text and files come out in set order. The set-up's vehicle system
// ends as that of the last set.

#include "framework/RunContext.h"

void RunBatch(const RunContext& run);
