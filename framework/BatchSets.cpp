// The sets of a batch, each with a vehicle system and step matrices of its own,
// so that several can run at once and each gives what a run of one set after
// another gives, to the bit and to the console line.

#include <cerrno>
#include <cmath>
#include <sstream>

#include "framework/Framework.h"
#include "framework/Reporting.h"
#include "framework/Resampling.h"
#include "results/HistoryReplay.h"
#include "results/Progress.h"
#include "vehicle/PerformanceCounter.h"

namespace {

const char* const kRebuildLine = "\nTime step changed, recalculate solution operators... ";

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

}  // namespace

// A run of one set after another makes new step matrices for the first set
// and wherever a set's DT is not the one in force, and says so in two lines.
// The DT in force is that of the set before, unless that set's matrices or
// vehicle could not be made; as that failure depends on the DT alone, a set
// whose preparation fails would have been rebuilt and says so too. So each set
// can make its own matrices and still print what the serial run prints.
Framework::BatchSetOutcome Framework::RunBatchSet(int index, Kelvra& vehicle,
                                                  std::ostream& setConsole,
                                                  std::ostream& setWarnings,
                                                  bool showProgress) const {
  const Matrix& sets = coupling.batchParameterSets;
  BatchSetOutcome outcome;
  outcome.timeStep = sets[index][0];
  outcome.iterations = static_cast<int>(std::trunc(sets[index][1]));
  outcome.subdivisions = static_cast<int>(std::trunc(sets[index][2]));
  outcome.signLimit = sets[index][3];
  const bool announce = index == batchBegin || !(outcome.timeStep == sets[index - 1][0]);
  const int setCount = sets.num_rows();
  vehicle.SetConsole(setConsole);
  const std::string name = ResultPath("batch_" + std::to_string(index));
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
  const int rows = coupling.externalForceHistory.num_rows();
  if (!WheelsIntegrable(vehicle, ResampledStepCount(rows, timeStep) > 0, unstable)) {
    setConsole << "Reason: " << unstable << "\n\nSimulation " << index + 1 << " of " << setCount
               << " skipped\n"
               << std::flush;
    outcome.skipped = true;
    return outcome;
  }

  LostResults lost(setWarnings);
  HistoryReplay replay(vehicle, coupling.externalForceHistory);
  RunRecording& recording = replay.Recording();
  OpenRecording(vehicle, recording, name, lost);
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
    outcome.filesWritten.Add(resultFile);
  } else {
    lost.CannotSave(resultFile, errno);
  }
  outcome.resultsLost = lost.Any();
  return outcome;
}

bool Framework::PrepareSetVehicle(double timeStep, bool announce, Kelvra& vehicle,
                                  std::ostream& setConsole) const {
  if (announce) setConsole << kRebuildLine;
  SimulationModule module;
  CouplingData setCoupling = coupling;
  std::ostringstream log;
  const TimeStepChange change =
      ChangeTimeStep(modelCreation, timeStep, module, setCoupling, vehicle, log);
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
void Framework::FinishBatchSet(int index, const BatchSetOutcome& outcome, BatchFiles& files) {
  if (outcome.resultsLost) lostResults.SaidElsewhere();
  for (const std::string& name : outcome.filesWritten.Names()) writtenFiles.Add(name);
  if (outcome.skipped || outcome.broke) {
    lostResults.Skipped();
    return;
  }
  WriteTimingLine(files.times, outcome.timeStep, outcome.iterations, outcome.subdivisions,
                  outcome.signLimit, outcome.seconds);
  files.summaries << index << ','
                  << BatchSetCells(outcome.timeStep, outcome.iterations, outcome.subdivisions,
                                   outcome.signLimit, outcome.seconds)
                  << ',' << SummaryCells(outcome.summary) << '\n';
  int error = 0;
  if (!files.timesLost && !FlushFile(files.times, error)) {
    lostResults.CannotWrite(files.timesName, error);
    files.timesLost = true;
  }
  if (!files.summariesLost && !FlushFile(files.summaries, error)) {
    lostResults.CannotWrite(files.summariesName, error);
    files.summariesLost = true;
  }
}
