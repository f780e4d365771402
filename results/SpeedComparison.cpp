#include "results/SpeedComparison.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

namespace {

// Sample times that differ from a run's step by less than this share of a step
// are that step: k * DT / DT need not give k exactly.
constexpr double kSameTimeShare = 1e-9;

// The samples of `run` around `time` (inside its span): the same one twice
// where the times coincide. `share` is how far `time` lies from the first.
struct Neighbours {
  std::size_t before;
  std::size_t after;
  double share;
};

Neighbours NeighboursAt(const SpeedSeries& run, double time) {
  const std::size_t last = run.SampleCount() - 1;
  const double position = time / run.Period();
  const double nearest = std::round(position);
  if (std::fabs(position - nearest) <= kSameTimeShare) {
    const auto sample = std::min(static_cast<std::size_t>(nearest), last);
    return {sample, sample, 0.0};
  }
  const auto before = std::min(static_cast<std::size_t>(std::floor(position)), last);
  if (before == last) return {last, last, 0.0};
  return {before, before + 1, position - static_cast<double>(before)};
}

double SpeedAt(const SpeedSeries& run, int axle, const Neighbours& at) {
  const double before = run.Speed(at.before, axle);
  return before + at.share * (run.Speed(at.after, axle) - before);
}

}  // namespace

void SpeedSeries::Start(double samplePeriod, int axleCount, std::size_t samples) {
  period = samplePeriod;
  axles = std::max(axleCount, 0);
  values.clear();
  values.reserve(samples * static_cast<std::size_t>(axles));
  slides.clear();
  slides.reserve(samples);
}

void SpeedSeries::Add(const double* speeds, std::size_t count, bool sliding) {
  for (int i = 0; i < axles; ++i) {
    values.push_back(static_cast<std::size_t>(i) < count ? speeds[i] : 0.0);
  }
  slides.push_back(sliding ? 1 : 0);
}

SpeedDifference LargestSpeedDifference(const SpeedSeries& run, const SpeedSeries& reference,
                                       WheelPhase phase) {
  SpeedDifference largest;
  const int axles = std::min(run.AxleCount(), reference.AxleCount());
  if (axles == 0 || run.SampleCount() == 0 || !(run.Period() > 0.0)) return largest;
  const double runEnd = static_cast<double>(run.SampleCount() - 1) * run.Period();
  const double tolerance = kSameTimeShare * run.Period();
  bool slid = false;
  for (std::size_t k = 0; k < reference.SampleCount(); ++k) {
    const double time = static_cast<double>(k) * reference.Period();
    if (time > runEnd + tolerance) break;
    const Neighbours at = NeighboursAt(run, time);
    slid = slid || reference.Sliding(k) || run.Sliding(at.before) || run.Sliding(at.after);
    if (slid != (phase == WheelPhase::Slid)) continue;
    for (int axle = 0; axle < axles; ++axle) {
      const double difference = std::fabs(SpeedAt(run, axle, at) - reference.Speed(k, axle));
      if (!largest.found || difference > largest.difference) {
        largest = {true, difference, time, axle + 1};
      }
    }
  }
  return largest;
}

bool SameSamplePeriod(double period, double other) {
  return std::fabs(period - other) <= kSameTimeShare * std::fabs(other);
}

std::string SpeedDifferenceLine(const SpeedDifference& difference, WheelPhase phase,
                                ComparedWith reference) {
  const bool validator = reference == ComparedWith::Validator;
  // Six significant digits say the size; the time keeps ten, so that a sample
  // late in a long run is still named to the millisecond.
  std::ostringstream line;
  if (phase == WheelPhase::Rolling) {
    line << "Largest vehicle speed difference to "
         << (validator ? "the validator" : "the reference integration of the model")
         << " while every wheel rolls: ";
  } else {
    line << "Largest once a wheel has slid: ";
  }
  line << difference.difference << " m/s at " << std::setprecision(10) << difference.time
       << " s (axle " << difference.axle << ")";
  if (phase == WheelPhase::Slid && validator) {
    line << "; a sliding wheel's force follows its normal force, which the two models work out "
            "differently";
  }
  line << "\n";
  return line.str();
}

std::string NoComparisonLine(const std::string& reason) {
  return "No speed comparison with the validator: " + reason + "\n";
}
