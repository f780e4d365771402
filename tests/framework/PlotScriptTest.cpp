// scripts/plot.sh on a small run, validator and states file: the pictures beside
// the first file, from any column layout, each sheet with the inputs and each
// run named once; files it cannot plot are refused.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

// A states file of the run: car and bogie in X, Y and R, a wheelset in X, their
// velocities and one deflection.
std::string BodyStates() {
  const char* const freedoms[] = {"Car_X",    "Car_Y",    "Car_R",      "Bogie1_X",
                                  "Bogie1_Y", "Bogie1_R", "Wheelset1_X"};
  std::ostringstream text;
  text << "time";
  for (const char* name : freedoms) text << "," << name;
  for (const char* name : freedoms) text << "," << name << "_velo";
  text << ",Prim1VertDefl\n";
  for (int k = 0; k < 50; ++k) {
    text << k * 0.005;
    for (int i = 0; i < 15; ++i) text << "," << 0.001 * std::sin(k * 0.1 + i);
    text << "\n";
  }
  return text.str();
}

// Occurrences of `text` as a whole text element of an SVG picture.
int TextCount(const std::string& svg, const std::string& text) {
  int count = 0;
  const std::string element = "<text>" + text + "</text>";
  for (auto at = svg.find(element); at != std::string::npos; at = svg.find(element, at + 1)) {
    ++count;
  }
  return count;
}

// The README's first indented code block that runs scripts/plot.sh, unindented.
std::string ReadmePlotExample() {
  std::istringstream lines(testing_support::ReadFile(SourceDir() / "README.md"));
  std::string block;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("    ", 0) == 0) {
      block += line.substr(4) + "\n";
    } else if (block.find("scripts/plot.sh") != std::string::npos) {
      return block;
    } else {
      block.clear();
    }
  }
  return "";
}

