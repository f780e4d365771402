#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "results/Progress.h"

namespace {

TEST(ProgressTest, BarTextFillsWholeCellsAndRoundsThePercentDown) {
  const struct {
    std::int64_t done;
    std::int64_t total;
    int width;
    const char* text;
  } cases[] = {
      {0, 100, 10, "[----------]   0 %"},
      {50, 100, 10, "[#####-----]  50 %"},
      {99, 100, 10, "[#########-]  99 %"},
      {100, 100, 10, "[##########] 100 %"},
      {1, 3, 10, "[###-------]  33 %"},
      {2, 3, 4, "[##--]  66 %"},
      {250, 100, 4, "[####] 100 %"},
      {-5, 100, 4, "[----]   0 %"},
      {0, 0, 4, "[####] 100 %"},
      {7, -1, 4, "[####] 100 %"},
      {3000000000000, 6000000000000, 2, "[#-]  50 %"},
      {1, 2, 0, "[]  50 %"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.text, ProgressBarText(c.done, c.total, c.width))
        << c.done << " of " << c.total << " in " << c.width;
  }
}

// The drawings of a bar, each started by a carriage return.
std::vector<std::string> Drawings(const std::string& out) {
  std::vector<std::string> drawings;
  std::istringstream parts(out);
  std::string part;
  while (std::getline(parts, part, '\r')) {
    if (!part.empty()) drawings.push_back(part);
  }
  return drawings;
}

// A quick run draws its start and its end, never more than once per percent,
// and wipes the bar at the end; a bar that is not enabled draws nothing.
TEST(ProgressTest, BarDrawsItsStartAndEndAndWipesItself) {
  std::ostringstream out;
  ProgressBar bar(100000, out, true);
  for (std::int64_t done = 0; done <= 100000; ++done) bar.Update(done);
  const std::string beforeFinish = out.str();
  bar.Finish();
  const std::vector<std::string> drawings = Drawings(beforeFinish);
  ASSERT_GE(drawings.size(), 2u);
  EXPECT_LE(drawings.size(), 101u);
  EXPECT_EQ(ProgressBarText(0, 100, ProgressBar::kWidth), drawings.front());
  EXPECT_EQ(ProgressBarText(1, 1, ProgressBar::kWidth), drawings.back());
  const std::string wipe = out.str().substr(beforeFinish.size());
  EXPECT_EQ("\r" + std::string(drawings.back().size(), ' ') + "\r", wipe);

  std::ostringstream silent;
  ProgressBar disabled(100, silent, false);
  for (int done = 0; done <= 100; ++done) disabled.Update(done);
  disabled.Finish();
  EXPECT_EQ("", silent.str());
}

}  // namespace
