// The largest vehicle speed difference between a run and the validator, on
// series whose speeds are closed forms of time.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "framework/SpeedComparison.h"

namespace {

using Speed = std::function<double(int axle, double time)>;

// `samples` samples every `period` seconds of `axles` axles.
SpeedSeries Series(double period, int axles, int samples, const Speed& speed) {
  SpeedSeries series;
  series.Start(period, axles, samples);
  std::vector<double> row(axles);
  for (int k = 0; k < samples; ++k) {
    for (int i = 0; i < axles; ++i) row[i] = speed(i, k * period);
    series.Add(row);
  }
  return series;
}

TEST(SpeedComparisonTest, LargestDifferenceAndWhereItIs) {
  const Speed reference = [](int axle, double t) { return 2.0 * t + axle; };
  // Axle 3 departs by a bump of 0.25 m/s at t = 0.06 s.
  const Speed bumped = [](int axle, double t) {
    return 2.0 * t + axle + (axle == 2 ? 0.25 * std::exp(-std::pow((t - 0.06) / 0.01, 2)) : 0.0);
  };
  struct Case {
    const char* title;
    SpeedSeries run;
    SpeedSeries reference;
    SpeedDifference expected;
  };
  const Case cases[] = {
      {"equal series",
       Series(0.005, 4, 41, reference),
       Series(0.005, 4, 41, reference),
       {true, 0.0, 0.0, 1}},
      {"bump on axle 3",
       Series(0.005, 4, 41, bumped),
       Series(0.005, 4, 41, reference),
       {true, 0.25, 0.06, 3}},
      // Only the common span counts: the reference beyond the run is not compared.
      {"longer reference",
       Series(0.005, 4, 11, [](int axle, double) { return axle; }),
       Series(0.005, 4, 41, [](int, double t) { return t > 0.052 ? 100.0 : 0.0; }),
       {true, 3.0, 0.0, 4}},
      // A run with half the steps is interpolated: a linear speed exactly.
      {"coarser run",
       Series(0.01, 4, 21, reference),
       Series(0.005, 4, 41, bumped),
       {true, 0.25, 0.06, 3}},
      // A run with twice the steps is read at the shared times.
      {"finer run",
       Series(0.0025, 4, 81, bumped),
       Series(0.005, 4, 41, reference),
       {true, 0.25, 0.06, 3}},
      // Axles beyond the shorter series are not compared.
      {"fewer axles in the run",
       Series(0.005, 2, 41, [](int axle, double) { return axle; }),
       Series(0.005, 4, 41, [](int axle, double) { return axle >= 2 ? 100.0 : 1.5 * axle; }),
       {true, 0.5, 0.0, 2}},
      {"empty run", Series(0.005, 4, 0, reference), Series(0.005, 4, 41, reference), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const SpeedDifference found = LargestSpeedDifference(c.run, c.reference);
    EXPECT_EQ(c.expected.found, found.found);
    EXPECT_NEAR(c.expected.difference, found.difference, 1e-12);
    EXPECT_NEAR(c.expected.time, found.time, 1e-12);
    EXPECT_EQ(c.expected.axle, found.axle);
  }
}

// A tie goes to the earliest sample, then to the lowest axle.
TEST(SpeedComparisonTest, TiesGoToTheEarliestSampleAndLowestAxle) {
  const SpeedSeries zero = Series(0.005, 4, 10, [](int, double) { return 0.0; });
  const SpeedSeries run =
      Series(0.005, 4, 10, [](int axle, double t) { return t > 0.012 && axle >= 1 ? -1.0 : 0.5; });
  const SpeedDifference found = LargestSpeedDifference(run, zero);
  EXPECT_EQ(1.0, found.difference);
  EXPECT_NEAR(0.015, found.time, 1e-15);
  EXPECT_EQ(2, found.axle);
}

TEST(SpeedComparisonTest, LineSaysTheDifferenceTheTimeAndTheAxle) {
  EXPECT_EQ(
      "Largest vehicle speed difference to the validator: 0.00123457 m/s at 12.345 s (axle 2)\n",
      SpeedDifferenceLine({true, 0.001234567, 12.345, 2}));
  EXPECT_EQ("Largest vehicle speed difference to the validator: 0 m/s at 0 s (axle 1)\n",
            SpeedDifferenceLine({true, 0.0, 0.0, 1}));
  EXPECT_EQ(
      "Largest vehicle speed difference to the validator: 8.83921 m/s at 1151.035 s (axle 4)\n",
      SpeedDifferenceLine({true, 8.839214, 230207 * 0.005, 4}));
}

}  // namespace
