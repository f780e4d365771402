// Results that were wrong while the run reported success: each is checked here
// against an independent figure of the same run.

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "support/SoftSecondaryVehicle.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

// `rows` rows of the same inputs: four brake inputs, then the traction.
std::string ConstantHistory(int rows, const std::string& row) {
  std::ostringstream text;
  text << "EFD " << rows << " 5\n";
  for (int k = 0; k < rows; ++k) text << row << "\n";
  return text.str();
}

int Occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// 2 s of full traction from rest, then 1 s of the full brake, under which every
// wheel slides.
std::string BrakeAfterTraction() {
  std::string history = "EFD 600 5\n";
  for (int k = 0; k < 600; ++k) {
    history += k < 400 ? "0 0 0 0 100000\n" : "25000 25000 25000 25000 0\n";
  }
  return history;
}

// The time series that the console run left in results/.
CsvTable ConsoleSeries(const TempFolder& folder) {
  for (const std::string& name : ResultFiles(folder)) {
    if (name.rfind("_kelvra_result_", 0) == 0 && name.find(".csv") != std::string::npos) {
      return ReadCsv(folder.Read("results/" + name));
    }
  }
  ADD_FAILURE() << "no time series";
  return {};
}

// The summary row that the console run left in results/.
CsvTable ConsoleSummary(const TempFolder& folder) {
  for (const std::string& name : ResultFiles(folder)) {
    if (name.rfind("_kelvra_result_", 0) == 0 && name.find("_summary.csv") != std::string::npos) {
      return ReadCsv(folder.Read("results/" + name), true);
    }
  }
  ADD_FAILURE() << "no summary";
  return {};
}

// A traction step makes the car swing against its bogies on a soft secondary
// suspension, and the wheelsets with them; the whole vehicle still accelerates
// as one mass: the bodies and the wheels' reduced masses, which adhesion
// carries along.
TEST(WrongResultsTest, PeakAccelerationIsTheWholeVehiclesOnASoftSecondarySuspension) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("combined_train17_GEN.in", testing_support::SoftSecondaryVehicle());
  folder.Write("h.in", ConstantHistory(800, "0 0 0 0 20000"));
  const auto run = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
  EXPECT_EQ(0, run.exitCode);
  const CsvTable summary = ConsoleSummary(folder);
  ASSERT_EQ(1u, summary.rows.size());
  const double mass = 31000.0 + 2 * 3000.0 + 4 * 1000.0 + 4 * 500.0;
  const double expected = 20000.0 / mass;
  EXPECT_NEAR(expected, summary.rows[0][summary.Column("peak_acceleration")], 0.05 * expected);
  EXPECT_EQ(0.0, summary.rows[0][summary.Column("peak_deceleration")]);
}

// At the largest DT the set-up accepts for the full brake with ITER 1, the
// braked wheels of the stopped vehicle work against their brake's standstill
// band step by step while the vehicle stays where it is: the sliding time ends
// with the stop.
TEST(WrongResultsTest, AVehicleChatteringAtRestDoesNotSlide) {
  TempFolder folder;
  folder.CopyShippedData();
  std::string history = "EFD 4400 5\n";
  for (int k = 0; k < 4400; ++k) {
    history += k < 400 ? "0 0 0 0 100000\n" : "25000 25000 25000 25000 0\n";
  }
  folder.Write("h.in", history);
  folder.Write("batch_paramsets.in", "BATCH 1 4\n0.006 1 10 0.05\n");
  const auto run = RunIn(folder.Path(), KelvraCommand("--batch --history h.in"), "\n");
  EXPECT_EQ(0, run.exitCode);
  const CsvTable summary = ReadCsv(folder.Read("results/batch_summary.csv"), true);
  ASSERT_EQ(1u, summary.rows.size());
  const std::vector<double>& row = summary.rows[0];
  const double stop = row[summary.Column("stopping_time")];
  ASSERT_LT(stop, 18.0) << "the vehicle does not stop";
  EXPECT_LE(row[summary.Column("sliding_time")], stop);
}

