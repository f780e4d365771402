// A console run whose vehicle state breaks stops at that step, says so once
// and still writes its files; the validator guards its own state the same way.

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "ProgramRun.h"
#include "solver/ValidatorTrainModel.h"
#include "support/TestSupport.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

TEST(NumericalFaultTest, ConsoleRunStopsAtTheBrokenStepAndKeepsItsFiles) {
  TempFolder folder;
  folder.CopyShippedData();
  // The largest finite inputs: the traction sets the wheels turning, and the
  // brake forces on turning wheels overflow in the first step.
  std::string history = "EFD 30 5\n";
  for (int row = 0; row < 30; ++row) history += "1.7e308 1.7e308 1.7e308 1.7e308 1.7e308\n";
  folder.Write("absurd.in", history);

  const auto result = RunIn(folder.Path(), KelvraCommand("--console --history absurd.in"));
  EXPECT_EQ(0, result.exitCode);
  const std::string message =
      "\nError - The vehicle state is not finite after step 1 (t = 0.005 s): ";
  const std::size_t at = result.out.find(message);
  ASSERT_NE(std::string::npos, at) << result.out;
  EXPECT_EQ(std::string::npos, result.out.find(message, at + 1)) << "reported more than once";
  EXPECT_NE(std::string::npos, result.out.find(". The simulation stops.\n\tDone in ", at));

  // The result text and the time series hold what was valid: the initial row only.
  int seriesFiles = 0;
  for (const std::string& name : ResultFiles(folder)) {
    if (name.rfind("_kelvra_result_", 0) != 0 || name.find(".csv") == std::string::npos ||
        name.find("_summary") != std::string::npos) {
      continue;
    }
    ++seriesFiles;
    EXPECT_EQ(1u, ReadCsv(folder.Read("results/" + name)).rows.size());
  }
  EXPECT_EQ(1, seriesFiles);
  // The validator stopped at its first broken state without writing its forces.
  const std::string forces = folder.Read("results/ruku_forces.txt");
  EXPECT_GT(LineCount(forces), 0);
  for (const char* broken : {"nan", "inf"}) EXPECT_EQ(std::string::npos, forces.find(broken));
}

TEST(NumericalFaultTest, ValidatorNamesItsFirstNonFiniteEntry) {
  ValidatorState state{};
  EXPECT_EQ("", FirstNonFiniteEntry(state));
  state[kValidatorDofCount + 5] = std::numeric_limits<double>::infinity();
  state[30] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ("front bogie pitch displacement", FirstNonFiniteEntry(state));
  state[kValidatorWheelRotationDof + 2] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ("wheel 3 circumferential speed", FirstNonFiniteEntry(state));
}

}  // namespace
