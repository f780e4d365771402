// Set-up cost on the shipped vehicle: parsing and the model's matrices, the
// exact discretisation (eigen and Jordan decomposition, block integrals, the
// series check, C, P and P1), and the whole preparation up to the vehicle
// side's compressed matrices.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "model/ModelCreation.h"
#include "setup/VehicleSetUp.h"
#include "solver/SimulationModule.h"

namespace {

const std::filesystem::path kModelFile =
    std::filesystem::path(KELVRA_SOURCE_DIR) / "data" / "combined_train17_GEN.in";
constexpr double kTimeStep = 0.005;

void BM_ShippedModelCreation(benchmark::State& state) {
  for (auto _ : state) {
    ModelCreation model;
    if (!model.CreateComponents(kModelFile.string()) || !model.CalculateBasicMatrices()) {
      state.SkipWithError("model creation failed");
      break;
    }
    benchmark::DoNotOptimize(model.GetMatrix('A'));
  }
}
BENCHMARK(BM_ShippedModelCreation)->Unit(benchmark::kMicrosecond);

void BM_ShippedFundamentalMatrices(benchmark::State& state) {
  ModelCreation model;
  if (!model.CreateComponents(kModelFile.string()) || !model.CalculateBasicMatrices()) {
    state.SkipWithError("model creation failed");
    return;
  }
  for (auto _ : state) {
    SimulationModule module;
    if (!module.PrepareFundamentalMatrices(model.GetMatrix('A'), model.GetMatrix('F'), kTimeStep)) {
      state.SkipWithError("preparation failed");
      break;
    }
    benchmark::DoNotOptimize(module.GetMatrix('C'));
  }
}
BENCHMARK(BM_ShippedFundamentalMatrices)->Unit(benchmark::kMicrosecond);

void BM_ShippedWholePreparation(benchmark::State& state) {
  for (auto _ : state) {
    VehicleSetUp vehicle;
    if (!vehicle.Build(kModelFile.string(), kTimeStep)) {
      state.SkipWithError(vehicle.Failure().c_str());
      break;
    }
    benchmark::DoNotOptimize(vehicle.Vehicle().Step().fundamental);
  }
}
BENCHMARK(BM_ShippedWholePreparation)->Unit(benchmark::kMicrosecond);

}  // namespace
