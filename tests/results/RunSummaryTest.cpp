#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "results/RunSummary.h"

namespace {

// Two axles over five steps of 1 s, slip band 0.1 m/s, figures worked out by hand:
// mean speeds 0, 2, 4, 3, 1, 0.01; mean positions 0, 1, 4, 8, 10, 10.01, so the
// speeds over the steps are 1, 3, 4, 2, 0.01 m/s. The centre of mass speeds up by
// 2 m/s a step, then slows by 3. The brake comes on in the step ending at 3 s,
// so it starts at 2 s and 4 m; the vehicle is below the standstill speed over
// the last step: 3 s and 6.01 m. Steps ending at 3 s (axle 2 slips 0.5) and at
// 4 s (axle 1 slips 0.25) slide; at 5 s axle 2 slips 0.2 with the vehicle at rest.
std::vector<SummaryRow> TwoAxleRun() {
  return {
      {0, {0, 0}, {0, 0}, {0, 0}, {0, 0}, 0},
      {1, {0, 0}, {2, 2}, {2, 2}, {1, 1}, 2},
      {2, {0, 0}, {4, 4}, {4, 4}, {4, 4}, 4},
      {3, {1e4, 0}, {3, 3}, {3, 2.5}, {8, 8}, 1},
      {4, {1e4, 1e4}, {1, 1}, {0.75, 1.05}, {10, 10}, 0.5},
      {5, {1e4, 1e4}, {0.01, 0.01}, {0.01, -0.19}, {10.01, 10.01}, 0},
  };
}

TEST(RunSummaryTest, FiguresOfAShortBrakedRunMatchTheHandComputedOnes) {
  const RunSummary summary = SummariseRun(TwoAxleRun(), 2, 0.1, 1.0);
  EXPECT_EQ(4.0, summary.peakSpeed);
  EXPECT_EQ(2.0, summary.peakAcceleration);
  EXPECT_EQ(3.0, summary.peakDeceleration);
  EXPECT_EQ(std::optional<double>(2.0), summary.brakeTime);
  EXPECT_EQ(std::optional<double>(3.0), summary.stopTime);
  ASSERT_TRUE(summary.stopDistance);
  EXPECT_NEAR(6.01, *summary.stopDistance, 1e-12);
  EXPECT_EQ(2.0, summary.slidingTime);
  EXPECT_EQ((std::vector<double>{0.25, 0.5}), summary.largestSlip);
}

// One axle, rows 0.5 s apart whose speeds are also the speeds over the steps
// ending there (each position is the one before plus speed x 0.5 s); the brake
// is on in the steps ending at rows brakeFrom .. brakeTo - 1 (-1: never).
std::vector<SummaryRow> OneAxleRun(const std::vector<double>& speeds, int brakeFrom,
                                   int brakeTo = 1000) {
  std::vector<SummaryRow> rows;
  double position = 0.0;
  for (std::size_t k = 0; k < speeds.size(); ++k) {
    if (k > 0) position += 0.5 * speeds[k];
    const int row = static_cast<int>(k);
    const double brake = brakeFrom >= 0 && row >= brakeFrom && row < brakeTo ? 1.0 : 0.0;
    rows.push_back({0.5 * k, {brake}, {speeds[k]}, {speeds[k]}, {position}, speeds[k]});
  }
  return rows;
}

std::vector<double> Repeated(std::vector<double> start, double speed, int times) {
  start.insert(start.end(), times, speed);
  return start;
}

// The stop is the first row of the braking from which the speed over each step
// stays below 0.02 m/s, unless the vehicle moves on from there by more than 0.05 m.
TEST(RunSummaryTest, TheStopIsWhereTheSpeedStaysBelowTheStandstillSpeedWithoutCreeping) {
  struct Case {
    const char* what;
    std::vector<double> speeds;
    int brakeFrom, brakeTo;
    std::optional<double> brakeTime, stopTime, stopDistance, creepDistance;
  };
  const Case cases[] = {
      {"no brake", {0, 1, 2, 0}, -1, 0, {}, {}, {}, {}},
      {"braked, still rolling at the end", {2, 2, 1.5, 1}, 2, 1000, 0.5, {}, {}, {}},
      {"slows below 0.02 m/s and stays", {2, 2, 1, 0.01, 0, 0}, 2, 1000, 0.5, 1.0, 0.505, {}},
      {"swings about zero", {2, 2, 1, 0.015, -0.015, 0.015, -0.01}, 2, 1000, 0.5, 1.0, 0.5075, {}},
      {"dips below 0.02 m/s, moves again", {2, 2, 0.01, 0.5, 0.01, 0}, 2, 1000, 0.5, 1.5, 0.26, {}},
      {"turns backwards at speed", {2, 2, 1, -0.25, -0.5}, 2, 1000, 0.5, {}, {}, {}},
      {"braked at rest", {0, 0, 0, 0}, 2, 1000, 0.5, 0.0, 0.0, {}},
      {"brake in the first step", {3, 1, 0.01, 0}, 1, 1000, 0.0, 1.0, 0.505, {}},
      {"released before standstill", {2, 2, 1, 0.5, 0, 0}, 2, 4, 0.5, {}, {}, {}},
      {"stops, then driven off unbraked", {2, 2, 0.01, 0, 1, 2}, 2, 4, 0.5, 0.5, 0.005, {}},
      {"braked at rest, creeps on", Repeated({0}, -0.019, 10), 1, 1000, 0.0, {}, {}, 0.095},
      {"slows, then creeps on", Repeated({2, 1}, 0.019, 7), 1, 1000, 0.0, {}, {}, 0.057},
      {"creeps just under 0.05 m", Repeated({2, 1}, 0.019, 6), 1, 1000, 0.0, 1.0, 0.5095, {}},
  };
  const auto near = [](const std::optional<double>& expected, const std::optional<double>& actual) {
    return expected.has_value() == actual.has_value() &&
           (!expected || std::abs(*expected - *actual) < 1e-12);
  };
  for (const Case& c : cases) {
    const RunSummary summary =
        SummariseRun(OneAxleRun(c.speeds, c.brakeFrom, c.brakeTo), 1, 0.05, 0.5);
    EXPECT_EQ(c.brakeTime, summary.brakeTime) << c.what;
    EXPECT_TRUE(near(c.stopTime, summary.stopTime)) << c.what;
    EXPECT_TRUE(near(c.stopDistance, summary.stopDistance)) << c.what;
    EXPECT_TRUE(near(c.creepDistance, summary.creepDistance)) << c.what;
  }
}

// Rows 0.25 s apart: a span of 0.5 s is two rows. The wheelsets swing against
// the car by 4 m/s from row to row while the centre of mass speeds up evenly at
// 2 m/s2, and then by 1 m/s over the last span: only the centre's mean
// accelerations count, the largest over half a second being the last one.
TEST(RunSummaryTest, AccelerationsAreTheCentreOfMassesOverHalfASecond) {
  std::vector<SummaryRow> rows;
  const double wheelsets[] = {0, 1, 0, 1, 0, 1, 3};
  const double centre[] = {0, 0.5, 1, 1.5, 2, 2.5, 4};
  for (int k = 0; k < 7; ++k) {
    rows.push_back({0.25 * k, {0}, {wheelsets[k]}, {wheelsets[k]}, {0}, centre[k]});
  }
  const RunSummary summary = SummariseRun(rows, 1, 0.05, 0.25);
  EXPECT_EQ(4.0, summary.peakAcceleration);
  EXPECT_EQ(0.0, summary.peakDeceleration);
  EXPECT_EQ(3.0, summary.peakSpeed);
}

// A wheel chattering at rest throws its slip beyond the band every step, and
// the speeds at the rows with it, while the vehicle stays where it is.
TEST(RunSummaryTest, AWheelChatteringAtRestDoesNotSlide) {
  std::vector<SummaryRow> rows;
  for (int k = 0; k < 20; ++k) {
    const double swing = k == 0 ? 0.0 : k % 2 == 0 ? 0.03 : -0.03;
    rows.push_back({0.01 * k, {25000}, {swing}, {-2 * swing}, {k % 2 == 0 ? 0.0 : 1e-4}, swing});
  }
  const RunSummary atRest = SummariseRun(rows, 1, 0.05, 0.01);
  EXPECT_EQ(0.0, atRest.slidingTime);
  EXPECT_EQ(std::optional<double>(0.0), atRest.stopTime);

  // The same wheel while the vehicle moves at 0.03 m/s slides every step.
  for (int k = 0; k < 20; ++k) rows[k].position = {0.0003 * k};
  EXPECT_NEAR(0.19, SummariseRun(rows, 1, 0.05, 0.01).slidingTime, 1e-12);
}

TEST(RunSummaryTest, LineAndCsvCellsSayEveryFigureAndLeaveAMissingStopEmpty) {
  const RunSummary stopped = SummariseRun(TwoAxleRun(), 2, 0.1, 1.0);
  EXPECT_EQ(
      "Summary: peak speed 4 m/s, peak acceleration 2 m/s2, peak deceleration 3 m/s2, stopping "
      "time 3 s, stopping distance 6.01 m, sliding 2 s, largest slip 0.25 0.5 m/s\n",
      SummaryLine(stopped));
  EXPECT_EQ("4,2,3,2,3,6.01,2,0.25,0.5", SummaryCells(stopped));
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

  const RunSummary creeping = SummariseRun(
      OneAxleRun({0, -0.019, -0.019, -0.019, -0.019, -0.019, -0.019, -0.019, -0.019}, 1), 1, 0.05,
      0.5);
  EXPECT_EQ(
      "Summary: peak speed 0.019 m/s, peak acceleration 0 m/s2, peak deceleration 0.038 m/s2, "
      "does not stop (creeps on 0.076 m below 0.02 m/s), sliding 0 s, largest slip 0 m/s\n",
      SummaryLine(creeping));
  EXPECT_EQ("0.019,0,0.038,0,,,0,0", SummaryCells(creeping));
}

// A braked stop from 10 m/s on a line whose adhesion mu(x) and gradient
// sin(theta) change along it, the vehicle decelerating at
// eta g mu(x) + g sin(theta) everywhere: its summary's adhesion used is eta.
// Rows 0.01 s apart, the acceleration of each step that of where it starts.
RunSummary StopOnALine(double eta, double (*mu)(double), double sine) {
  RunSummaryBuilder builder;
  builder.Start(1, 0.05, 0.01);
  const double g = 9.81;
  double v = 10.0;
  double x = 0.0;
  for (int k = 0; k < 10000; ++k) {
    if (k > 0) {
      const double a = std::min(v / 0.01, eta * g * mu(x) + g * sine);
      x += v * 0.01 - a * 0.01 * 0.01 / 2.0;
      v -= a * 0.01;
    }
    builder.SetLineConditions(mu(x), sine);
    builder.Add(0.01 * k, {k > 0 ? 1.0 : 0.0}, {v}, {v}, {x}, v);
  }
  return builder.Result();
}

TEST(RunSummaryTest, TheAdhesionUsedIsTheAdhesionsShareOfTheStop) {
  struct Case {
    const char* what;
    double eta;
    double (*mu)(double);
    double sine;
  };
  const Case cases[] = {
      {"level, mu 0.1", 0.8, [](double) { return 0.1; }, 0.0},
      {"uphill 20 per mille", 0.6, [](double) { return 0.1; }, 0.02},
      {"downhill, a wet stretch from 20 m to 40 m", 0.7,
       [](double x) { return x > 20.0 && x < 40.0 ? 0.05 : 0.12; }, -0.01},
  };
  for (const Case& c : cases) {
    const RunSummary summary = StopOnALine(c.eta, c.mu, c.sine);
    ASSERT_TRUE(summary.adhesionUsed) << c.what;
    EXPECT_NEAR(c.eta, *summary.adhesionUsed, 1e-3) << c.what;
  }
  // Without line conditions the figure is neither worked out nor said.
  const RunSummary plain = SummariseRun(TwoAxleRun(), 2, 0.1, 1.0);
  EXPECT_FALSE(plain.onRealLine);
  EXPECT_FALSE(plain.adhesionUsed);
  RunSummary onLine = StopOnALine(
      0.8, [](double) { return 0.1; }, 0.0);
  onLine.adhesionUsed = 0.8;
  EXPECT_NE(std::string::npos, SummaryLine(onLine).find(" m/s, adhesion used 0.8\n"));
  EXPECT_EQ(",adhesion_used\n", SummaryHeader({}, 1, true).substr(SummaryHeader({}, 1).size() - 1));
  EXPECT_EQ(",0.8", SummaryCells(onLine, true).substr(SummaryCells(onLine).size()));
  onLine.adhesionUsed.reset();
  EXPECT_EQ(",", SummaryCells(onLine, true).substr(SummaryCells(onLine).size()));
}

}  // namespace
