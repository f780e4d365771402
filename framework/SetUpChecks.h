#pragma once

// What the set-up checks before a run: that its work and its files stay
// within the limits of RunSize.h, and that its vehicle can integrate its
// wheels stably under the largest brake inputs the run can give.

#include <ostream>
#include <string>

#include "framework/RunContext.h"
#include "linalg/Matrix.h"
#include "vehicle/Kelvra.h"

inline constexpr const char* kBatchParameterFile = "batch_paramsets.in";

// A reader's warning, among the other warnings: "Warning - <warning>.".
void Warn(std::ostream& warnings, const std::string& warning);

// Every set replays the whole history: false, naming the set, when its DT is so
// small that its steps cannot be counted.
bool CheckStepCounts(const Matrix& sets, int historyRows, std::string& error);

// The steps of the console run: one per history row, or the rows resampled at
// the time step.
int ConsoleSteps(const RunSetUp& setUp, const RunSettings& settings);

// Whether the console run's work and files, and the validator's after it, stay
// within the limits; `error` says by how much they do not, a large output is
// warned about on `warnings`.
bool ConsoleRunSizeFits(const RunSetUp& setUp, const RunSettings& settings, std::ostream& warnings,
                        std::string& error);
// The same for every set of the batch's range, then the validator.
bool BatchRunSizeFits(const RunSetUp& setUp, const RunSettings& settings, std::ostream& warnings,
                      std::string& error);

// Whether `vehicle` can integrate its wheels stably (StabilityCheck.h) over a
// run that makes steps, under the history's largest brake inputs and, in a
// window, the lever's full brake; `reason` says why not.
bool WheelsIntegrable(const Kelvra& vehicle, const Matrix& history, bool window, bool makesSteps,
                      std::string& reason);
