// The largest vehicle speed difference between a run and the validator, on
// series whose speeds are closed forms of time.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "results/SpeedComparison.h"

namespace {

using Speed = std::function<double(int axle, double time)>;
using Slide = std::function<bool(double time)>;

// `samples` samples every `period` seconds of `axles` axles; a wheel slides
// where `slides` says so (nowhere without it).
SpeedSeries Series(double period, int axles, int samples, const Speed& speed,
                   const Slide& slides = nullptr) {
  SpeedSeries series;
  series.Start(period, axles, samples);
  std::vector<double> row(axles);
  for (int k = 0; k < samples; ++k) {
    for (int i = 0; i < axles; ++i) row[i] = speed(i, k * period);
    series.Add(row, slides && slides(k * period));
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
    const SpeedDifference found = LargestSpeedDifference(c.run, c.reference, WheelPhase::Rolling);
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
  const SpeedDifference found = LargestSpeedDifference(run, zero, WheelPhase::Rolling);
  EXPECT_EQ(1.0, found.difference);
  EXPECT_NEAR(0.015, found.time, 1e-15);
  EXPECT_EQ(2, found.axle);
}

// Once a wheel of either solution has slid, the two part for a reason other than
// the integration, and stay apart even when every wheel rolls again: the time
// from the first slide on is compared apart from the time before it.
TEST(SpeedComparisonTest, TimeFromTheFirstSlideOnIsComparedApart) {
  const Speed zero = [](int, double) { return 0.0; };
  // 0.01 m/s on axle 2 at 0.02 s; from 0.05 s on axle 4 departs by 2 m/s at
  // 0.1 s, 1 m/s at 0.15 s.
  const Speed parting = [](int axle, double t) {
    if (axle == 1 && std::fabs(t - 0.02) < 1e-9) return 0.01;
    if (axle == 3 && t > 0.049) return std::fabs(t - 0.1) < 1e-9 ? 2.0 : 1.0;
    return 0.0;
  };
  const Slide briefly = [](double t) { return t > 0.049 && t < 0.07; };
  struct Case {
    const char* title;
    SpeedSeries run;
    SpeedSeries reference;
    SpeedDifference rolling;
    SpeedDifference slid;
  };
  const Case cases[] = {
      {"the run's wheel slides",
       Series(0.005, 4, 41, parting, briefly),
       Series(0.005, 4, 41, zero),
       {true, 0.01, 0.02, 2},
       {true, 2.0, 0.1, 4}},
      {"the reference's wheel slides",
       Series(0.005, 4, 41, parting),
       Series(0.005, 4, 41, zero, briefly),
       {true, 0.01, 0.02, 2},
       {true, 2.0, 0.1, 4}},
      // Between two run samples the later one's slide counts.
      {"a coarser run slides",
       Series(0.01, 4, 21, parting, briefly),
       Series(0.005, 4, 41, zero),
       {true, 0.01, 0.02, 2},
       {true, 2.0, 0.1, 4}},
      {"no wheel slides",
       Series(0.005, 4, 41, parting),
       Series(0.005, 4, 41, zero),
       {true, 2.0, 0.1, 4},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    for (const auto& [phase, expected] :
         {std::pair{WheelPhase::Rolling, c.rolling}, std::pair{WheelPhase::Slid, c.slid}}) {
      const SpeedDifference found = LargestSpeedDifference(c.run, c.reference, phase);
      EXPECT_EQ(expected.found, found.found);
      EXPECT_NEAR(expected.difference, found.difference, 1e-12);
      EXPECT_NEAR(expected.time, found.time, 1e-12);
      EXPECT_EQ(expected.axle, found.axle);
    }
  }
}

TEST(SpeedComparisonTest, LinesSayTheDifferenceTheTimeAndTheAxle) {
  EXPECT_EQ(
      "Largest vehicle speed difference to the validator while every wheel rolls: 0.00123457 m/s "
      "at 12.345 s (axle 2)\n",
      SpeedDifferenceLine({true, 0.001234567, 12.345, 2}, WheelPhase::Rolling));
  EXPECT_EQ(
      "Largest vehicle speed difference to the validator while every wheel rolls: 0 m/s at 0 s "
      "(axle 1)\n",
      SpeedDifferenceLine({true, 0.0, 0.0, 1}, WheelPhase::Rolling));
  EXPECT_EQ(
      "Largest once a wheel has slid: 8.83921 m/s at 1151.035 s (axle 4); a sliding wheel's force "
      "follows its normal force, which the two models work out differently\n",
      SpeedDifferenceLine({true, 8.839214, 230207 * 0.005, 4}, WheelPhase::Slid));
  // The model's own reference has the same normal forces: no such cause.
  EXPECT_EQ(
      "Largest vehicle speed difference to the reference integration of the model while every "
      "wheel rolls: 0.00123457 m/s at 12.345 s (axle 2)\n",
      SpeedDifferenceLine({true, 0.001234567, 12.345, 2}, WheelPhase::Rolling,
                          ComparedWith::ModelReference));
  EXPECT_EQ(
      "Largest once a wheel has slid: 0.25 m/s at 3.5 s (axle 1)\n",
      SpeedDifferenceLine({true, 0.25, 3.5, 1}, WheelPhase::Slid, ComparedWith::ModelReference));
  EXPECT_TRUE(SameSamplePeriod(5e-3, 0.005));
  EXPECT_FALSE(SameSamplePeriod(0.0025, 0.005));
}

}  // namespace
