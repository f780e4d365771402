#pragma once

// Whether a vehicle's wheels can be integrated stably with its parameters,
// worked out before a run: at the set-up, and for every batch set and study
// case with the settings it brings.

#include <string>
#include <vector>

#include "vehicle/Kelvra.h"

// The limit of the brake figure (below): 2 after an even ITER, 3 after an odd
// one.
double BrakeFigureLimit(int iter);

// Two figures per wheel, with its reduced mass m, static load N, brake force
// radius r_b and the vehicle's DT, ITER, SUBDIV and LIM:
//
// The adhesion figure muStatic N / (LIM m) DT / SUBDIV, for every adhesion
// characteristic that ADHTBL selects, on the largest ADHLEVEL factor: inside the slip band a wheel
// decays towards the vehicle speed at the rate mu N / (LIM m), integrated by Runge-Kutta substeps
// of DT / SUBDIV (see kRungeKuttaStableFigure). Above kWheelFigureLimit at the static load the
// SUBDIV is refused, with the one that keeps it within; a load above the static one is met by more
// substeps within the step (TAxleIntegrator).
//
// The brake figure |r_b| gain B / (threshold m) DT, with B the largest brake
// input of the wheel: near standstill the brake force follows the wheel speed
// with the gain |r_b| gain B / threshold, and it is evaluated once per pass
// of the step, at the start and at the last estimate of the end. Below 2 a
// nearly locked wheel settles where brake and adhesion balance, whatever ITER.
// Above 2 each pass overshoots the one before: after an even ITER the wheel
// and its brake force flip sign from step to step, after an odd one the wheel
// creeps at about (figure - 1) times the threshold, just above the band,
// until from 3 on the brake ends its steps pushing the wheel the way it turns
// (from 4 on, in every step): it feeds energy in, and a braked vehicle
// drifts off once it has stopped. A brake that holds its wheel at rest
// (BRKHOLD 1) has no such band and is not checked; brake cylinders (BRKCYL)
// never apply more than the largest input.
//
// False, with the reason naming the wheel, the figure, its limit and what
// would keep it within, when a figure exceeds its limit (a line for each of
// the two). True for a vehicle
// that was not created.
bool CheckWheelIntegration(const Kelvra& vehicle, const std::vector<double>& largestBrakeInput,
                           std::string& reason);
