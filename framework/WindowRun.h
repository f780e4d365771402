#pragma once

// The window run: the set-up's vehicle system stepped by the window's frames,
// under the lever or replaying the history, until the window is closed, which
// ends the process.

#include "framework/RunContext.h"

// `realTimeInput`: the lever drives the vehicle from the start; otherwise the
// history does until it runs out.
[[noreturn]] void RunWindow(const RunContext& run, bool realTimeInput, int argc, char** argv);
