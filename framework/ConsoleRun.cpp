#include "framework/ConsoleRun.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "framework/Reporting.h"
#include "framework/Resampling.h"
#include "framework/SetUpChecks.h"
#include "results/HistoryReplay.h"
#include "results/Progress.h"
#include "vehicle/PerformanceCounter.h"

namespace {

// Whether some wheel's slip lies beyond the slip band of the axle integrator.
bool AnyWheelSlides(const Kelvra& vehicle, const std::vector<double>& vehicleSpeed) {
  const std::vector<double>& wheelSpeed = vehicle.WheelSpeed();
  const double band = vehicle.Dynamics().AxleRot.Lim();
  const std::size_t axles = std::min(vehicleSpeed.size(), wheelSpeed.size());
  for (std::size_t i = 0; i < axles; ++i) {
    if (std::fabs(vehicleSpeed[i] - wheelSpeed[i]) > band) return true;
  }
  return false;
}

}  // namespace

// One step per history row, whatever the model's time step (unless the rows
// are resampled at it). The time series shares the result text's number; the
// vehicle speeds stay in memory for the comparison with the validator.
ConsoleOutcome RunConsole(const RunContext& run) {
  const RunSettings& settings = run.settings;
  RunReport& report = run.report;
  std::ostream& console = *report.console;
  Kelvra& vehicle = run.setUp.vehicleSystem;
  vehicle.AppendResultText("STEF+SR+CD");
  const int axles = vehicle.AxleCount();
  const int steps = ConsoleSteps(run.setUp, settings);
  const double timeStep = vehicle.TimeStep();
  vehicle.PickResultNumber();
  const std::string base = settings.runBaseName.empty()
                               ? vehicle.DefaultResultName("", settings.resultsFolder)
                               : settings.runBaseName;
  // A named run replaces an earlier run of that name whole: none of its files
  // stays beside this run's as if it were its own, should this one be cut short.
  if (!settings.runBaseName.empty()) {
    RemoveEarlierFiles(base, {".csv", "_states.csv", "_summary.csv", ".h5", ".txt", ".json"});
  }
  ConsoleOutcome outcome;
  outcome.base = base;
  WriteModes(run, base);
  HistoryReplay replay(vehicle, run.setUp.inputs.history);
  RunRecording& recording = replay.Recording();
  OpenRecording(run, vehicle, recording, base, report.lostResults);
  recording.RecordInitial(vehicle);
  outcome.speeds.Start(timeStep, axles, static_cast<std::size_t>(steps) + 1);
  const std::vector<double>& initialSpeed = vehicle.InitialOutputs().vehicleSpeed;
  outcome.speeds.Add(initialSpeed, AnyWheelSlides(vehicle, initialSpeed));

  ProgressBar progress(steps, settings.progressBars);
  const std::int64_t start = PerformanceCount();
  console << "Simulation in progress...\n" << std::flush;
  for (int k = 0; k < steps; ++k) {
    outcome.broke = !replay.StepRow(settings.resampleHistory ? ResampledRow(k, timeStep) : k);
    if (outcome.broke) break;
    const std::vector<double>& speed = vehicle.VehicleSpeed();
    outcome.speeds.Add(speed, AnyWheelSlides(vehicle, speed));
    progress.Update(k + 1);
  }
  const double seconds = ElapsedSeconds(start, PerformanceCount());
  progress.Finish();
  if (outcome.broke) {
    // The time series keeps the sound steps; nothing says the run is complete.
    console << IncompleteRunLine(replay.Time()) << vehicle.LiftReport() << std::flush;
    CloseRecording(recording, base, nullptr, report.lostResults, report.writtenFiles);
    report.lostResults.Skipped();
    return outcome;
  }
  console << "\tDone in " << seconds << " [s]\n" << vehicle.LiftReport();
  outcome.summary = recording.summary.Result();
  console << SummaryLine(outcome.summary) << std::flush;
  CloseRecording(recording, base, &outcome.summary, report.lostResults, report.writtenFiles);
  if (settings.resultFormat == ResultFormat::kCsv) {
    const bool onRealLine = outcome.summary.onRealLine;
    const bool slideRelease = !outcome.summary.slideRelease.empty();
    report.SaveWholeFile(
        base + "_summary.csv",
        SummaryHeader({}, outcome.summary.largestSlip.size(), onRealLine, slideRelease) +
            SummaryCells(outcome.summary, onRealLine, slideRelease) + "\n",
        FileKind::Summary);
  }
  report.SaveWholeFile(base + ".txt", vehicle.ResultText(), FileKind::ResultText);
  return outcome;
}
