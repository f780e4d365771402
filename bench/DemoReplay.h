#pragma once

// The shipped vehicle replaying the demonstration history, and a temporary
// folder for the files a measured run writes: shared by the benchmarks.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "results/HistoryReplay.h"
#include "results/StepRecorder.h"
#include "setup/InputReaders.h"
#include "setup/VehicleSetUp.h"
#include "vehicle/Kelvra.h"

namespace bench_support {

inline const std::filesystem::path kDataDir = std::filesystem::path(KELVRA_SOURCE_DIR) / "data";
inline constexpr int kAxles = 4;

// The shipped vehicle created with `iter`, replaying the demo history row by row.
struct DemoReplay {
  VehicleSetUp vehicle;
  Kelvra kelvra;
  HistoryReplay steps;
  int row = 0;  // the next row to replay

  bool SetUp(benchmark::State& state, int iter) {
    std::string error;
    Matrix history;
    if (!vehicle.Build((kDataDir / "combined_train17_GEN.in").string(), 0.005) ||
        !ReadExternalForceHistory((kDataDir / "demo_history.in").string(), history, error)) {
      state.SkipWithError((vehicle.Failure() + error).c_str());
      return false;
    }
    std::ostringstream log;
    if (!vehicle.CreateVehicle(kelvra, iter, 10, log)) {
      state.SkipWithError(log.str().c_str());
      return false;
    }
    steps.SetUp(kelvra, std::make_shared<const Matrix>(std::move(history)));
    return true;
  }

  bool AtEnd() const { return row >= steps.History().num_rows(); }

  // Back to the start once the history is exhausted, outside the timing.
  void RestartAtEnd(benchmark::State& state) {
    if (!AtEnd()) return;
    state.PauseTiming();
    std::ostringstream log;
    kelvra.Init(log);
    row = 0;
    steps.Restart();
    state.ResumeTiming();
  }

  // The next row's step, recorded while the replay's recorder is open.
  bool Step() { return steps.StepRow(row++); }
  StepRecorder& Recorder() { return steps.Recorder(); }
};

// A fresh temporary folder with a results/ subfolder, removed again afterwards.
class TemporaryFolder {
 public:
  TemporaryFolder()
      : path(std::filesystem::temp_directory_path() /
             ("kelvra-bench-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path / "results");
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path path;
};

// The time series of `stepRecorder` in a file of a temporary folder: a CSV
// file, or the table "series" of an HDF5 file.
class TemporaryRecording {
 public:
  explicit TemporaryRecording(StepRecorder& stepRecorder,
                              ResultFormat resultFormat = ResultFormat::kCsv)
      : recorder(stepRecorder), format(resultFormat) {}
  ~TemporaryRecording() { Close(); }
  bool Open(benchmark::State& state) {
    const bool opened = format == ResultFormat::kCsv
                            ? recorder.Open(File(), kAxles)
                            : file.Create(File()) && recorder.OpenHdf5(file, kAxles);
    if (opened) return true;
    state.SkipWithError("cannot open the time-series file");
    return false;
  }

  // At the end of a replay of the history: the file is finished, as a console
  // run finishes it, and the next replay writes a new one, as the next run
  // would, rather than one file growing to gigabytes. Removing the finished
  // file is no part of a run and is left out of the timing.
  void NextRun(benchmark::State& state) {
    Close();
    state.PauseTiming();
    std::error_code ignored;
    std::filesystem::remove(File(), ignored);
    state.ResumeTiming();
    Open(state);
  }

  StepRecorder& recorder;

 private:
  void Close() {
    recorder.Close();
    file.Close();
  }
  std::string File() const {
    return (folder.path / (format == ResultFormat::kCsv ? "steps.csv" : "steps.h5")).string();
  }

  const ResultFormat format;
  Hdf5File file;
  TemporaryFolder folder;
};

}  // namespace bench_support
