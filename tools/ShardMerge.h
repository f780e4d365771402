#pragma once

// Gathers the shards of one batch or parameter study, each run with its own
// --sets range into its own results folder, into one folder as a run of the
// whole would have left it: every file of every set (or case) under its own
// name, and the tables that hold a line per set joined in set order.
//
// A merge that would mix up or lose sets writes nothing: a shard named twice,
// sets held by two shards, sets held by none (a shard left out, or one whose
// run never got to them), shards of different batches, a shard that a run
// still writes into, and an output folder that already holds a batch's or a
// study's files are refused with the reason.

#include <ostream>
#include <string>
#include <vector>

#include "framework/SetRange.h"

struct MergeRequest {
  std::string output;               // made when it is missing
  std::vector<std::string> shards;  // in any order
  SetRange sets;                    // the sets the result must hold; whole: from the first on
};

// Merges the shards into `output`: false, with the reason on `err`, when the
// merge is refused or a file cannot be written (then nothing it wrote stays).
// Sets that have files but did not finish are copied as they are and named on
// `err`; `out` gets one line saying what was merged.
bool MergeShards(const MergeRequest& request, std::ostream& out, std::ostream& err);
