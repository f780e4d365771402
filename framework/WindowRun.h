#pragma once

// The window run: the set-up's vehicle system stepped by the window's frames,
// under the lever or replaying the history, until the window is closed, which
// ends the process. The session writes its own record, as its time series
// close, since no caller outlives the window.

#include "framework/RunContext.h"
#include "framework/RunManifest.h"

// `realTimeInput`: the lever drives the vehicle from the start; otherwise the
// history does until it runs out. `record` is the session's record as it started.
[[noreturn]] void RunWindow(const RunContext& run, bool realTimeInput, const RunRecord& record,
                            int argc, char** argv);
