#pragma once

// The console run and the validator drive the same vehicle with the same
// history; their vehicle speeds, compared sample by sample, say how closely the
// two solutions agree. While every wheel rolls they should agree closely; while
// a wheel slides its adhesion force is the full capacity, proportional to its
// normal force, and the two models' normal forces differ under braking, so that
// the two part and stay apart. The time before the first slide and the time
// from it on are therefore compared apart.

#include <cstddef>
#include <string>
#include <vector>

// The vehicle speed of every axle, sampled every `period` seconds from time 0,
// and whether a wheel slid at each sample.
class SpeedSeries {
 public:
  // Forgets every sample and reserves room for `samples` of them, so that
  // adding them allocates nothing.
  void Start(double samplePeriod, int axleCount, std::size_t samples);
  // One sample: the first `AxleCount()` entries of `speeds` (missing ones are 0).
  void Add(const double* speeds, std::size_t count, bool sliding);
  void Add(const std::vector<double>& speeds, bool sliding) {
    Add(speeds.data(), speeds.size(), sliding);
  }

  double Period() const { return period; }
  int AxleCount() const { return axles; }
  std::size_t SampleCount() const { return slides.size(); }
  // Speed of `axle` (0-based) at sample `sample`.
  double Speed(std::size_t sample, int axle) const { return values[sample * axles + axle]; }
  bool Sliding(std::size_t sample) const { return slides[sample] != 0; }

 private:
  double period = 0.0;
  int axles = 0;
  std::vector<double> values;  // sample by sample, every axle of a sample in turn
  std::vector<char> slides;    // per sample: whether a wheel slid
};

// The samples a comparison takes: those before the first sample at which a
// wheel of either series slides, or those from it on.
enum class WheelPhase { Rolling, Slid };

// The largest difference found: |speed difference| in m/s, where (s) and on
// which axle (1-based). `found` is false when the series share no sample of the
// phase.
struct SpeedDifference {
  bool found = false;
  double difference = 0.0;
  double time = 0.0;
  int axle = 0;
};

// The largest |run - reference| over the axles both series have, at every
// sample of `reference` of the `phase` inside the time span of `run`. Between
// its samples the run's speed is interpolated linearly and a wheel of it counts
// as sliding when it slid at either neighbour; where the sample times coincide
// (to a billionth of a step) the run's own sample is taken. The earliest and
// then the lowest axle wins a tie.
SpeedDifference LargestSpeedDifference(const SpeedSeries& run, const SpeedSeries& reference,
                                       WheelPhase phase);

// Whether two sample periods are the same up to rounding.
bool SameSamplePeriod(double period, double other);

// What a run is compared with: the validator's vehicle, or the reference
// integration of the run's own model (ModelReference.h).
enum class ComparedWith { Validator, ModelReference };

// Rolling: "Largest vehicle speed difference to the validator while every wheel
// rolls: 0.00123 m/s at 12.345 s (axle 2)\n" ("to the reference integration of
// the model" for the model's own); slid: "Largest once a wheel has slid: 8.8 m/s
// at 31.035 s (axle 1)", for the validator with a few words on its cause.
std::string SpeedDifferenceLine(const SpeedDifference& difference, WheelPhase phase,
                                ComparedWith reference = ComparedWith::Validator);

// The line that replaces the comparison when the two runs did not play the same
// inputs from the same state: "No speed comparison with the validator: " and
// the reason.
std::string NoComparisonLine(const std::string& reason);