// Every set runs with the step matrices of its own DT, however close it lies to
// the previous set's: its results do not depend on the sets before it. Sets
// within 0.00001 s of each other used to share the first one's matrices, and
// the error grew along a chain of such sets.
TEST(WrongResultsTest, EveryBatchSetStepsWithTheMatricesOfItsOwnTimeStep) {
  const std::vector<std::string> timeSteps = {"0.0001", "0.000105", "9.2e-05", "8.4e-05",
                                              "7.6e-05"};
  std::vector<std::string> forward;
  std::vector<std::string> backward;
  for (const bool reversed : {false, true}) {
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", ConstantHistory(40, "0 0 0 0 100000"));
    std::string sets = "BATCH 5 4\n";
    for (std::size_t i = 0; i < timeSteps.size(); ++i) {
      sets += timeSteps[reversed ? timeSteps.size() - 1 - i : i] + " 3 10 0.05\n";
    }
    folder.Write("batch_paramsets.in", sets);
    const auto run = RunIn(folder.Path(), KelvraCommand("--batch --history h.in"), "\n");
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(5, Occurrences(run.out, "Time step changed, recalculate solution operators... OK"));
    for (std::size_t i = 0; i < timeSteps.size(); ++i) {
      (reversed ? backward : forward)
          .push_back(folder.Read("results/batch_" + std::to_string(i) + ".csv"));
    }
  }
  for (std::size_t i = 0; i < timeSteps.size(); ++i) {
    SCOPED_TRACE(timeSteps[i]);
    EXPECT_FALSE(forward[i].empty());
    EXPECT_TRUE(forward[i] == backward[timeSteps.size() - 1 - i]);
  }
}

// The validator models the shipped vehicle and plays one history row per 0.005 s
// from rest. A run that differs from it in any of that gets no figure from it,
// but one line saying why, and the reference integration of its own model
// instead, with which it agrees closely while the wheels roll. The same vehicle
// with its freedoms in another order is still the validator's.
TEST(WrongResultsTest, ComparisonWithTheValidatorOnlyWhereItMeansSomething) {
  struct Case {
    const char* title;
    std::string model;
    const char* history;  // rows of 0.005 s: traction, or nothing at all
    const char* reason;   // why the validator gives no figure; empty when it does
  };
  const char* const pull = "0 0 0 0 100000";
  const char* const none = "0 0 0 0 0";
  const Case cases[] = {
      {"shipped", testing_support::ShippedModelText(), pull, ""},
      {"freedoms in another order",
       testing_support::ShippedModelEdited(
           {{"Car_X Car_Y Car_R\nBogie1_X Bogie1_Y Bogie1_R\nBogie2_X Bogie2_Y Bogie2_R\n"
             "Wheelset1_X Wheelset2_X Wheelset3_X Wheelset4_X",
             "Bogie2_Y Bogie2_R Car_Y Car_R Bogie1_Y Bogie1_R Bogie2_X\n"
             "Wheelset4_X Wheelset2_X Wheelset3_X Wheelset1_X Bogie1_X Car_X"}}),
       pull, ""},
      {"coarser time step", ShippedModelWith("\nDT 0.005", "\nDT 0.01"), pull,
       "the run stepped 0.01 s per history row of 0.005 s, so the two did not play the same "
       "inputs over the same time"},
      {"finer time step", ShippedModelWith("\nDT 0.005", "\nDT 0.0025"), pull,
       "the run stepped 0.0025 s per history row of 0.005 s, so the two did not play the same "
       "inputs over the same time"},
      {"moving at the start",
       ShippedModelWith("Y0 26\n0 0 0 0 0 0 0 0 0 0 0 0 0\n",
                        "Y0 26\n0.01 0 0 0.01 0 0 0.01 0 0 0 0 0 0\n"),
       none, "the run started from the model's Y0, the validator from rest"},
      {"soft secondary suspension", testing_support::SoftSecondaryVehicle(), pull,
       "it models the shipped vehicle only, and this run's vehicle differs in its linear model"},
      {"heavier wheels", ShippedModelWith("Brake1  500", "Brake1  600"), pull,
       "it models the shipped vehicle only, and this run's vehicle differs in its wheels"},
      {"stronger brake", ShippedModelWith("BRKSYS 1 0.05", "BRKSYS 2 0.05"), pull,
       "it models the shipped vehicle only, and this run's vehicle differs in its brake"},
      {"running resistance", ShippedModelWith("RESIST 0 ", "RESIST 10 "), pull,
       "it models the shipped vehicle only, and this run's vehicle differs in its running "
       "resistance"},
      {"dry rail", ShippedModelWith("0.1 0.2 5 1 1", "0.3 0.2 5 1 1"), pull,
       "it models the shipped vehicle only, and this run's vehicle differs in its adhesion"},
      {"narrower slip band", ShippedModelWith("LIM 0.05", "LIM 0.04"), pull,
       "it models the shipped vehicle only, and this run's vehicle differs in LIM"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("combined_train17_GEN.in", c.model);
    folder.Write("h.in", ConstantHistory(40, c.history));
    const auto run = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
    EXPECT_EQ(0, run.exitCode);
    const std::string out = MaskDurations(run.out);
    const std::string end =
        "\n\tDone in # [s]\n" +
        (std::string(c.reason).empty() ? std::string(kComparison)
                                       : "No speed comparison with the validator: " +
                                             std::string(c.reason) + "\n" + kReferenceCheck) +
        kFilesWritten + kExitPrompt;
    ASSERT_GE(out.size(), end.size()) << out;
    EXPECT_EQ(end, out.substr(out.size() - end.size()));
    // Either solution is of the same vehicle: they agree within 1 mm/s.
    const std::regex figure("while every wheel rolls: ([0-9.e+-]+) m/s");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(run.out, match, figure)) << run.out;
    EXPECT_LT(std::stod(match[1]), 1e-3);
  }
}

