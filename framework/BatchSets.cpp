// The sets of a batch, each with a vehicle system and step matrices of its own,
// so that several can run at once and each gives what a run of one set after
// another gives, to the bit and to the console line.

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <sstream>

#include "framework/Framework.h"
#include "framework/Progress.h"
#include "framework/Reporting.h"
#include "framework/Resampling.h"
#include "vehicle/PerformanceCounter.h"

namespace {

void ToSparse(const Matrix& dense, SparseMatrix& sparse) {
  sparse.FromRowMajor(static_cast<std::uint32_t>(dense.num_rows()), RowMajor(dense));
}

const char* const kRebuildLine = "\nTime step changed, recalculate solution operators... ";

// One vehicle step with history row `row`, then the time series' row at `time`;
// false, without recording, when the step left the vehicle state broken.
bool ReplayRow(Kelvra& vehicle, const Matrix& history, int row, double time,
               std::vector<double>& brakeDemand, StepRecorder& recorder) {
  const int axles = static_cast<int>(brakeDemand.size());
  for (int axle = 0; axle < axles; ++axle) brakeDemand[axle] = history[row][axle];
  vehicle.DoStep(brakeDemand, history[row][axles]);
  if (vehicle.StateBroken()) return false;
  recorder.Record(time, brakeDemand, history[row][axles], vehicle);
  return true;
}

// The whole history at `timeStep`, each row held until the next; the seconds
// it took. It stops early at a step that leaves the vehicle state broken.
double ReplayHistory(const Matrix& history, double timeStep, Kelvra& vehicle,
                     StepRecorder& recorder, bool showProgress) {
  std::vector<double> brakeDemand(vehicle.AxleCount(), 0.0);
  const int steps = ResampledStepCount(history.num_rows(), timeStep);
  ProgressBar progress(steps, std::cerr, showProgress);
  const std::int64_t start = PerformanceCount();
  for (int k = 0; k < steps; ++k) {
    const int row = ResampledRow(k, timeStep);
    if (!ReplayRow(vehicle, history, row, (k + 1) * timeStep, brakeDemand, recorder)) break;
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
Framework::BatchSetOutcome Framework::RunBatchSet(int index, Kelvra& vehicle, std::ostream& console,
                                                  std::ostream& warnings, bool showProgress) const {
  const Matrix& sets = coupling.batchParameterSets;
  BatchSetOutcome outcome;
  outcome.timeStep = sets[index][0];
  outcome.iterations = static_cast<int>(std::trunc(sets[index][1]));
  outcome.subdivisions = static_cast<int>(std::trunc(sets[index][2]));
  outcome.signLimit = sets[index][3];
  const bool announce = index == batchBegin || !(outcome.timeStep == sets[index - 1][0]);
  const int setCount = sets.num_rows();
  vehicle.SetMessageStream(console);
  if (!PrepareSetVehicle(outcome.timeStep, announce, vehicle, console)) {
    console << "\nSimulation " << index + 1 << " of " << setCount << " skipped\n" << std::flush;
    outcome.skipped = true;
    return outcome;
  }
  const double timeStep = outcome.timeStep;
  std::ostringstream setLog;
  vehicle.ChangeAxleIntegratorPar(outcome.subdivisions, outcome.iterations, outcome.signLimit,
                                  timeStep, setLog);
  vehicle.Init(setLog);
  console << "\nSimulation " << index + 1 << " of " << setCount << "\n"
          << "Params: DT=" << timeStep << " ITER=" << outcome.iterations
          << " SUBD=" << outcome.subdivisions << " SGNT=" << outcome.signLimit << "\n"
          << std::flush;

  LostResults lost(warnings);
  const std::string seriesFile = ResultPath("batch_" + std::to_string(index) + ".csv");
  StepRecorder recorder;
  if (!recorder.Open(seriesFile, vehicle.AxleCount())) lost.CannotOpen(seriesFile);
  recorder.RecordInitial(vehicle);
  outcome.seconds = ReplayHistory(coupling.externalForceHistory, timeStep, vehicle, recorder,
                                  showProgress && isatty(STDERR_FILENO) != 0);
  console << "\tDone in " << outcome.seconds << " [s]\n" << std::flush;
  if (!recorder.Close()) lost.CannotWrite(seriesFile, recorder.ErrorNumber());
  const std::string resultFile = ResultPath("batch_" + std::to_string(index) + ".txt");
  if (!vehicle.WriteResultText(resultFile)) lost.CannotSave(resultFile, errno);
  outcome.resultsLost = lost.Any();
  return outcome;
}

bool Framework::PrepareSetVehicle(double timeStep, bool announce, Kelvra& vehicle,
                                  std::ostream& console) const {
  if (announce) console << kRebuildLine;
  SimulationModule module;
  const bool prepared = module.PrepareFundamentalMatrices(modelCreation.GetMatrix('A'),
                                                          modelCreation.GetMatrix('F'), timeStep);
  if (!prepared) {
    if (!announce) console << kRebuildLine;
    PrintResult(console, false);
    console << "Reason:\n" << ErrorLines(module.GetLogText()) << std::flush;
    return false;
  }
  VehicleSideData side = coupling.vehicleSide;
  ToSparse(module.GetMatrix('C'), side.fundamental);
  ToSparse(module.GetMatrix('P'), side.forceStep);
  ToSparse(module.GetMatrix('Z'), side.rampStep);
  std::ostringstream log;
  const bool created = CreateVehicleFrom(side, timeStep, vehicle, log);
  if (announce || !created) {
    if (!announce) console << kRebuildLine;
    PrintResult(console, true);
    console << "\nRe-initializing simulator... ";
    PrintResult(console, created);
  }
  if (!created) console << "Reason:\n" << log.str() << std::flush;
  return created;
}

// The set's line of batch_run_times.txt is written last, once its files are
// complete, so that the timing file names the sets that finished.
void Framework::FinishBatchSet(const BatchSetOutcome& outcome, std::ofstream& times,
                               bool& timesLost) {
  if (outcome.resultsLost) lostResults.SaidElsewhere();
  if (outcome.skipped) {
    lostResults.Skipped();
    return;
  }
  WriteTimingLine(times, outcome.timeStep, outcome.iterations, outcome.subdivisions,
                  outcome.signLimit, outcome.seconds);
  int error = 0;
  if (!timesLost && !FlushFile(times, error)) {
    lostResults.CannotWrite(ResultPath("batch_run_times.txt"), error);
    timesLost = true;
  }
}
