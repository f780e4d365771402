#pragma once

// A high-resolution monotonic counter read as a count and a frequency, the way
// run timings and unique result file names use it.

#include <cstdint>

// Counts per second.
std::int64_t PerformanceFrequency();

// The current count of a monotonic clock.
std::int64_t PerformanceCount();

// Seconds between two counts.
double ElapsedSeconds(std::int64_t start, std::int64_t end);