// The rolling figure of a run whose wheels slide under the full brake is the
// small difference of the two integrations; the parting after the slide is
// given apart, with its cause.
TEST(WrongResultsTest, RollingDifferenceIsSmallWhenAWheelSlidesLater) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", BrakeAfterTraction());
  const auto run = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
  const std::regex lines(
      "\nLargest vehicle speed difference to the validator while every wheel rolls: ([0-9.e+-]+) "
      "m/s at [0-9.]+ s \\(axle [1-4]\\)\nLargest once a wheel has slid: ([0-9.e+-]+) m/s at "
      "[0-9.]+ s \\(axle [1-4]\\); a sliding wheel's force follows its normal force, which the "
      "two models work out differently\nFiles written: ");
  std::smatch match;
  ASSERT_TRUE(std::regex_search(run.out, match, lines)) << run.out;
  EXPECT_LT(std::stod(match[1]), 1e-3);
  EXPECT_GT(std::stod(match[2]), 1e-2);
}

// The first row is the state the vehicle starts from: the Y0 speed and position,
// the static loads. The running resistance c v |v| slows a vehicle coasting
// backwards exactly as one coasting forwards.
TEST(WrongResultsTest, FirstRowIsTheInitialStateAndResistanceOpposesTheMotion) {
  std::vector<CsvTable> runs;
  for (const char* speed : {"7.09", "-7.09"}) {
    TempFolder folder;
    folder.CopyShippedData();
    const std::string v = speed;
    std::string model = ShippedModelWith("Y0 26\n0 0 0 0 0 0 0 0 0 0 0 0 0\n",
                                         "Y0 26\n" + v + " 0 0 " + v + " 0 0 " + v + " 0 0 " + v +
                                             " " + v + " " + v + " " + v + "\n");
    model.replace(model.find("RESIST 0 "), 9, "RESIST 100 ");
    folder.Write("combined_train17_GEN.in", model);
    folder.Write("h.in", ConstantHistory(400, "0 0 0 0 0"));
    const auto run = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
    EXPECT_EQ(0, run.exitCode);
    runs.push_back(ConsoleSeries(folder));
  }
  const CsvTable& forward = runs[0];
  const CsvTable& backward = runs[1];
  ASSERT_EQ(401u, forward.rows.size());
  ASSERT_EQ(401u, backward.rows.size());
  for (int axle = 1; axle <= 4; ++axle) {
    const std::string n = std::to_string(axle);
    EXPECT_EQ(7.09, forward.rows[0][forward.Column("vehicle_speed_" + n)]);
    EXPECT_EQ(0.0, forward.rows[0][forward.Column("wheel_speed_" + n)]);
    EXPECT_EQ(98100.0, forward.rows[0][forward.Column("normal_force_" + n)]);
    EXPECT_EQ(0.0, forward.rows[0][forward.Column("position_" + n)]);
  }
  // Once the wheels have been spun up and the bogies have settled, the two runs
  // mirror each other; the vehicle has slowed from the 7.09 * 41000 / 43000 =
  // 6.76 m/s it shares with the spun-up wheels.
  const std::size_t speed = forward.Column("vehicle_speed_1");
  EXPECT_NEAR(forward.rows.back()[speed], -backward.rows.back()[speed], 1e-5);
  EXPECT_LT(forward.rows.back()[speed], 6.6);
}

}  // namespace
