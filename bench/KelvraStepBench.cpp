// One vehicle-system step of the shipped vehicle (SUBDIV 10) with ITER 0 and the
// shipped ITER 3, replaying the demonstration history so that every kind of
// step is in the mix: traction with rolling wheels, coasting, the full brake
// with sliding wheels and standstill. The same step with its time-series row
// recorded to a file, the adding of a row alone and the formatting of a row
// show what recording adds to a step.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "framework/InputReaders.h"
#include "tests/support/ShippedVehicle.h"
#include "vehicle/CsvWriter.h"
#include "vehicle/Kelvra.h"
#include "vehicle/StepRecorder.h"

namespace {

const std::filesystem::path kDataDir = std::filesystem::path(KELVRA_SOURCE_DIR) / "data";
constexpr int kAxles = 4;

// The shipped vehicle created with `iter`, the demo history and the replay position.
struct DemoReplay {
  testing_support::ShippedVehicle vehicle;
  Matrix history;
  Kelvra kelvra;
  std::vector<double> brakeDemand = std::vector<double>(kAxles, 0.0);
  int row = 0;

  bool SetUp(benchmark::State& state, int iter) {
    std::string error;
    if (!vehicle.Build(testing_support::ShippedModelFile(kDataDir), 0.005) ||
        !ReadExternalForceHistory((kDataDir / "demo_history.in").string(), history, error)) {
      state.SkipWithError((vehicle.Failure() + error).c_str());
      return false;
    }
    std::ostringstream log;
    if (!vehicle.CreateKelvra(kelvra, iter, 10, log)) {
      state.SkipWithError(log.str().c_str());
      return false;
    }
    return true;
  }

  // Back to the start once the history is exhausted, outside the timing.
  void RestartAtEnd(benchmark::State& state) {
    if (row < history.num_rows()) return;
    state.PauseTiming();
    std::ostringstream log;
    kelvra.Init(log);
    row = 0;
    state.ResumeTiming();
  }

  bool Step() {
    for (int axle = 0; axle < kAxles; ++axle) brakeDemand[axle] = history[row][axle];
    return kelvra.DoStep(brakeDemand, history[row][kAxles]);
  }

  double Time() const { return (row + 1) * vehicle.TimeStep(); }
};

// A time-series file in a fresh temporary folder, removed again afterwards.
class TemporaryRecording {
 public:
  TemporaryRecording()
      : folder(std::filesystem::temp_directory_path() /
               ("kelvra-bench-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(folder);
  }
  ~TemporaryRecording() {
    recorder.Close();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  bool Open(benchmark::State& state) {
    if (recorder.Open((folder / "steps.csv").string(), kAxles)) return true;
    state.SkipWithError("cannot open the time-series file");
    return false;
  }

  StepRecorder recorder;

 private:
  std::filesystem::path folder;
};

void BM_KelvraDoStep(benchmark::State& state) {
  DemoReplay replay;
  if (!replay.SetUp(state, static_cast<int>(state.range(0)))) return;
  for (auto _ : state) {
    replay.RestartAtEnd(state);
    benchmark::DoNotOptimize(replay.Step());
    ++replay.row;
  }
}
BENCHMARK(BM_KelvraDoStep)->Arg(0)->Arg(3)->ArgName("ITER");

void BM_KelvraDoStepRecorded(benchmark::State& state) {
  DemoReplay replay;
  TemporaryRecording recording;
  if (!replay.SetUp(state, static_cast<int>(state.range(0))) || !recording.Open(state)) return;
  for (auto _ : state) {
    replay.RestartAtEnd(state);
    benchmark::DoNotOptimize(replay.Step());
    recording.recorder.Record(replay.Time(), replay.brakeDemand, replay.history[replay.row][kAxles],
                              replay.kelvra);
    ++replay.row;
  }
}
// CPU time of the whole process: the stepping and the writer thread.
BENCHMARK(BM_KelvraDoStepRecorded)->Arg(3)->ArgName("ITER")->MeasureProcessCPUTime();

// Adding the row of the same committed state again and again: the CPU time is
// what the stepping thread pays per row (copying 34 numbers); the real time is
// bounded by the writer thread that formats them.
void BM_RecordStepRow(benchmark::State& state) {
  DemoReplay replay;
  TemporaryRecording recording;
  if (!replay.SetUp(state, 3) || !recording.Open(state)) return;
  for (int k = 0; k < 3000; ++k, ++replay.row) replay.Step();  // rolling at speed
  for (auto _ : state) {
    recording.recorder.Record(replay.Time(), replay.brakeDemand, 0.0, replay.kelvra);
  }
}
BENCHMARK(BM_RecordStepRow);

// The writer thread's work per row: the 34 numbers of every row of the demo
// formatted into text.
void BM_FormatStepRow(benchmark::State& state) {
  DemoReplay replay;
  if (!replay.SetUp(state, 3)) return;
  std::vector<double> rows;
  for (; replay.row < replay.history.num_rows(); ++replay.row) {
    replay.Step();
    const Kelvra& k = replay.kelvra;
    rows.push_back(replay.Time());
    rows.push_back(replay.history[replay.row][kAxles]);
    for (int i = 0; i < kAxles; ++i) {
      const double v = k.VehicleSpeed()[i];
      const double w = k.WheelSpeed()[i];
      for (const double value : {replay.brakeDemand[i], v, w, v - w, k.AdhesionForce()[i],
                                 k.NormalForce()[i], k.BrakeForce()[i], k.Position()[i]}) {
        rows.push_back(value);
      }
    }
  }
  constexpr std::size_t kColumns = 2 + 8 * kAxles;
  const std::size_t rowCount = rows.size() / kColumns;
  std::vector<char> text(kColumns * (kMaxNumberChars + 1));
  std::size_t r = 0;
  for (auto _ : state) {
    char* out = text.data();
    for (std::size_t c = 0; c < kColumns; ++c) {
      out = FormatNumber(out, rows[r * kColumns + c]);
      *out++ = ',';
    }
    benchmark::DoNotOptimize(out);
    r = (r + 1) % rowCount;
  }
}
BENCHMARK(BM_FormatStepRow);

}  // namespace
