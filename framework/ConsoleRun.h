#pragma once

// The console run: the history replayed by the set-up's vehicle system, one
// step per row (or the rows resampled at the time step), with its time
// series, summary and result text.

#include "framework/RunContext.h"
#include "results/RunSummary.h"
#include "results/SpeedComparison.h"

// What a console run leaves for the comparison after it and for a study.
struct ConsoleOutcome {
  RunSummary summary;
  bool broke = false;  // stopped at a step that broke the vehicle state
  std::string base;    // the run's files are "<base>.csv", "<base>.txt" and so on
  // The vehicle speeds at the start and after every step; empty when no
  // console run was made.
  SpeedSeries speeds;
};

ConsoleOutcome RunConsole(const RunContext& run);
