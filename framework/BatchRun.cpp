// The sets of a batch, each with a vehicle system and step matrices of its own,
// so that several can run at once and each gives what a run of one set after
// another gives, to the bit and to the console line.

#include "framework/BatchRun.h"

#include <cerrno>
#include <cmath>
#include <sstream>
#include <utility>
#include <vector>

#include "framework/OrderedJobs.h"
#include "framework/Reporting.h"
#include "framework/Resampling.h"
#include "framework/RunManifest.h"
#include "framework/SetUpChecks.h"
#include "model/OutputFile.h"
#include "results/HistoryReplay.h"
#include "results/Progress.h"
#include "vehicle/PerformanceCounter.h"

namespace {

const char* const kRebuildLine = "\nTime step changed, recalculate solution operators... ";

// What a set leaves for its turn: whether it ran, its settings, time and
// figures, and the files it wrote.
struct SetOutcome {
  bool skipped = false;
  bool broke = false;  // stopped at a step that broke the vehicle state
  bool resultsLost = false;
  double timeStep = 0.0;
  int iterations = 0;
  int subdivisions = 0;
  double signLimit = 0.0;
  double seconds = 0.0;
  RunSummary summary;
  WrittenFiles filesWritten;
};

// The files every set adds a line to, in set order.
struct BatchFiles {
  std::string timesName;
  std::string summariesName;
  OutputFile times;
  OutputFile summaries;
  bool timesLost = false;
  bool summariesLost = false;
  bool onRealLine = false;    // the summaries have the adhesion used
  bool slideRelease = false;  // and the wheel slide protection's release times
};

// The whole history at the vehicle's time step, each row held until the next;
// the seconds it took. It stops early, with `broke` set, at a step that leaves
// the vehicle state broken.
double ReplayHistory(HistoryReplay& replay, bool showProgress, bool& broke) {
  const double timeStep = replay.TimeStep();
  const int steps = ResampledStepCount(replay.History().num_rows(), timeStep);
  ProgressBar progress(steps, showProgress);
  const std::int64_t start = PerformanceCount();
  broke = false;
  for (int k = 0; k < steps; ++k) {
    broke = !replay.StepRow(ResampledRow(k, timeStep));
    if (broke) break;
    progress.Update(k + 1);
  }
  const double seconds = ElapsedSeconds(start, PerformanceCount());
  progress.Finish();
  return seconds;
}

class BatchRun {
 public:
  explicit BatchRun(const RunContext& context) : run(context) {}
  void Run();

 private:
  // Set `index` (0-based) in `vehicle`, with step matrices of its own, so that
  // sets can run side by side; its console text goes to `setConsole`, the
  // warnings about its files to `setWarnings`.
  SetOutcome RunSet(int index, Kelvra& vehicle, std::ostream& setConsole, std::ostream& setWarnings,
                    bool showProgress) const;
  // Step matrices for `timeStep` and `vehicle` made from them; false, with the
  // reason on `setConsole`, when either cannot be made. The two console lines
  // of the rebuild are said when `announce`, or when it fails.
  bool PrepareSetVehicle(double timeStep, bool announce, Kelvra& vehicle,
                         std::ostream& setConsole) const;
  // The set's lines of the timing and summary files and its files written,
  // after every set before it.
  void FinishSet(int index, const SetOutcome& outcome, BatchFiles& files);

