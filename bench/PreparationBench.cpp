// Set-up cost on the shipped vehicle: parsing and the model's matrices, the
// exact discretisation (eigen and Jordan decomposition, block integrals, the
// series check, C, P and P1), and the whole preparation up to the vehicle
// side's compressed matrices.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "model/ModelCreation.h"
#include "solver/SimulationModule.h"
#include "tests/support/ShippedVehicle.h"

namespace {

const std::filesystem::path kModelFile =
    testing_support::ShippedModelFile(std::filesystem::path(KELVRA_SOURCE_DIR) / "data");
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
    testing_support::ShippedVehicle vehicle;
    if (!vehicle.Build(kModelFile, kTimeStep)) {
      state.SkipWithError(vehicle.Failure().c_str());
      break;
    }
    benchmark::DoNotOptimize(vehicle.c);
  }
}
BENCHMARK(BM_ShippedWholePreparation)->Unit(benchmark::kMicrosecond);

}  // namespace
