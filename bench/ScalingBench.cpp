// Set-up cost against model size: the shipped vehicle leading a generated train
// of wagons up to the given number of freedoms (13 is the vehicle alone), from
// the model file to C, P and P1. scripts/bench_table.py fits the growth exponent.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "model/ModelCreation.h"
#include "solver/SimulationModule.h"
#include "tools/ChainModel.h"

namespace {

constexpr double kTimeStep = 0.005;

// The generated model in a file of its own under the temporary folder.
bool WriteTrainModel(int freedoms, std::filesystem::path& file, std::string& error) {
  std::ifstream shipped(std::filesystem::path(KELVRA_SOURCE_DIR) / "data" /
                        "combined_train17_GEN.in");
  std::ostringstream vehicle;
  vehicle << shipped.rdbuf();
  std::string text;
  if (!chain_model::VehicleChainModelText(freedoms, vehicle.str(), text, error)) return false;
  file = std::filesystem::temp_directory_path() /
         ("kelvra_bench_train_" + std::to_string(freedoms) + ".in");
  std::ofstream out(file, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

void BM_TrainSetUp(benchmark::State& state) {
  const int freedoms = static_cast<int>(state.range(0));
  std::filesystem::path file;
  std::string error;
  if (!WriteTrainModel(freedoms, file, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) {
    ModelCreation model;
    SimulationModule module;
    if (!model.CreateComponents(file.string()) || !model.CalculateBasicMatrices() ||
        !module.PrepareFundamentalMatrices(model.GetMatrix('A'), model.GetMatrix('F'), kTimeStep)) {
      state.SkipWithError("set-up failed");
      break;
    }
    benchmark::DoNotOptimize(module.GetMatrix('C'));
  }
  std::filesystem::remove(file);
}
BENCHMARK(BM_TrainSetUp)
    ->Arg(13)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->Arg(400)
    ->Unit(benchmark::kMillisecond);

}  // namespace
