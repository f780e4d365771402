// The linear half of one vehicle-system pass on the shipped vehicle: the exact
// step of the 26 states with its nine inputs ramping, then the per-axle outputs
// (normal forces, speeds, positions); each iteration commits, so C x is formed
// every time, as in the first pass of a step.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "setup/VehicleSetUp.h"
#include "solver/MtrxVeh.h"

namespace {

void BM_LinearStepAndOutputs(benchmark::State& state) {
  VehicleSetUp vehicle;
  if (!vehicle.Build(
          (std::filesystem::path(KELVRA_SOURCE_DIR) / "data" / "combined_train17_GEN.in").string(),
          0.005)) {
    state.SkipWithError(vehicle.Failure().c_str());
    return;
  }
  TMtrxVeh mtrxVeh;
  TMtrxVehOut vehOut;
  std::ostringstream log;
  const TimeStepMatrices& step = vehicle.Vehicle().Step();
  const CouplingData& coupling = vehicle.Vehicle().Coupling();
  if (!mtrxVeh.SetPar(step.fundamental, step.forceStep, vehicle.Vehicle().Definition().initialState,
                      log, 0.005, step.rampStep) ||
      !vehOut.SetPar(coupling.normalForce, coupling.staticAxleLoads, coupling.wheelDofIndices,
                     coupling.wheelStateIndices, log)) {
    state.SkipWithError(log.str().c_str());
    return;
  }
  mtrxVeh.Init();
  vehOut.Init();
  // Every input acts, and the traction balances the four adhesion forces, so
  // the free motion stays bounded however long the loop runs.
  const std::vector<double> u0 = {5000, 5000, 5000, 5000, -10000, 10000, -10000, 10000, 20000};
  const std::vector<double> u1 = {5100, 5100, 5100, 5100, -10200, 10200, -10200, 10200, 20400};
  for (auto _ : state) {
    mtrxVeh.DoStep(u0, u1);
    vehOut.Compute(mtrxVeh.NextState());
    mtrxVeh.Finalize();
    vehOut.Finalize();
    benchmark::DoNotOptimize(vehOut.NormalForce().data());
  }
}
BENCHMARK(BM_LinearStepAndOutputs);

}  // namespace
