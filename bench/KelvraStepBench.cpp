// One vehicle-system step of the shipped vehicle (SUBDIV 10) with ITER 0 and the
// shipped ITER 3, replaying the demonstration history so that every kind of
// step is in the mix: traction with rolling wheels, coasting, the full brake
// with sliding wheels and standstill.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "framework/InputReaders.h"
#include "tests/support/ShippedVehicle.h"
#include "vehicle/Kelvra.h"

namespace {

const std::filesystem::path kDataDir = std::filesystem::path(KELVRA_SOURCE_DIR) / "data";
constexpr int kAxles = 4;

void BM_KelvraDoStep(benchmark::State& state) {
  const int iter = static_cast<int>(state.range(0));
  testing_support::ShippedVehicle vehicle;
  Matrix history;
  std::string error;
  if (!vehicle.Build(testing_support::ShippedModelFile(kDataDir), 0.005) ||
      !ReadExternalForceHistory((kDataDir / "demo_history.in").string(), history, error)) {
    state.SkipWithError((vehicle.Failure() + error).c_str());
    return;
  }
  Kelvra kelvra;
  std::ostringstream log;
  if (!vehicle.CreateKelvra(kelvra, iter, 10, log)) {
    state.SkipWithError(log.str().c_str());
    return;
  }
  std::vector<double> brakeDemand(kAxles, 0.0);
  int row = 0;
  for (auto _ : state) {
    if (row == history.num_rows()) {
      state.PauseTiming();
      kelvra.Init(log);
      row = 0;
      state.ResumeTiming();
    }
    for (int axle = 0; axle < kAxles; ++axle) brakeDemand[axle] = history[row][axle];
    benchmark::DoNotOptimize(kelvra.DoStep(brakeDemand, history[row][kAxles]));
    ++row;
  }
}
BENCHMARK(BM_KelvraDoStep)->Arg(0)->Arg(3)->ArgName("ITER");

}  // namespace
