// The validator run after a console or batch run, and the comparison of a
// console run with the validator or with the reference integration of its own
// model.

#include "framework/ValidatorRun.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Reporting.h"
#include "framework/Resampling.h"
#include "framework/ValidatorScope.h"
#include "model/OutputFile.h"
#include "results/ModelReference.h"
#include "results/Progress.h"
#include "results/ValidatorStates.h"
#include "solver/RungeKuttaSolver.h"
#include "solver/ValidatorTrainModel.h"
#include "vehicle/LineSections.h"
#include "vehicle/PerformanceCounter.h"

namespace {

// The validator integrates its reference vehicle with this fixed step.
constexpr double kValidatorStepSize = 0.0005;
// The reference integration of a run's model is left out beyond this many
// operations: about ten seconds.
constexpr double kReferenceOperationLimit = 1e10;

// Whether any entry of the initial state is other than 0: the vehicle does not start from rest.
bool StartsMoving(const std::vector<double>& initialState) {
  return std::any_of(initialState.begin(), initialState.end(), [](double x) { return x != 0.0; });
}

// The validator and the reference integration step the level line and the
// instant brake with the wheels starting at rest.
std::string NotModelled(const std::vector<std::string>& sections) {
  return "it does not model " + SectionList(sections) + ", which this run uses";
}

ReferenceModelData RunModelData(const RunSetUp& setUp) {
  const ModelCreation& model = setUp.vehicle.Model();
  return {model.GetMatrix('A'), model.GetMatrix('F'), setUp.vehicle.Vehicle()};
}

// Only a run of the validator's own vehicle that played each history row for
// its 0.005 s from rest, as the validator does, can be compared with it.
bool CompareWithValidator(const RunContext& run, const ConsoleOutcome& consoleRun,
                          const ValidatorTrainModel& validator, const SpeedSeries& speeds) {
  std::ostream& console = *run.report.console;
  const VehicleModel& model = run.setUp.vehicle.Vehicle();
  std::ostringstream reason;
  const std::vector<std::string> sections = run.setUp.vehicleSystem.LineParts().ActiveSections();
  const std::string difference =
      consoleRun.broke || !sections.empty()
          ? std::string()
          : ValidatorVehicleDifference(validator, RunModelData(run.setUp), run.setUp.vehicleSystem);
  if (consoleRun.broke) {
    reason << "the run stopped at a step that broke the vehicle state";
  } else if (!sections.empty()) {
    reason << NotModelled(sections);
  } else if (!difference.empty()) {
    reason << "it models the shipped vehicle only, and this run's vehicle differs in "
           << difference;
  } else if (!SameSamplePeriod(model.TimeStep(), kHistorySamplePeriod)) {
    reason << "the run stepped " << model.TimeStep() << " s per history row of "
           << kHistorySamplePeriod
           << " s, so the two did not play the same inputs over the same time";
  } else if (StartsMoving(model.Definition().initialState)) {
    reason << "the run started from the model's Y0, the validator from rest";
  }
  if (!reason.str().empty()) {
    console << NoComparisonLine(reason.str()) << std::flush;
    return false;
  }
  for (const WheelPhase phase : {WheelPhase::Rolling, WheelPhase::Slid}) {
    const SpeedDifference largest = LargestSpeedDifference(consoleRun.speeds, speeds, phase);
    if (largest.found) console << SpeedDifferenceLine(largest, phase);
  }
  console << std::flush;
  return true;
}

// The run's own model integrated by Runge-Kutta over the rows the run played,
// one per time step; the two solutions' vehicle speeds compared at every step.
void CompareWithModelReference(const RunContext& run, const SpeedSeries& consoleSpeeds) {
  std::ostream& console = *run.report.console;
  const Kelvra& vehicleSystem = run.setUp.vehicleSystem;
  const Matrix& history = *run.setUp.inputs.history;
  const int steps = static_cast<int>(consoleSpeeds.SampleCount()) - 1;
  double largestBrake = 0.0;
  for (int r = 0; r < steps; ++r) {
    for (int k = 0; k < vehicleSystem.AxleCount(); ++k) {
      largestBrake = std::max(largestBrake, std::fabs(history[r][k]));
    }
  }
  ModelReference reference;
  std::string reason;
  const std::vector<std::string> sections = vehicleSystem.LineParts().ActiveSections();
  if (!sections.empty()) {
    console << "No reference integration of the model: " << NotModelled(sections) << "\n"
            << std::flush;
    return;
  }
  if (reference.SetUp(RunModelData(run.setUp), vehicleSystem, largestBrake, reason) &&
      !(reference.Operations(steps) <= kReferenceOperationLimit)) {
    std::ostringstream text;
    text << "it would take " << reference.Operations(steps)
         << " operations, more than the limit of " << kReferenceOperationLimit;
    reason = text.str();
  }
  if (!reason.empty()) {
    console << "No reference integration of the model: " << reason << "\n" << std::flush;
    return;
  }
  console << "\nRunning reference integration of the model (Runge-Kutta, " << reference.Substeps()
          << " substeps per time step)...\n"
          << std::flush;
  SpeedSeries speeds;
  const std::int64_t start = PerformanceCount();
  const bool finite = reference.Run(history, steps, speeds);
  console << "\tDone in " << ElapsedSeconds(start, PerformanceCount()) << " [s]\n";
  if (!finite) {
    console << "The reference integration's state is not finite at t = "
            << static_cast<double>(speeds.SampleCount()) * speeds.Period()
            << " s; the comparison covers the time before\n";
  }
  for (const WheelPhase phase : {WheelPhase::Rolling, WheelPhase::Slid}) {
    const SpeedDifference largest = LargestSpeedDifference(consoleSpeeds, speeds, phase);
    if (largest.found) {
      console << SpeedDifferenceLine(largest, phase, ComparedWith::ModelReference);
    }
  }
  console << std::flush;
}

// Batch runs are compared with nothing; a run that broke or made no step has no
// result to check against the model's reference.
void CheckConsoleRun(const RunContext& run, const ConsoleOutcome& consoleRun,
                     const ValidatorTrainModel* validator, const SpeedSeries* speeds) {
  if (consoleRun.speeds.SampleCount() == 0) return;
  if (validator != nullptr && CompareWithValidator(run, consoleRun, *validator, *speeds)) return;
  if (!consoleRun.broke && consoleRun.speeds.SampleCount() > 1) {
    CompareWithModelReference(run, consoleRun.speeds);
  }
}

}  // namespace

