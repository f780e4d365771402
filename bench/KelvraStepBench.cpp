// One vehicle-system step of the shipped vehicle (SUBDIV 10) with ITER 0 and the
// shipped ITER 3, replaying the demonstration history so that every kind of
// step is in the mix: traction with rolling wheels, coasting, the full brake
// with sliding wheels and standstill. The same step with its time-series row
// recorded to a file, the adding of a row alone and the formatting of a row
// show what recording adds to a step.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/DemoReplay.h"
#include "results/CsvWriter.h"

namespace {

using namespace bench_support;

void BM_KelvraDoStep(benchmark::State& state) {
  DemoReplay replay;
  if (!replay.SetUp(state, static_cast<int>(state.range(0)))) return;
  for (auto _ : state) {
    replay.RestartAtEnd(state);
    benchmark::DoNotOptimize(replay.Step());
  }
}
BENCHMARK(BM_KelvraDoStep)->Arg(0)->Arg(3)->ArgName("ITER");

void BM_KelvraDoStepRecorded(benchmark::State& state) {
  DemoReplay replay;
  TemporaryRecording recording(replay.Recorder());
  if (!replay.SetUp(state, static_cast<int>(state.range(0))) || !recording.Open(state)) return;
  for (auto _ : state) {
    if (replay.AtEnd()) recording.NextRun(state);
    replay.RestartAtEnd(state);
    benchmark::DoNotOptimize(replay.Step());
  }
}
// CPU time of the whole process: the stepping and the writer thread.
BENCHMARK(BM_KelvraDoStepRecorded)->Arg(3)->ArgName("ITER")->MeasureProcessCPUTime();

// The same into an HDF5 file: the rows are gathered on the stepping thread and
// a full chunk of every column goes to the file at once; there is no writer thread.
void BM_KelvraDoStepRecordedHdf5(benchmark::State& state) {
  DemoReplay replay;
  TemporaryRecording recording(replay.Recorder(), ResultFormat::kHdf5);
  if (!replay.SetUp(state, static_cast<int>(state.range(0))) || !recording.Open(state)) return;
  for (auto _ : state) {
    if (replay.AtEnd()) recording.NextRun(state);
    replay.RestartAtEnd(state);
    benchmark::DoNotOptimize(replay.Step());
  }
}
BENCHMARK(BM_KelvraDoStepRecordedHdf5)->Arg(3)->ArgName("ITER")->MeasureProcessCPUTime();

// Adding the row of the same committed state again and again: the CPU time is
// what the stepping thread pays per row (copying 34 numbers); the real time is
// bounded by the writer thread that formats them.
void BM_RecordStepRow(benchmark::State& state) {
  DemoReplay replay;
  if (!replay.SetUp(state, 3)) return;
  for (int k = 0; k < 3000; ++k) replay.Step();  // rolling at speed
  TemporaryRecording recording(replay.Recorder());
  if (!recording.Open(state)) return;
  for (auto _ : state) {
    recording.recorder.Record(replay.steps.Time(), replay.steps.BrakeDemand(), 0.0, replay.kelvra);
  }
}
BENCHMARK(BM_RecordStepRow);

// The writer thread's work per row: the 34 numbers of every row of the demo
// formatted into text.
void BM_FormatStepRow(benchmark::State& state) {
  DemoReplay replay;
  if (!replay.SetUp(state, 3)) return;
  std::vector<double> rows;
  while (!replay.AtEnd()) {
    replay.Step();
    const Kelvra& k = replay.kelvra;
    rows.push_back(replay.steps.Time());
    rows.push_back(replay.steps.TractionForce());
    for (int i = 0; i < kAxles; ++i) {
      const double v = k.VehicleSpeed()[i];
      const double w = k.WheelSpeed()[i];
      for (const double value :
           {replay.steps.BrakeDemand()[i], v, w, v - w, k.MeanAdhesionForce()[i],
            k.MeanNormalForce()[i], k.MeanBrakeForce()[i], k.Position()[i]}) {
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
