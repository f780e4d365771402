// Vehicles that differ from the shipped one run like it: the step matrices are
// prepared (by the augmented exponential where the modal path is not exact),
// the run writes its results and is checked against its own model, and the
// simulation log says which method gave C, P and P1.

#include <gtest/gtest.h>

#include <string>

#include "ProgramRun.h"
#include "support/ChangedVehicles.h"
#include "tools/ChainModel.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

const char* const kFallback = " -> Using augmented matrix exponential for C, P and P1\n";

std::string TrainOf(int freedoms) {
  std::string text;
  std::string error;
  EXPECT_TRUE(chain_model::VehicleChainModelText(freedoms, testing_support::ShippedModelText(),
                                                 text, error))
      << error;
  return text;
}

TEST(GeneralModelRunTest, ChangedVehiclesAreSetUpAndRun) {
  struct Case {
    const char* title;
    std::string model;
    const char* method;  // in simulation_module.log
    bool fallback;       // C, P and P1 from the augmented exponential
  };
  const char* const jordan =
      "\n-> Eigenvector matrix is badly conditioned -> Using Jordan decomposition for "
      "transformation\n";
  const char* const noJordan =
      "\n-> ERROR: Eigenvector matrix is badly conditioned -> Cannot create Jordan decomposition "
      "for transformation\n";
  const Case cases[] = {
      {"shipped vehicle tied to the ground", testing_support::GroundTiedVehicle(), noJordan, true},
      {"every stiffness times 1e4", testing_support::StifferVehicle(1e4), noJordan, true},
      {"a decoupled critically damped body", testing_support::VehicleWithCriticallyDampedBody(),
       jordan, true},
      {"a train of 60 freedoms behind the shipped vehicle", TrainOf(60), jordan, false},
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
                  "Simulation in progress...\n\tDone in # [s]\nSummary: #\n" + kValidatorRun +
                  kNotTheValidatorsLinearModel + kReferenceCheck + kFilesWritten + kExitPrompt,
              MaskDurations(run.out));
    EXPECT_EQ(8u, ResultFiles(folder).size());
    const std::string log = folder.Read("L/simulation_module.log");
    EXPECT_NE(std::string::npos, log.find(c.method));
    EXPECT_EQ(c.fallback, log.find(kFallback) != std::string::npos);
    EXPECT_EQ(
        c.fallback,
        log.find("\n|External force step matrix P1 from the augmented matrix exponential\n") !=
            std::string::npos);
  }
}

}  // namespace
