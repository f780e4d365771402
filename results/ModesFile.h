#pragma once

// The modes file of a run, "<base>_modes.csv": the modes of the linear model
// alone and of the running vehicle, whose rolling wheels move with their
// wheelsets, one row per mode.

#include <string>
#include <vector>

#include "solver/ModalAnalysis.h"

// "set,mode,damped_frequency_hz,natural_frequency_hz,damping_ratio,shape\n"
std::string ModesHeader();

// One row per mode of `set` ("linear" or "rolling"), numbered from 1: the
// frequencies and the damping ratio in their shortest exact form (the ratio of
// a rigid-body mode empty), and the shape as its freedoms by name, each with
// "+" when it moves with the first and "-" when against it, and its share of
// the kinetic energy, such as "+Car_R 62%; -Bogie1_Y 19%". A rigid-body mode's
// shape begins with "rigid body: "; a shape holding a comma or a quote (a body
// named so) is quoted.
std::string ModesRows(const std::string& set, const std::vector<Mode>& modes,
                      const std::vector<std::string>& freedomNames);

// "<base>_modes.csv".
std::string ModesFileName(const std::string& base);
