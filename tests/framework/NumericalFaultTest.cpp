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
  // The largest finite inputs: the traction pitches the vehicle so hard in
  // the first step that the wheels' adhesion capacities (1.6e300 N) cannot be
  // integrated stably. The brake's standstill band of 1e306 m/s keeps the
  // brake inputs integrable, so that the run starts; the validator, with its
  // own brake, overflows.
  std::string history = "EFD 30 5\n";
  for (int row = 0; row < 30; ++row) history += "1.7e308 1.7e308 1.7e308 1.7e308 1.7e308\n";
  folder.Write("absurd.in", history);
  std::string model = folder.Read("combined_train17_GEN.in");
  model.replace(model.find("BRKSYS 1 0.05"), 13, "BRKSYS 1 1e306");
  folder.Write("combined_train17_GEN.in", model);

  const auto result = RunIn(folder.Path(), KelvraCommand("--console --history absurd.in"));
  EXPECT_EQ(0, result.exitCode);
  const std::string message = "\nError - The wheel integration of axle ";
  const std::size_t at = result.out.find(message);
  ASSERT_NE(std::string::npos, at) << result.out;
  EXPECT_EQ(std::string::npos, result.out.find(message, at + 1)) << "reported more than once";
  EXPECT_NE(std::string::npos, result.out.find(" is unstable in step 1 (t = 0.005 s): ", at));
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
