#pragma once

// Independent jobs on several threads, with their results handed on in job
// order: job i is passed on as soon as it and every job before it are finished,
// so that what the caller prints and writes for each job comes out exactly as a
// serial run would have it, whatever thread finished first.

#include <functional>

// How many jobs run at once by default: the number of cores, at least 1.
int DefaultJobCount();

// Runs `run(i)` for every i in 0 .. count - 1 on up to `threads` threads and
// calls `finish(i)` on the calling thread in the order i = 0, 1, ... With one
// thread (or one job) both run on the calling thread, job after job, each job
// finished before the next one starts. `run` must not touch what another job's
// `run` touches; `finish` may use everything `run(i)` left for it.
void RunOrderedJobs(int count, int threads, const std::function<void(int)>& run,
                    const std::function<void(int)>& finish);
