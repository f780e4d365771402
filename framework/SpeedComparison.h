#pragma once

// The console run and the validator drive the same vehicle with the same
// history; their vehicle speeds, compared sample by sample, say in one number
// how closely the two solutions agree.

#include <cstddef>
#include <string>
#include <vector>

// The vehicle speed of every axle, sampled every `period` seconds from time 0.
class SpeedSeries {
 public:
  // Forgets every sample and reserves room for `samples` of them, so that
  // adding them allocates nothing.
  void Start(double samplePeriod, int axleCount, std::size_t samples);
  // One sample: the first `AxleCount()` entries of `speeds` (missing ones are 0).
  void Add(const double* speeds, std::size_t count);
  void Add(const std::vector<double>& speeds) { Add(speeds.data(), speeds.size()); }

  double Period() const { return period; }
  int AxleCount() const { return axles; }
  std::size_t SampleCount() const { return axles > 0 ? values.size() / axles : 0; }
  // Speed of `axle` (0-based) at sample `sample`.
  double Speed(std::size_t sample, int axle) const { return values[sample * axles + axle]; }

 private:
  double period = 0.0;
  int axles = 0;
  std::vector<double> values;  // sample by sample, every axle of a sample in turn
};

// The largest difference found: |speed difference| in m/s, where (s) and on
// which axle (1-based). `found` is false when the series share no sample.
struct SpeedDifference {
  bool found = false;
  double difference = 0.0;
  double time = 0.0;
  int axle = 0;
};

// The largest |run - reference| over the axles both series have, at every
// sample of `reference` inside the time span of `run`. Between its samples the
// run's speed is interpolated linearly; where the sample times coincide (to a
// billionth of a step) the run's own sample is taken. The earliest and then the
// lowest axle wins a tie.
SpeedDifference LargestSpeedDifference(const SpeedSeries& run, const SpeedSeries& reference);

// "Largest vehicle speed difference to the validator: 0.00123 m/s at 12.345 s (axle 2)\n"
std::string SpeedDifferenceLine(const SpeedDifference& difference);
