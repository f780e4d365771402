#pragma once

// Recorded external force histories hold one row per 0.005 s. A run whose time
// step differs replays them resampled: each row holds until the next one.

// Spacing of the rows of an external force history, seconds.
constexpr double kHistorySamplePeriod = 0.005;

// Whether the number of steps below is an int; a time step far below the
// sample period makes it too large to count.
bool ResampledStepCountFits(int rows, double timeStep);

// Number of steps of `timeStep` that cover `rows` samples: trunc(rows * 0.005 / dt);
// 0 when that does not fit.
int ResampledStepCount(int rows, double timeStep);

// Row that holds at step `step`: trunc(step * dt / 0.005).
int ResampledRow(int step, double timeStep);
