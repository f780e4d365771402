#include <gtest/gtest.h>

#include <vector>

#include "framework/Resampling.h"

namespace {

std::vector<int> RowsUsed(int rows, double timeStep) {
  std::vector<int> used;
  for (int k = 0; k < ResampledStepCount(rows, timeStep); ++k) {
    used.push_back(ResampledRow(k, timeStep));
  }
  return used;
}

TEST(ResamplingTest, CoarserStepSkipsRows) {
  const std::vector<int> used = RowsUsed(400, 0.01);
  ASSERT_EQ(200u, used.size());
  for (int k = 0; k < 200; ++k) EXPECT_EQ(2 * k, used[k]) << "step " << k;
}

TEST(ResamplingTest, FinerStepUsesEveryRowTwice) {
  const std::vector<int> used = RowsUsed(400, 0.0025);
  ASSERT_EQ(800u, used.size());
  for (int k = 0; k < 800; ++k) EXPECT_EQ(k / 2, used[k]) << "step " << k;
}

TEST(ResamplingTest, EqualStepUsesEveryRowOnceAndShortHistoriesRunNothing) {
  const std::vector<int> used = RowsUsed(12000, 0.005);
  ASSERT_EQ(12000u, used.size());
  for (int k = 0; k < 12000; ++k) ASSERT_EQ(k, used[k]);
  EXPECT_EQ(0, ResampledStepCount(1, 0.01));
  EXPECT_EQ(0, ResampledStepCount(0, 0.005));
  EXPECT_EQ(0, ResampledStepCount(10, 0.0));
  EXPECT_EQ(1, ResampledStepCount(3, 0.01));
  EXPECT_EQ(6, ResampledStepCount(3, 0.0025));
}

TEST(ResamplingTest, NonWholeRatiosHoldEachRowUntilTheNext) {
  // DT 0.003: 400 rows cover 2 s, that is 666 steps; step 5 lies at 0.015 s, row 3.
  EXPECT_EQ(666, ResampledStepCount(400, 0.003));
  EXPECT_EQ(3, ResampledRow(5, 0.003));
  EXPECT_EQ(2, ResampledRow(4, 0.003));
}

}  // namespace

namespace {

// 40 rows cover 0.2 s: 2e9 steps of 1e-10 s are still an int, and the last of
// them reads the last row; 2e11 steps of 1e-12 s are no int and count as none.
TEST(ResamplingTest, StepCountsBeyondAnIntDoNotFit) {
  EXPECT_TRUE(ResampledStepCountFits(40, 1e-10));
  EXPECT_EQ(2000000000, ResampledStepCount(40, 1e-10));
  EXPECT_EQ(39, ResampledRow(1999999999, 1e-10));
  EXPECT_FALSE(ResampledStepCountFits(40, 1e-12));
  EXPECT_EQ(0, ResampledStepCount(40, 1e-12));
  EXPECT_FALSE(ResampledStepCountFits(1, 0.005 / 2147483648.0));
  EXPECT_TRUE(ResampledStepCountFits(0, 1e-300));
}

}  // namespace