bool IsPng(const std::string& bytes) {
  return bytes.size() > 1000 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

TEST(PlotScriptTest, PicturesOfOneFileAndOfAnOverlay) {
  if (!HaveGnuplot()) GTEST_SKIP() << "gnuplot is not installed";
  struct Case {
    const char* files;
    const char* stem;
    std::vector<std::string> pictures;
  };
  const std::vector<std::string> series = {"_speeds.png", "_slip.png", "_forces.png"};
  const Case cases[] = {
      {"run.csv", "run", series},
      {"out/states.csv", "out/states", series},
      {"run.csv out/states.csv", "run", series},
      {"out/states.csv run.csv", "out/states", series},
      {"run.csv run_states.csv", "run", {"_speeds.png", "_slip.png", "_forces.png", "_bodies.png"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.files);
    TempFolder folder;
    folder.Write("run.csv", RunSeries());
    folder.Write("run_states.csv", BodyStates());
    folder.Write("out/states.csv", StateSeries());
    const auto run = RunIn(folder.Path(), PlotCommand(c.files));
    EXPECT_EQ(0, run.exitCode) << run.err;
    const std::string stem = c.stem;
    std::string written;
    for (const std::string& picture : c.pictures) {
      written += stem + picture + "\n";
      EXPECT_TRUE(IsPng(folder.Read(stem + picture))) << stem + picture;
    }
    EXPECT_EQ(written, run.out);
  }
}

// With --svg the sheets are text, so their content can be read: an input panel
// wherever a run's inputs are known (for a states file from its run's CSV
// beside it), every run named once on each sheet, and the bodies sheet with the
// vertical motion and pitch of the car and the bogie, each panel with its key.
TEST(PlotScriptTest, SvgSheetsShowTheInputsAndNameEachRunOnce) {
  if (!HaveGnuplot()) GTEST_SKIP() << "gnuplot is not installed";
  struct Case {
    const char* files;
    std::vector<std::string> sheets;
    std::vector<std::pair<std::string, int>> texts;  // text element, occurrences
  };
  const Case cases[] = {
      {"--svg run.csv out/states.csv",
       {"run_speeds.svg", "run_slip.svg", "run_forces.svg"},
       {{"inputs", 1}, {"run", 1}, {"states", 1}}},
      {"out/states.csv --svg", {"out/states_speeds.svg"}, {{"inputs", 0}, {"states", 1}}},
      {"--svg run_states.csv",
       {"run_states_bodies.svg"},
       {{"inputs", 1},
        {"run", 1},
        {"vertical displacement", 1},
        {"pitch", 1},
        {"Car", 2},
        {"Bogie1", 2},
        {"Wheelset1", 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.files);
    TempFolder folder;
    folder.Write("run.csv", RunSeries());
    folder.Write("run_states.csv", BodyStates());
    folder.Write("out/states.csv", StateSeries());
    const auto run = RunIn(folder.Path(), PlotCommand(c.files));
    EXPECT_EQ(0, run.exitCode) << run.err;
    for (const std::string& sheet : c.sheets) {
      SCOPED_TRACE(sheet);
      const std::string svg = folder.Read(sheet);
      EXPECT_NE(std::string::npos, svg.find("<svg")) << svg.substr(0, 200);
      for (const auto& [text, count] : c.texts) EXPECT_EQ(count, TextCount(svg, text)) << text;
    }
  }
}

// Run as written from the repository root, over the files a console run leaves.
TEST(PlotScriptTest, ReadmeExampleRunsAsWritten) {
  if (!HaveGnuplot()) GTEST_SKIP() << "gnuplot is not installed";
  const std::string example = ReadmePlotExample();
  ASSERT_FALSE(example.empty());
  TempFolder folder;
  folder.Write("scripts/plot.sh", testing_support::ReadFile(SourceDir() / "scripts" / "plot.sh"));
  folder.Write("data/results/_kelvra_result_-12.csv", RunSeries());
  folder.Write("data/results/ruku_states.csv", StateSeries());
  folder.Write("data/results/_kelvra_result_-12_states.csv", BodyStates());
  const auto run = RunIn(folder.Path(), example);
  EXPECT_EQ(0, run.exitCode) << example << run.err;
  EXPECT_TRUE(IsPng(folder.Read("data/results/_kelvra_result_-12_speeds.png")));
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
      {"", 2, "Usage: scripts/plot.sh [--svg] CSV [CSV...]"},
      {"--png run.csv", 2, "plot.sh: unknown option '--png'\n"},
      {"run.csv absent.csv", 1, "plot.sh: cannot read 'absent.csv'\n"},
      {"run.csv other.csv", 1,
       "plot.sh: 'other.csv' has neither vehicle_speed_<i> columns nor body motions (<body>_Y, "
       "<body>_R)\n"},
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

namespace {

std::string StudyPlotCommand(const std::string& arguments) {
  return "bash '" + (SourceDir() / "scripts" / "plot_study.sh").string() + "' " + arguments;
}

// Four cases of two gains at two adhesion levels, listed out of order; the
// case at gain 1 and level 0.08 has no stop.
const char* const kStudySummary =
    "case,BRKSYS.gain,ADHSET.1.mu_max,stopping_distance,sliding_time\n"
    "4,1,0.1,120,0\n"
    "1,0.5,0.08,200,0\n"
    "3,0.5,0.1,180,0\n"
    "2,1,0.08,,3\n";

// One line per adhesion level, named in its key; the picture beside the summary.
TEST(PlotScriptTest, StudyFigureAgainstAParameterWithALinePerGroup) {
  if (!HaveGnuplot()) GTEST_SKIP() << "gnuplot is not installed";
  TempFolder folder;
  folder.Write("results/study_summary.csv", kStudySummary);
  const auto svg = RunIn(folder.Path(), StudyPlotCommand("--svg results/study_summary.csv "
                                                         "stopping_distance BRKSYS.gain "
                                                         "ADHSET.1.mu_max"));
  ASSERT_EQ(0, svg.exitCode) << svg.err;
  EXPECT_EQ("results/study_summary_stopping_distance.svg\n", svg.out);
  const std::string picture = folder.Read("results/study_summary_stopping_distance.svg");
  EXPECT_EQ(1, TextCount(picture, "ADHSET.1.mu_max = 0.08"));
  EXPECT_EQ(1, TextCount(picture, "ADHSET.1.mu_max = 0.1"));
  EXPECT_EQ(1, TextCount(picture, "stopping_distance [m]"));

  const auto png = RunIn(folder.Path(), StudyPlotCommand("--output p.png "
                                                         "results/study_summary.csv "
                                                         "sliding_time BRKSYS.gain"));
  ASSERT_EQ(0, png.exitCode) << png.err;
  EXPECT_TRUE(IsPng(folder.Read("p.png")));
}

// A group whose first value is 0 keeps its line and its name: a switch such
// as WSP.enabled, off and on.
TEST(PlotScriptTest, AGroupValueOfZeroIsALineOfItsOwn) {
  if (!HaveGnuplot()) GTEST_SKIP() << "gnuplot is not installed";
  TempFolder folder;
  folder.Write("s.csv",
               "case,ADHSET.1.mu_max,WSP.enabled,stopping_distance\n"
               "1,0.05,0,\n2,0.05,1,215\n3,0.08,0,371\n4,0.08,1,132\n");
  const auto svg = RunIn(folder.Path(), StudyPlotCommand("--svg s.csv stopping_distance "
                                                         "ADHSET.1.mu_max WSP.enabled"));
  ASSERT_EQ(0, svg.exitCode) << svg.err;
  const std::string picture = folder.Read("s_stopping_distance.svg");
  EXPECT_EQ(1, TextCount(picture, "WSP.enabled = 0"));
  EXPECT_EQ(1, TextCount(picture, "WSP.enabled = 1"));
}

TEST(PlotScriptTest, StudyColumnsThatAreMissingAreRefused) {
  if (!HaveGnuplot()) GTEST_SKIP() << "gnuplot is not installed";
  TempFolder folder;
  folder.Write("s.csv", kStudySummary);
  const auto run = RunIn(folder.Path(), StudyPlotCommand("s.csv peak_speed BRKSYS.gain"));
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ("plot_study.sh: 's.csv' has no column 'peak_speed'\n", run.err);
  EXPECT_EQ(2, RunIn(folder.Path(), StudyPlotCommand("s.csv peak_speed")).exitCode);
}

}  // namespace
