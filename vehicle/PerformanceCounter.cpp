#include "vehicle/PerformanceCounter.h"

#include <chrono>

using Clock = std::chrono::steady_clock;

std::int64_t PerformanceFrequency() {
  return static_cast<std::int64_t>(Clock::period::den / Clock::period::num);
}

std::int64_t PerformanceCount() {
  return static_cast<std::int64_t>(Clock::now().time_since_epoch().count());
}

double ElapsedSeconds(std::int64_t start, std::int64_t end) {
  return static_cast<double>(end - start) / static_cast<double>(PerformanceFrequency());
}
