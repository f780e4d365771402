// A console run against the validator, per simulated second of the same
// history in the same process: the exact solver's vehicle steps with their
// time-series rows (200 steps of 0.005 s), and the validator's Runge-Kutta
// steps with their force lines and state samples (2000 steps of 0.0005 s).
// Each iteration is one simulated second, so the real-time factor is one
// second divided by the time per iteration.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "bench/DemoReplay.h"
#include "results/ValidatorStates.h"
#include "solver/RungeKuttaSolver.h"
#include "solver/ValidatorTrainModel.h"

namespace {

using namespace bench_support;

constexpr double kSimulatedSeconds = 1.0;
constexpr double kSamplePeriod = 0.005;
constexpr double kValidatorStep = 0.0005;

void BM_ConsoleRunPerSimulatedSecond(benchmark::State& state) {
  DemoReplay replay;
  TemporaryRecording recording(replay.Recorder());
  if (!replay.SetUp(state, 3) || !recording.Open(state)) return;
  const int steps = static_cast<int>(std::lround(kSimulatedSeconds / replay.vehicle.TimeStep()));
  for (auto _ : state) {
    for (int k = 0; k < steps; ++k) {
      if (replay.AtEnd()) recording.NextRun(state);
      replay.RestartAtEnd(state);
      replay.Step();
    }
  }
  recording.recorder.Flush();
}
BENCHMARK(BM_ConsoleRunPerSimulatedSecond)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ValidatorPerSimulatedSecond(benchmark::State& state) {
  // The validator writes its tables as a validator run does, in a folder of its own.
  TemporaryFolder folder;
  const std::filesystem::path results = folder.path / "results";
  Matrix history;
  std::string error;
  if (!ReadExternalForceHistory((kDataDir / "demo_history.in").string(), history, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  ValidatorFiles files;
  files.OpenResultFile((results / "ode1_train17_rk4_result.txt").string());
  files.OpenForceFile((results / "ruku_forces.txt").string());
  ValidatorTrainModel model(kValidatorStep);
  model.SetForceHistory(history, kSamplePeriod);
  model.WriteTo(files);
  RungeKuttaSolver solver(model);
  ValidatorStateRecorder states;
  states.Open((results / "ruku_states.csv").string());
  ValidatorForces forces;
  const int stepsPerSample = static_cast<int>(std::lround(kSamplePeriod / kValidatorStep));
  const int steps = static_cast<int>(std::lround(kSimulatedSeconds / kValidatorStep));
  int status = solver.Start();
  for (auto _ : state) {
    for (int k = 0; k < steps; ++k) {
      if (status < 0 || solver.Step() < 0) {
        state.PauseTiming();
        status = solver.Start();
        state.ResumeTiming();
      }
      if (solver.StepCount() % stepsPerSample == 0) {
        model.EvaluateForces(solver.Time(), solver.State(), forces);
        states.Record(solver.Time(), solver.State(), forces);
      }
    }
  }
  states.Close();
  files.Flush();
}
BENCHMARK(BM_ValidatorPerSimulatedSecond)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
