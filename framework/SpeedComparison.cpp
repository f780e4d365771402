#include "framework/SpeedComparison.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

namespace {

// Sample times that differ from a run's step by less than this share of a step
// are that step: k * DT / DT need not give k exactly.
constexpr double kSameTimeShare = 1e-9;

// The run's speed of `axle` at `time`, which lies inside its span.
double SpeedAt(const SpeedSeries& run, int axle, double time) {
  const std::size_t last = run.SampleCount() - 1;
  const double position = time / run.Period();
  const double nearest = std::round(position);
  if (std::fabs(position - nearest) <= kSameTimeShare) {
    return run.Speed(std::min(static_cast<std::size_t>(nearest), last), axle);
  }
  const auto before = std::min(static_cast<std::size_t>(std::floor(position)), last);
  if (before == last) return run.Speed(last, axle);
  const double share = position - static_cast<double>(before);
  return run.Speed(before, axle) + share * (run.Speed(before + 1, axle) - run.Speed(before, axle));
}

}  // namespace

void SpeedSeries::Start(double samplePeriod, int axleCount, std::size_t samples) {
  period = samplePeriod;
  axles = std::max(axleCount, 0);
  values.clear();
  values.reserve(samples * static_cast<std::size_t>(axles));
}

void SpeedSeries::Add(const double* speeds, std::size_t count) {
  for (int i = 0; i < axles; ++i) {
    values.push_back(static_cast<std::size_t>(i) < count ? speeds[i] : 0.0);
  }
}

SpeedDifference LargestSpeedDifference(const SpeedSeries& run, const SpeedSeries& reference) {
  SpeedDifference largest;
  const int axles = std::min(run.AxleCount(), reference.AxleCount());
  if (axles == 0 || run.SampleCount() == 0 || !(run.Period() > 0.0)) return largest;
  const double runEnd = static_cast<double>(run.SampleCount() - 1) * run.Period();
  const double tolerance = kSameTimeShare * run.Period();
  for (std::size_t k = 0; k < reference.SampleCount(); ++k) {
    const double time = static_cast<double>(k) * reference.Period();
    if (time > runEnd + tolerance) break;
    for (int axle = 0; axle < axles; ++axle) {
      const double difference = std::fabs(SpeedAt(run, axle, time) - reference.Speed(k, axle));
      if (!largest.found || difference > largest.difference) {
        largest = {true, difference, time, axle + 1};
      }
    }
  }
  return largest;
}

std::string SpeedDifferenceLine(const SpeedDifference& difference) {
  // Six significant digits say the size; the time keeps ten, so that a sample
  // late in a long run is still named to the millisecond.
  std::ostringstream line;
  line << "Largest vehicle speed difference to the validator: " << difference.difference
       << " m/s at " << std::setprecision(10) << difference.time << " s (axle " << difference.axle
       << ")\n";
  return line.str();
}
