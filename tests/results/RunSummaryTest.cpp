#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "results/RunSummary.h"

namespace {

// Two axles over five steps of 1 s, slip band 0.1 m/s, figures worked out by hand:
// mean speeds 0, 2, 4, 3, 1, -0.5; mean positions 0, 1, 4, 8, 10, 10.5.
// The brake comes on in the step ending at 3 s, so it starts at 2 s, 4 m, 4 m/s;
// the speed turns negative at 5 s: 3 s and 6.5 m. Steps ending at 3 s (axle 2 slips
// 0.5) and at 4 s (axle 1 slips 0.25) slide.
std::vector<SummaryRow> TwoAxleRun() {
  return {
      {0, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
      {1, {0, 0}, {2, 2}, {2, 2}, {1, 1}},
      {2, {0, 0}, {4, 4}, {4, 4}, {4, 4}},
      {3, {1e4, 0}, {3, 3}, {3, 2.5}, {8, 8}},
      {4, {1e4, 1e4}, {1, 1}, {0.75, 1.05}, {10, 10}},
      {5, {1e4, 1e4}, {-0.5, -0.5}, {-0.5, -0.5}, {10.5, 10.5}},
  };
}

TEST(RunSummaryTest, FiguresOfAShortBrakedRunMatchTheHandComputedOnes) {
  const RunSummary summary = SummariseRun(TwoAxleRun(), 2, 0.1, 1.0);
  EXPECT_EQ(4.0, summary.peakSpeed);
  EXPECT_EQ(2.0, summary.peakAcceleration);
  EXPECT_EQ(2.0, summary.peakDeceleration);
  EXPECT_EQ(std::optional<double>(2.0), summary.brakeTime);
  EXPECT_EQ(std::optional<double>(3.0), summary.stopTime);
  EXPECT_EQ(std::optional<double>(6.5), summary.stopDistance);
  EXPECT_EQ(2.0, summary.slidingTime);
  EXPECT_EQ((std::vector<double>{0.25, 0.5}), summary.largestSlip);
}

// One axle, rows 0.5 s apart with the given speeds, positions the running sum of
// speed x 0.5 s; the brake is on from `brakeRow` (-1: never).
std::vector<SummaryRow> OneAxleRun(const std::vector<double>& speeds, int brakeRow) {
  std::vector<SummaryRow> rows;
  double position = 0.0;
  for (std::size_t k = 0; k < speeds.size(); ++k) {
    if (k > 0) position += 0.5 * speeds[k];
    const double brake = brakeRow >= 0 && static_cast<int>(k) >= brakeRow ? 1.0 : 0.0;
    rows.push_back({0.5 * k, {brake}, {speeds[k]}, {speeds[k]}, {position}});
  }
  return rows;
}

TEST(RunSummaryTest, TheStopIsTheFirstSampleWhoseSpeedIsZeroOrReversed) {
  struct Case {
    const char* what;
    std::vector<double> speeds;
    int brakeRow;
    std::optional<double> brakeTime, stopTime, stopDistance;
  };
  const Case cases[] = {
      {"no brake", {0, 1, 2, 0}, -1, {}, {}, {}},
      {"braked, still rolling at the end", {2, 2, 1.5, 1}, 2, 0.5, {}, {}},
      {"exactly 0", {2, 2, 1, 0, 0}, 2, 0.5, 1.0, 0.5},
      {"through 0 backwards", {2, 2, 1, -0.25}, 2, 0.5, 1.0, 0.375},
      {"backwards through 0 forwards", {-2, -2, -1, 0.5}, 2, 0.5, 1.0, 0.25},
      {"braked at rest", {0, 0, 0, 1}, 2, 0.5, 0.0, 0.0},
      {"brake in the first step", {3, 1, -1}, 1, 0.0, 1.0, 0.0},
  };
  for (const Case& c : cases) {
    const RunSummary summary = SummariseRun(OneAxleRun(c.speeds, c.brakeRow), 1, 0.05, 0.5);
    EXPECT_EQ(c.brakeTime, summary.brakeTime) << c.what;
    EXPECT_EQ(c.stopTime, summary.stopTime) << c.what;
    EXPECT_EQ(c.stopDistance, summary.stopDistance) << c.what;
  }
}

// Rows 0.25 s apart: a span of 0.5 s is two rows. The speed swings by 1 m/s
// every row (4 m/s2 from one row to the next) and returns within the span, so
// only the last rise counts: 3 m/s over 0.5 s.
TEST(RunSummaryTest, AccelerationsAreMeansOverHalfASecondSoVibrationDoesNotCount) {
  std::vector<SummaryRow> rows;
  const double speeds[] = {0, 1, 0, 1, 0, 1, 3};
  for (int k = 0; k < 7; ++k) rows.push_back({0.25 * k, {0}, {speeds[k]}, {speeds[k]}, {0}});
  const RunSummary summary = SummariseRun(rows, 1, 0.05, 0.25);
  EXPECT_EQ(6.0, summary.peakAcceleration);
  EXPECT_EQ(0.0, summary.peakDeceleration);
  EXPECT_EQ(3.0, summary.peakSpeed);
}

TEST(RunSummaryTest, LineAndCsvCellsSayEveryFigureAndLeaveAMissingStopEmpty) {
  const RunSummary stopped = SummariseRun(TwoAxleRun(), 2, 0.1, 1.0);
  EXPECT_EQ(
      "Summary: peak speed 4 m/s, peak acceleration 2 m/s2, peak deceleration 2 m/s2, stopping "
      "time 3 s, stopping distance 6.5 m, sliding 2 s, largest slip 0.25 0.5 m/s\n",
      SummaryLine(stopped));
  EXPECT_EQ("4,2,2,2,3,6.5,2,0.25,0.5", SummaryCells(stopped));
  EXPECT_EQ(
      "set,peak_speed,peak_acceleration,peak_deceleration,brake_time,stopping_time,"
      "stopping_distance,sliding_time,largest_slip_1,largest_slip_2\n",
      SummaryHeader({"set"}, 2));

  const RunSummary rolling = SummariseRun(OneAxleRun({0, 0.1}, -1), 1, 0.05, 0.5);
  EXPECT_EQ(
      "Summary: peak speed 0.1 m/s, peak acceleration 0.2 m/s2, peak deceleration 0 m/s2, does "
      "not stop, sliding 0 s, largest slip 0 m/s\n",
      SummaryLine(rolling));
  EXPECT_EQ("0.1,0.2,0,,,,0,0", SummaryCells(rolling));
}

}  // namespace
