#pragma once

// The validator run after a console or batch run: the reference vehicle
// replays the run's history with classical Runge-Kutta and writes its tables.
// After a console run, the run's vehicle speeds are then compared with the
// validator's where the validator models the run's vehicle, and with the
// reference integration of the run's own model otherwise.

#include "framework/ConsoleRun.h"
#include "framework/RunContext.h"

// `consoleRun`: what the console run left; empty speeds after a batch.
void RunValidator(const RunContext& run, const ConsoleOutcome& consoleRun);