  RunContext run;
};

// Sets run side by side when jobs allow; each one's console text, warnings and
// timing line come out in set order, exactly as when they run one after
// another. Then each finished set's files are complete on disk before its
// timing line.
void BatchRun::Run() {
  RunReport& report = run.report;
  const RunSettings& settings = run.settings;
  RunSetUp& setUp = run.setUp;
  // The record of an earlier batch goes: the one of this batch follows its end.
  RemoveEarlierFiles(settings.ResultPath("batch"), {".json"});
  BatchFiles files;
  files.timesName = settings.ResultPath("batch_run_times.txt");
  files.summariesName = settings.ResultPath("batch_summary.csv");
  files.times.Open(files.timesName);
  if (!files.times) report.lostResults.CannotOpen(files.timesName);
  files.summaries.Open(files.summariesName);
  if (!files.summaries) report.lostResults.CannotOpen(files.summariesName);
  // Every set runs the same model: on a real line all of them or none.
  files.onRealLine = setUp.vehicleSystem.LineParts().AnyActive();
  files.slideRelease = setUp.vehicleSystem.LineParts().Wsp.Enabled();
  files.summaries << SummaryHeader({"set", "DT", "ITER", "SUBD", "SGNT", "run_time"},
                                   setUp.vehicle.Vehicle().AxleCount(), files.onRealLine,
                                   files.slideRelease);
  files.timesLost = !files.times;
  files.summariesLost = !files.summaries;
  // The modes belong to the model, the same for every set whatever its DT.
  WriteModes(run, settings.ResultPath("batch"));
  const int count = setUp.batchEnd - setUp.batchBegin;
  const bool buffered = settings.jobs > 1 && count > 1;
  struct SetText {
    std::ostringstream console;
    std::ostringstream warnings;
  };
  std::vector<SetText> texts(buffered ? count : 0);
  std::vector<SetOutcome> outcomes(count);
  const auto runSet = [&](int j) {
    std::ostream& setConsole = buffered ? texts[j].console : *report.console;
    std::ostream& setWarnings = buffered ? texts[j].warnings : *report.warnings;
    Kelvra vehicle;
    outcomes[j] = RunSet(setUp.batchBegin + j, vehicle, setConsole, setWarnings,
                         settings.progressBars && !buffered);
    // The set-up's vehicle ends as that of the last set, as when the sets run
    // one after another in it; no other job touches it.
    if (j + 1 == count && !outcomes[j].skipped) {
      setUp.vehicleSystem = std::move(vehicle);
      setUp.vehicleSystem.SetConsole(*report.console);
    }
  };
  const auto finish = [&](int j) {
    if (buffered) {
      *report.console << texts[j].console.str() << std::flush;
      *report.warnings << texts[j].warnings.str();
      texts[j] = SetText();
    }
    FinishSet(setUp.batchBegin + j, outcomes[j], files);
  };
  RunOrderedJobs(count, settings.jobs, runSet, finish);
  if (!files.timesLost) report.writtenFiles.Add(files.timesName, FileKind::BatchRunTimes);
  if (!files.summariesLost) report.writtenFiles.Add(files.summariesName, FileKind::BatchSummary);
}

// A run of one set after another makes new step matrices for the first set
// and wherever a set's DT is not the one in force, and says so in two lines.
// The DT in force is that of the set before, unless that set's matrices or
// vehicle could not be made; as that failure depends on the DT alone, a set
// whose preparation fails would have been rebuilt and says so too. So each set
// can make its own matrices and still print what the serial run prints.
SetOutcome BatchRun::RunSet(int index, Kelvra& vehicle, std::ostream& setConsole,
                            std::ostream& setWarnings, bool showProgress) const {
  const Matrix& sets = run.setUp.inputs.batchSets;
  SetOutcome outcome;
  outcome.timeStep = sets[index][0];
  outcome.iterations = static_cast<int>(std::trunc(sets[index][1]));
  outcome.subdivisions = static_cast<int>(std::trunc(sets[index][2]));
  outcome.signLimit = sets[index][3];
  const bool announce = index == run.setUp.batchBegin || !(outcome.timeStep == sets[index - 1][0]);
  const int setCount = sets.num_rows();
  vehicle.SetConsole(setConsole);
  const std::string name = run.settings.ResultPath("batch_" + std::to_string(index));
  RemoveEarlierFiles(name, {".csv", "_states.csv", ".h5", ".txt"});
  if (!PrepareSetVehicle(outcome.timeStep, announce, vehicle, setConsole)) {
    setConsole << "\nSimulation " << index + 1 << " of " << setCount << " skipped\n" << std::flush;
    outcome.skipped = true;
    return outcome;
  }
  const double timeStep = outcome.timeStep;
  std::ostringstream setLog;
  vehicle.ChangeAxleIntegratorPar(outcome.subdivisions, outcome.iterations, outcome.signLimit,
                                  timeStep, setLog);
  vehicle.Init(setLog);
  setConsole << "\nSimulation " << index + 1 << " of " << setCount << "\n"
             << "Params: DT=" << timeStep << " ITER=" << outcome.iterations
             << " SUBD=" << outcome.subdivisions << " SGNT=" << outcome.signLimit << "\n"
             << std::flush;
  std::string unstable;
  const Matrix& history = *run.setUp.inputs.history;
  const bool makesSteps = ResampledStepCount(history.num_rows(), timeStep) > 0;
  if (!WheelsIntegrable(vehicle, history, false, makesSteps, unstable)) {
    setConsole << "Reason: " << unstable << "\n\nSimulation " << index + 1 << " of " << setCount
               << " skipped\n"
               << std::flush;
    outcome.skipped = true;
    return outcome;
  }

  LostResults lost(setWarnings);
  HistoryReplay replay(vehicle, run.setUp.inputs.history);
  RunRecording& recording = replay.Recording();
  OpenRecording(run, vehicle, recording, name, lost);
  if (recording.file.IsOpen()) {
    recording.file.WriteAttributes(BatchSetAttributes(
        {index, timeStep, outcome.iterations, outcome.subdivisions, outcome.signLimit}));
  }
  recording.RecordInitial(vehicle);
  outcome.seconds = ReplayHistory(replay, showProgress, outcome.broke);
  if (outcome.broke) {
    setConsole << IncompleteRunLine(replay.Time()) << std::flush;
    CloseRecording(recording, name, nullptr, lost, outcome.filesWritten);
    outcome.resultsLost = lost.Any();
    return outcome;
  }
  outcome.summary = recording.summary.Result();
  setConsole << "\tDone in " << outcome.seconds << " [s]\n"
             << vehicle.LiftReport() << SummaryLine(outcome.summary) << std::flush;
  CloseRecording(recording, name, &outcome.summary, lost, outcome.filesWritten);
  const std::string resultFile = name + ".txt";
  if (vehicle.WriteResultText(resultFile)) {
    outcome.filesWritten.Add(resultFile, FileKind::ResultText);
  } else {
    lost.CannotSave(resultFile, errno);
  }
  outcome.resultsLost = lost.Any();
  return outcome;
}

bool BatchRun::PrepareSetVehicle(double timeStep, bool announce, Kelvra& vehicle,
                                 std::ostream& setConsole) const {
  if (announce) setConsole << kRebuildLine;
  SimulationModule module;
  std::ostringstream log;
  const VehicleSetUp& setUp = run.setUp.vehicle;
  const TimeStepChange change =
      ChangeTimeStep(setUp.Model(), setUp.Vehicle(), timeStep, module, vehicle, log);
  if (!change.prepared) {
    if (!announce) setConsole << kRebuildLine;
    PrintResult(setConsole, false);
    setConsole << "Reason:\n" << ErrorLines(module.GetLogText()) << std::flush;
    return false;
  }
  if (announce || !change.created) {
    if (!announce) setConsole << kRebuildLine;
    PrintResult(setConsole, true);
    setConsole << "\nRe-initializing simulator... ";
    PrintResult(setConsole, change.created);
  }
  if (!change.created) setConsole << "Reason:\n" << log.str() << std::flush;
  return change.created;
}

// The set's lines of batch_run_times.txt and batch_summary.csv are written
// last, once its files are complete, so that the timing file names the sets
// that finished; a set that broke has none.
void BatchRun::FinishSet(int index, const SetOutcome& outcome, BatchFiles& files) {
  RunReport& report = run.report;
  if (outcome.resultsLost) report.lostResults.SaidElsewhere();
  report.writtenFiles.Add(outcome.filesWritten);
  if (outcome.skipped || outcome.broke) {
    report.lostResults.Skipped();
    return;
  }
  WriteTimingLine(files.times, outcome.timeStep, outcome.iterations, outcome.subdivisions,
                  outcome.signLimit, outcome.seconds);
  files.summaries << index << ','
                  << BatchSetCells(outcome.timeStep, outcome.iterations, outcome.subdivisions,
                                   outcome.signLimit, outcome.seconds)
                  << ',' << SummaryCells(outcome.summary, files.onRealLine, files.slideRelease)
                  << '\n';
  int error = 0;
  if (!files.timesLost && !FlushFile(files.times, error)) {
    report.lostResults.CannotWrite(files.timesName, error);
    files.timesLost = true;
  }
  if (!files.summariesLost && !FlushFile(files.summaries, error)) {
    report.lostResults.CannotWrite(files.summariesName, error);
    files.summariesLost = true;
  }
}

}  // namespace

void RunBatch(const RunContext& run) {
  BatchRun(run).Run();
}
