// Vehicles that differ from the shipped one run like it: the step matrices are
// prepared (by the augmented exponential where the modal path is not exact),
// the run writes its results, and the simulation log says which method gave C,
// P and P1.

#include <gtest/gtest.h>

#include <string>

#include "ProgramRun.h"
#include "tools/ChainModel.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

const char* const kFallback = " -> Using augmented matrix exponential for C, P and P1\n";

std::string TrainOf(int freedoms) {
  std::string text;
  std::string error;
  EXPECT_TRUE(chain_model::VehicleChainModelText(
      freedoms, testing_support::ReadFile(testing_support::DataDir() / "combined_train17_GEN.in"),
      text, error))
      << error;
  return text;
}

TEST(GeneralModelRunTest, ChangedVehiclesAreSetUpAndRun) {
  struct Case {
    const char* title;
    std::string model;
    const char* method;  // in simulation_module.log
  };
  const std::string groundSpring = ShippedModelWith(
      "FORCE   Prim4Vert ", "FORCE Anchor CarTraction GroundTraction 1e5 0\nFORCE   Prim4Vert ");
  const Case cases[] = {
      {"shipped vehicle tied to the ground", groundSpring,
       "\n-> ERROR: Eigenvector matrix is badly conditioned -> Cannot create Jordan decomposition "
       "for transformation\n"},
      {"a train of 60 freedoms behind the shipped vehicle", TrainOf(60),
       "\n-> Eigenvector matrix is badly conditioned -> Using Jordan decomposition for "
       "transformation\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("combined_train17_GEN.in", c.model);
    folder.Write("h.in", RampHistory(20));
    const auto run =
        RunIn(folder.Path(), KelvraCommand("--console --history h.in --log-dir L"), "\n");
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(ConsoleStart() + kModelOK + kHistoryOK + kPreparedOK + kVehicleOK +
                  "Simulation in progress...\n\tDone in # [s]\n" + kValidatorRun + kComparison +
                  kExitPrompt,
              MaskDurations(run.out));
    EXPECT_EQ(6u, ResultFiles(folder).size());
    const std::string log = folder.Read("L/simulation_module.log");
    EXPECT_NE(std::string::npos, log.find(c.method));
    const bool fallback = std::string(c.method).find("ERROR") != std::string::npos;
    EXPECT_EQ(fallback, log.find(kFallback) != std::string::npos) << log;
  }
}

}  // namespace
