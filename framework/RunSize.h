#pragma once

// What a console or batch run will cost, worked out when its inputs are read:
// the axle integrator's substeps and the bytes of its result files. A slip of
// the pen such as ITER 10000000 (11 s per step) or a batch DT of 1e-9 (about a
// terabyte of time series) is refused before it holds the machine for days or
// fills its disk.

#include <cstddef>
#include <string>

// Most substeps of the axle integrator per axle in one run: steps x (ITER + 1)
// x SUBDIV, summed over a batch's sets: about 14 minutes for the shipped
// vehicle, whose four axles take 0.08 us a substep.
inline constexpr double kRunWorkLimit = 1e10;
// Most bytes of result files in one run, and the size above which a run is
// only warned about.
inline constexpr double kRunOutputLimit = 10e9;
inline constexpr double kRunOutputWarning = 1e9;

struct RunSize {
  double work = 0.0;         // axle integrator substeps per axle
  double outputBytes = 0.0;  // result files, estimated
};

// The rows a time series or states file keeps of a run of `steps` steps: the
// initial one and every `recordEvery`-th step's.
double RowsKept(double steps, int recordEvery);

// A vehicle run of `steps` steps: its substeps and its time series, which
// keeps every `recordEvery`-th step's row.
RunSize VehicleRunSize(double steps, int iterations, int subdivisions, int axles,
                       int recordEvery = 1);

// A states file of `columns` columns over a run of `steps` steps.
double StatesOutputBytes(double steps, std::size_t columns, int recordEvery = 1);

// The validator's files over a history of `rows` rows.
double ValidatorOutputBytes(int rows);

// False, with a reason that gives the figure and the limit, when `size` exceeds a
// limit. `warning` says how much will be written when that is above 1 GB, and is
// empty otherwise.
bool CheckRunSize(const RunSize& size, std::string& error, std::string& warning);