// The reference vehicle replays the same history with classical Runge-Kutta
// until the history is exhausted (the first negative step status). Its state is
// sampled at every history row; after a console run the two solutions' vehicle
// speeds are compared over their common span.
void RunValidator(const RunContext& run, const ConsoleOutcome& consoleRun) {
  std::ostream& console = *run.report.console;
  LostResults& lostResults = run.report.lostResults;
  WrittenFiles& writtenFiles = run.report.writtenFiles;
  const Matrix& history = *run.setUp.inputs.history;
  console << "\nRunning validator with hard-coded parameters...\n"
          << "Creating RK solver... ";
  // The result file is emptied before the history is checked, so that a
  // refused run leaves none of an earlier one behind.
  const std::string resultFile = run.settings.ResultPath("ode1_train17_rk4_result.txt");
  const std::string forceFile = run.settings.ResultPath("ruku_forces.txt");
  ValidatorFiles files;
  const bool resultOpen = files.OpenResultFile(resultFile);
  ValidatorTrainModel model(kValidatorStepSize);
  model.WriteTo(files);
  model.SetForceHistory(history, kHistorySamplePeriod);
  std::string reason;
  if (!model.CheckForceHistory(reason)) {
    console << "Failed\nReason: " << reason << "\n" << std::flush;
    CheckConsoleRun(run, consoleRun, nullptr, nullptr);
    return;
  }
  RungeKuttaSolver solver(model);
  console << "OK\n" << std::flush;
  if (!resultOpen) lostResults.CannotOpen(resultFile);

  const std::string runTimeFile = run.settings.ResultPath("ruku_run_time.txt");
  OutputFile runTime(runTimeFile);
  if (!runTime.IsOpen()) lostResults.CannotOpen(runTimeFile);
  const std::string statesFile = run.settings.ResultPath("ruku_states.csv");
  ValidatorStateRecorder states;
  if (!states.Open(statesFile)) lostResults.CannotOpen(statesFile);

  // The history's rows are whole multiples of the step; the run reaches the last one.
  const int stepsPerSample =
      static_cast<int>(std::lround(kHistorySamplePeriod / kValidatorStepSize));
  const int rows = history.num_rows();
  SpeedSeries speeds;
  speeds.Start(kHistorySamplePeriod, kValidatorWheelsets, static_cast<std::size_t>(rows));
  ValidatorForces forces;
  const auto sample = [&](int index) {
    const ValidatorState& state = solver.State();
    model.EvaluateForces(solver.Time(), state, forces);
    states.Record(index * kHistorySamplePeriod, state, forces);
    bool sliding = false;
    const double slipLimit = model.Parameters().adhesionSlipLimit;
    for (double slip : forces.slip) sliding = sliding || std::fabs(slip) > slipLimit;
    speeds.Add(&state[kValidatorWheelsetDof], kValidatorWheelsets, sliding);
  };

  console << "\r"
          << "Simulation in progress... \n"
          << std::flush;
  ProgressBar progress(static_cast<std::int64_t>(stepsPerSample) * (rows - 1),
                       run.settings.progressBars);
  const std::int64_t start = PerformanceCount();
  const bool forceOpen = files.OpenForceFile(forceFile);
  int status = solver.Start();
  if (!forceOpen) lostResults.CannotOpen(forceFile);
  sample(0);
  while (status == 0) {
    const int stepStatus = solver.Step();
    if (stepStatus < 0) break;
    if (stepStatus > 0) status = solver.Start();
    const std::string broken = FirstNonFiniteEntry(solver.State());
    if (!broken.empty()) {
      console << "\nError - The validator's state is not finite at t = " << solver.Time()
              << " s: " << broken << ". The validator stops.\n";
      break;
    }
    if (solver.StepCount() % stepsPerSample == 0) sample(solver.StepCount() / stepsPerSample);
    progress.Update(solver.StepCount());
  }
  const double seconds = ElapsedSeconds(start, PerformanceCount());
  progress.Finish();
  files.Flush();
  if (files.ResultFileError() != 0) lostResults.CannotWrite(resultFile, files.ResultFileError());
  if (files.ForceFileError() != 0) lostResults.CannotWrite(forceFile, files.ForceFileError());
  if (resultOpen && files.ResultFileError() == 0)
    writtenFiles.Add(resultFile, FileKind::ValidatorResult);
  if (forceOpen && files.ForceFileError() == 0)
    writtenFiles.Add(forceFile, FileKind::ValidatorForces);
  const bool statesOpen = states.IsOpen();
  if (states.Close()) {
    if (statesOpen) writtenFiles.Add(statesFile, FileKind::ValidatorStates);
  } else {
    lostResults.CannotWrite(statesFile, states.ErrorNumber());
  }
  WriteTimingLine(runTime, kValidatorStepSize, 0, 0, 0.1, seconds);
  int error = 0;
  if (runTime.IsOpen()) {
    if (FlushFile(runTime, error)) {
      writtenFiles.Add(runTimeFile, FileKind::ValidatorRunTime);
    } else {
      lostResults.CannotWrite(runTimeFile, error);
    }
  }
  console << "\tDone in " << seconds << " [s]\n" << std::flush;
  CheckConsoleRun(run, consoleRun, &model, &speeds);
}
