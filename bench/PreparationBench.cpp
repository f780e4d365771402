#include <benchmark/benchmark.h>

#include "solver/SimulationModule.h"
#include "tests/support/MassChain.h"

namespace {

// Eigen and Jordan decomposition, block integrals and the checks of one
// preparation, on a 26 x 26 system with a free motion.
void BM_PrepareFundamentalMatrices(benchmark::State& state) {
  const testing_support::MassChain chain = testing_support::VehicleLikeChain();
  const Matrix a = testing_support::ChainSystemMatrix(chain);
  const Matrix f = testing_support::ChainInputMatrix(chain);
  for (auto _ : state) {
    SimulationModule module;
    if (!module.PrepareFundamentalMatrices(a, f, 0.001)) {
      state.SkipWithError("preparation failed");
      break;
    }
    benchmark::DoNotOptimize(module.GetMatrix('C'));
  }
}
BENCHMARK(BM_PrepareFundamentalMatrices)->Unit(benchmark::kMillisecond);

}  // namespace
