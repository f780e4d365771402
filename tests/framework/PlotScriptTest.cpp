// scripts/plot.sh on a small run and validator pair: three pictures beside the
// first file, from either column layout; files it cannot plot are refused.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "support/TestSupport.h"

namespace {

using testing_support::RunIn;
using testing_support::SourceDir;
using testing_support::TempFolder;

bool HaveGnuplot() {
  return std::system("command -v gnuplot > /dev/null 2>&1") == 0;
}

std::string PlotCommand(const std::string& files) {
  return "bash '" + (SourceDir() / "scripts" / "plot.sh").string() + "' " + files;
}

// 50 rows of a vehicle run with two axles: a wheel that locks under braking.
std::string RunSeries() {
  std::ostringstream text;
  text << "time,traction";
  for (int i = 1; i <= 2; ++i) {
    text << ",brake_" << i << ",vehicle_speed_" << i << ",wheel_speed_" << i << ",slip_" << i
         << ",adhesion_force_" << i << ",normal_force_" << i << ",brake_force_" << i << ",position_"
         << i;
  }
  text << "\n";
  for (int k = 0; k < 50; ++k) {
    const double t = k * 0.005;
    const double v = 10.0 - 4.0 * t;
    text << t << ",0";
    for (int i = 1; i <= 2; ++i) {
      const double w = i == 1 && k > 20 ? 0.0 : v;
      text << ",25000," << v << "," << w << "," << v - w << "," << 2000.0 * std::exp(-(v - w))
           << ",98100,12500," << 10.0 * t - 2.0 * t * t;
    }
    text << "\n";
  }
  return text.str();
}

// The validator's layout: four wheelsets, no inputs or positions.
std::string StateSeries() {
  std::ostringstream text;
  text << "time";
  for (int i = 1; i <= 4; ++i) {
    text << ",vehicle_speed_" << i << ",wheel_speed_" << i << ",slip_" << i << ",adhesion_force_"
         << i << ",normal_force_" << i;
  }
  text << "\n";
  for (int k = 0; k < 50; ++k) {
    const double t = k * 0.005;
    text << t;
    for (int i = 1; i <= 4; ++i) text << "," << 10.0 - 3.0 * t << ",9.9,0.1,1500,123100";
    text << "\n";
  }
  return text.str();
}

bool IsPng(const std::string& bytes) {
  return bytes.size() > 1000 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

TEST(PlotScriptTest, PicturesOfOneFileAndOfAnOverlay) {
  if (!HaveGnuplot()) GTEST_SKIP() << "gnuplot is not installed";
  struct Case {
    const char* files;
    const char* stem;
  };
  const Case cases[] = {
      {"run.csv", "run"},
      {"out/states.csv", "out/states"},
      {"run.csv out/states.csv", "run"},
      {"out/states.csv run.csv", "out/states"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.files);
    TempFolder folder;
    folder.Write("run.csv", RunSeries());
    folder.Write("out/states.csv", StateSeries());
    const auto run = RunIn(folder.Path(), PlotCommand(c.files));
    EXPECT_EQ(0, run.exitCode) << run.err;
    const std::string stem = c.stem;
    EXPECT_EQ(stem + "_speeds.png\n" + stem + "_slip.png\n" + stem + "_forces.png\n", run.out);
    for (const char* picture : {"_speeds.png", "_slip.png", "_forces.png"}) {
      EXPECT_TRUE(IsPng(folder.Read(stem + picture))) << stem + picture;
    }
  }
}

TEST(PlotScriptTest, FilesItCannotPlotAreRefused) {
  if (!HaveGnuplot()) GTEST_SKIP() << "gnuplot is not installed";
  TempFolder folder;
  folder.Write("run.csv", RunSeries());
  folder.Write("other.csv", "time,speed\n0,1\n");
  folder.Write("untimed.csv", "vehicle_speed_1\n1\n");
  const struct {
    const char* files;
    int exitCode;
    const char* err;
  } cases[] = {
      {"", 2, "Usage: scripts/plot.sh CSV [CSV...]"},
      {"run.csv absent.csv", 1, "plot.sh: cannot read 'absent.csv'\n"},
      {"run.csv other.csv", 1, "plot.sh: 'other.csv' has no vehicle_speed_<i> columns\n"},
      {"untimed.csv", 1, "plot.sh: 'untimed.csv' has no 'time' column\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files);
    const auto run = RunIn(folder.Path(), PlotCommand(c.files));
    EXPECT_EQ(c.exitCode, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find(c.err)) << run.err;
    EXPECT_FALSE(folder.Exists("run_speeds.png"));
  }
}

}  // namespace
