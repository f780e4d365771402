#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "framework/Framework.h"

namespace {

using namespace program_run;
using testing_support::TempFolder;

// Runs in `folder` and goes back to the previous working folder afterwards: the
// batch sets and the result files are found relative to the working folder.
class WorkingFolder {
 public:
  explicit WorkingFolder(const std::filesystem::path& folder)
      : previous(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~WorkingFolder() { std::filesystem::current_path(previous); }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

 private:
  std::filesystem::path previous;
};

// Longitudinal momentum of the linear model: car body, two bogies and four
// wheelsets, each velocity at its position in the state (DOF order of the model).
double LongitudinalMomentum(const std::vector<double>& state) {
  return 31000.0 * state[0] + 3000.0 * (state[3] + state[6]) +
         1000.0 * (state[9] + state[10] + state[11] + state[12]);
}

// Sum over the steps of dt * traction of the row each step holds, for the ramp
// history (traction 1000 (r + 1) in row r); rows advance every 0.005 s, so step k
// of a step `num/den` * 0.005 holds row floor(k num / den).
double RampImpulse(int steps, int num, int den) {
  double impulse = 0.0;
  for (int k = 0; k < steps; ++k) impulse += 0.005 * num / den * 1000.0 * ((k * num) / den + 1);
  return impulse;
}

// With (next to) no adhesion the wheels and the track exchange no force and the
// only longitudinal force on the vehicle is the traction, held constant over each
// step. Its momentum after a run is therefore the traction impulse of the steps
// that ran: the check sees how many steps each run made, which history rows they
// used, that every set was prepared for its own time step and that every set
// started again from rest.
TEST(ReplayImpulseTest, MomentumAfterARunIsTheTractionImpulseOfItsSteps) {
  struct Case {
    const char* title;
    int flags;
    const char* sets;
    double impulse;
  };
  const int rows = 40;
  const Case cases[] = {
      {"console: one step per row", 0, "", RampImpulse(rows, 1, 1)},
      {"batch at the model's step", Framework::kRequestBatchRun, "BATCH 1 4\n0.005 3 10 0.05\n",
       RampImpulse(rows, 1, 1)},
      {"batch at twice the step: every other row", Framework::kRequestBatchRun,
       "BATCH 1 4\n0.01 3 10 0.05\n", RampImpulse(rows / 2, 2, 1)},
      {"batch at half the step: every row twice", Framework::kRequestBatchRun,
       "BATCH 1 4\n0.0025 3 10 0.05\n", RampImpulse(2 * rows, 1, 2)},
      {"batch at 0.003 s: 66 steps", Framework::kRequestBatchRun, "BATCH 1 4\n0.003 3 10 0.05\n",
       RampImpulse(66, 3, 5)},
      {"the last set starts from rest", Framework::kRequestBatchRun,
       "BATCH 2 4\n0.005 3 10 0.05\n0.005 1 5 0.05\n", RampImpulse(rows, 1, 1)},
      {"the last set is prepared for its own step", Framework::kRequestBatchRun,
       "BATCH 2 4\n0.0025 3 10 0.05\n0.01 3 10 0.05\n", RampImpulse(rows / 2, 2, 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TempFolder folder;
    folder.CopyShippedData();
    // muStatic 1e-9: the adhesion forces stay below 1e-4 N, their impulse far
    // below the tolerance.
    folder.Write("combined_train17_GEN.in",
                 ShippedModelWith("ADHSET 1\n0.1 0.2 5 1 1", "ADHSET 1\n1e-9 0.2 5 1 1"));
    folder.Write("h.in", RampHistory(rows));
    folder.Write("batch_paramsets.in", c.sets);
    WorkingFolder here(folder.Path());
    Framework framework;
    testing::internal::CaptureStdout();
    const bool ready =
        framework.Initialize("combined_styles_GEN.in", "h.in", c.flags, "combined_train17_GEN.in");
    if (ready) framework.Run(0, nullptr);
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(ready) << out;
    EXPECT_EQ(std::string::npos, out.find("error")) << out;
    const double momentum = LongitudinalMomentum(framework.VehicleSystem().LinearState());
    EXPECT_NEAR(c.impulse, momentum, 1e-6 * c.impulse);
  }
}

}  // namespace
