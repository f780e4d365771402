#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "display/Window.h"
#include "framework/Framework.h"
#include "framework/OrderedJobs.h"
#include "framework/Reporting.h"
#include "framework/Resampling.h"
#include "framework/ValidatorScope.h"
#include "results/HistoryReplay.h"
#include "results/Progress.h"
#include "results/SpeedComparison.h"
#include "results/ValidatorStates.h"
#include "solver/RungeKuttaSolver.h"
#include "solver/ValidatorTrainModel.h"
#include "vehicle/PerformanceCounter.h"

namespace {

// The validator integrates its reference vehicle with this fixed step.
constexpr double kValidatorStepSize = 0.0005;
// The reference integration of a run's model is left out beyond this many
// operations: about ten seconds.
constexpr double kReferenceOperationLimit = 1e10;

}  // namespace

void Framework::Run(int argc, char** argv) {
  if (graphicsDisplay) {
    RunGraphics(argc, argv);
    return;
  }
  if (realTimeExternalForce) {
    *console << "Problem with Framework configuration: RTEF+CD Not supported!";
    return;
  }
  if (batchRun) {
    RunBatch();
  } else {
    RunConsole();
  }
}

// One step per history row, whatever the model's time step (unless the rows
// are resampled at it). The time series shares the result text's number; the
// vehicle speeds stay in memory for the comparison with the validator.
void Framework::RunConsole() {
  vehicleSystem.AppendResultText("STEF+SR+CD");
  const int axles = vehicleSystem.AxleCount();
  const int steps = ConsoleSteps();
  const double timeStep = coupling.stepMatricesTimeStep;
  vehicleSystem.PickResultNumber();
  const std::string base =
      runBaseName.empty() ? vehicleSystem.DefaultResultName("", resultsFolder) : runBaseName;
  WriteModes(base);
  HistoryReplay replay(vehicleSystem, coupling.externalForceHistory);
  RunRecording& recording = replay.Recording();
  OpenRecording(vehicleSystem, recording, base, lostResults);
  recording.RecordInitial(vehicleSystem);
  consoleSpeeds.Start(timeStep, axles, static_cast<std::size_t>(steps) + 1);
  const std::vector<double>& initialSpeed = vehicleSystem.InitialOutputs().vehicleSpeed;
  consoleSpeeds.Add(initialSpeed, AnyWheelSlides(initialSpeed));

  ProgressBar progress(steps, progressBars);
  const std::int64_t start = PerformanceCount();
  *console << "Simulation in progress...\n" << std::flush;
  for (int k = 0; k < steps; ++k) {
    runBroke = !replay.StepRow(resampleHistory ? ResampledRow(k, timeStep) : k);
    if (runBroke) break;
    const std::vector<double>& speed = vehicleSystem.VehicleSpeed();
    consoleSpeeds.Add(speed, AnyWheelSlides(speed));
    progress.Update(k + 1);
  }
  const double seconds = ElapsedSeconds(start, PerformanceCount());
  progress.Finish();
  if (runBroke) {
    // The time series keeps the sound steps; nothing says the run is complete.
    *console << IncompleteRunLine(replay.Time()) << vehicleSystem.LiftReport() << std::flush;
    CloseRecording(recording, base, nullptr, lostResults, writtenFiles);
    lostResults.Skipped();
    return;
  }
  *console << "\tDone in " << seconds << " [s]\n" << vehicleSystem.LiftReport();
  lastSummary = recording.summary.Result();
  *console << SummaryLine(lastSummary) << std::flush;
  CloseRecording(recording, base, &lastSummary, lostResults, writtenFiles);
  if (resultFormat == ResultFormat::kCsv) {
    SaveWholeFile(base + "_summary.csv", SummaryHeader({}, lastSummary.largestSlip.size()) +
                                             SummaryCells(lastSummary) + "\n");
  }
  SaveWholeFile(base + ".txt", vehicleSystem.ResultText());
}

bool Framework::AnyWheelSlides(const std::vector<double>& vehicleSpeed) const {
  const std::vector<double>& wheelSpeed = vehicleSystem.WheelSpeed();
  const double band = vehicleSystem.Dynamics().AxleRot.Lim();
  const std::size_t axles = std::min(vehicleSpeed.size(), wheelSpeed.size());
  for (std::size_t i = 0; i < axles; ++i) {
    if (std::fabs(vehicleSpeed[i] - wheelSpeed[i]) > band) return true;
  }
  return false;
}

// Every parameter set of the range replays the whole history at its own time
// step, each with a vehicle system and step matrices of its own. Sets run
// side by side when jobs allow; each one's console text, warnings and timing
// line come out in set order, exactly as when they run one after another.
// Then each finished set's files are complete on disk before its timing line.
void Framework::RunBatch() {
  BatchFiles files;
  files.timesName = ResultPath("batch_run_times.txt");
  files.summariesName = ResultPath("batch_summary.csv");
  files.times.Open(files.timesName);
  if (!files.times) lostResults.CannotOpen(files.timesName);
  files.summaries.Open(files.summariesName);
  if (!files.summaries) lostResults.CannotOpen(files.summariesName);
  files.summaries << SummaryHeader({"set", "DT", "ITER", "SUBD", "SGNT", "run_time"},
                                   static_cast<std::size_t>(vehicleSystem.AxleCount()));
  files.timesLost = !files.times;
  files.summariesLost = !files.summaries;
  // The modes belong to the model, the same for every set whatever its DT.
  WriteModes(ResultPath("batch"));
  const int count = batchEnd - batchBegin;
  const bool buffered = jobs > 1 && count > 1;
  struct SetText {
    std::ostringstream console;
    std::ostringstream warnings;
  };
  std::vector<SetText> texts(buffered ? count : 0);
  std::vector<BatchSetOutcome> outcomes(count);
  const auto run = [&](int j) {
    std::ostream& setConsole = buffered ? texts[j].console : *console;
    std::ostream& setWarnings = buffered ? texts[j].warnings : *warnings;
    Kelvra vehicle;
    outcomes[j] =
        RunBatchSet(batchBegin + j, vehicle, setConsole, setWarnings, progressBars && !buffered);
    // The framework's vehicle ends as that of the last set, as when the sets
    // run one after another in it; no other job touches it.
    if (j + 1 == count && !outcomes[j].skipped) {
      vehicleSystem = std::move(vehicle);
      vehicleSystem.SetConsole(*console);
    }
  };
  const auto finish = [&](int j) {
    if (buffered) {
      *console << texts[j].console.str() << std::flush;
      *warnings << texts[j].warnings.str();
      texts[j] = SetText();
    }
    FinishBatchSet(batchBegin + j, outcomes[j], files);
  };
  RunOrderedJobs(count, jobs, run, finish);
  if (!files.timesLost) writtenFiles.Add(files.timesName);
  if (!files.summariesLost) writtenFiles.Add(files.summariesName);
}

// The reference vehicle replays the same history with classical Runge-Kutta
// until the history is exhausted (the first negative step status). Its state is
// sampled at every history row; after a console run the two solutions' vehicle
// speeds are compared over their common span.
void Framework::RunValidator() {
  *console << "\nRunning validator with hard-coded parameters...\n"
           << "Creating RK solver... ";
  ValidatorTrainModel model(kValidatorStepSize, resultsFolder);
  model.SetForceHistory(coupling.externalForceHistory, kHistorySamplePeriod);
  std::string reason;
  if (!model.CheckForceHistory(reason)) {
    *console << "Failed\nReason: " << reason << "\n" << std::flush;
    CheckConsoleRun(nullptr, nullptr);
    return;
  }
  RungeKuttaSolver solver(model);
  *console << "OK\n" << std::flush;
  const std::string resultFile = ResultPath("ode1_train17_rk4_result.txt");
  const std::string forceFile = ResultPath("ruku_forces.txt");
  const bool resultOpen = model.ResultFileOpen();
  if (!resultOpen) lostResults.CannotOpen(resultFile);

  const std::string runTimeFile = ResultPath("ruku_run_time.txt");
  OutputFile runTime(runTimeFile);
  if (!runTime.IsOpen()) lostResults.CannotOpen(runTimeFile);
  const std::string statesFile = ResultPath("ruku_states.csv");
  ValidatorStateRecorder states;
  if (!states.Open(statesFile)) lostResults.CannotOpen(statesFile);

  // The history's rows are whole multiples of the step; the run reaches the last one.
  const int stepsPerSample =
      static_cast<int>(std::lround(kHistorySamplePeriod / kValidatorStepSize));
  const int rows = coupling.externalForceHistory.num_rows();
  SpeedSeries speeds;
  speeds.Start(kHistorySamplePeriod, kValidatorWheelsets, static_cast<std::size_t>(rows));
  ValidatorForces forces;
  const auto sample = [&](int index) {
    const ValidatorState& state = solver.State();
    model.EvaluateForces(solver.Time(), state, forces);
    states.Record(index * kHistorySamplePeriod, state, forces);
    bool sliding = false;
    for (double slip : forces.slip) sliding = sliding || std::fabs(slip) > model.adhesionSlipLimit;
    speeds.Add(&state[kValidatorWheelsetDof], kValidatorWheelsets, sliding);
  };

  *console << "\r"
           << "Simulation in progress... \n"
           << std::flush;
  ProgressBar progress(static_cast<std::int64_t>(stepsPerSample) * (rows - 1), progressBars);
  const std::int64_t start = PerformanceCount();
  int status = solver.Start();
  const bool forceOpen = model.ForceFileOpen();
  if (!forceOpen) lostResults.CannotOpen(forceFile);
  sample(0);
  while (status == 0) {
    const int stepStatus = solver.Step();
    if (stepStatus < 0) break;
    if (stepStatus > 0) status = solver.Start();
    const std::string broken = FirstNonFiniteEntry(solver.State());
    if (!broken.empty()) {
      *console << "\nError - The validator's state is not finite at t = " << solver.Time()
               << " s: " << broken << ". The validator stops.\n";
      break;
    }
    if (solver.StepCount() % stepsPerSample == 0) sample(solver.StepCount() / stepsPerSample);
    progress.Update(solver.StepCount());
  }
  const double seconds = ElapsedSeconds(start, PerformanceCount());
  progress.Finish();
  model.FlushFiles();
  if (model.ResultFileError() != 0) lostResults.CannotWrite(resultFile, model.ResultFileError());
  if (model.ForceFileError() != 0) lostResults.CannotWrite(forceFile, model.ForceFileError());
  if (resultOpen && model.ResultFileError() == 0) writtenFiles.Add(resultFile);
  if (forceOpen && model.ForceFileError() == 0) writtenFiles.Add(forceFile);
  const bool statesOpen = states.IsOpen();
  if (states.Close()) {
    if (statesOpen) writtenFiles.Add(statesFile);
  } else {
    lostResults.CannotWrite(statesFile, states.ErrorNumber());
  }
  WriteTimingLine(runTime, kValidatorStepSize, 0, 0, 0.1, seconds);
  int error = 0;
  if (runTime.IsOpen()) {
    if (FlushFile(runTime, error)) {
      writtenFiles.Add(runTimeFile);
    } else {
      lostResults.CannotWrite(runTimeFile, error);
    }
  }
  *console << "\tDone in " << seconds << " [s]\n" << std::flush;
  CheckConsoleRun(&model, &speeds);
}

// Batch runs are compared with nothing; a run that broke or made no step has no
// result to check against the model's reference.
void Framework::CheckConsoleRun(const ValidatorTrainModel* validator, const SpeedSeries* speeds) {
  if (consoleSpeeds.SampleCount() == 0) return;
  if (validator != nullptr && CompareWithValidator(*validator, *speeds)) return;
  if (!runBroke && consoleSpeeds.SampleCount() > 1) CompareWithModelReference();
}

// Only a run of the validator's own vehicle that played each history row for
// its 0.005 s from rest, as the validator does, can be compared with it.
bool Framework::CompareWithValidator(const ValidatorTrainModel& validator,
                                     const SpeedSeries& speeds) const {
  std::ostringstream reason;
  const std::string difference =
      runBroke ? std::string()
               : ValidatorVehicleDifference(validator, RunModelData(), vehicleSystem);
  if (runBroke) {
    reason << "the run stopped at a step that broke the vehicle state";
  } else if (!difference.empty()) {
    reason << "it models the shipped vehicle only, and this run's vehicle differs in "
           << difference;
  } else if (!SameSamplePeriod(coupling.stepMatricesTimeStep, kHistorySamplePeriod)) {
    reason << "the run stepped " << coupling.stepMatricesTimeStep << " s per history row of "
           << kHistorySamplePeriod
           << " s, so the two did not play the same inputs over the same time";
  } else if (SumOfAbsolutes(coupling.initialState) != 0.0) {
    reason << "the run started from the model's Y0, the validator from rest";
  }
  if (!reason.str().empty()) {
    *console << NoComparisonLine(reason.str()) << std::flush;
    return false;
  }
  for (const WheelPhase phase : {WheelPhase::Rolling, WheelPhase::Slid}) {
    const SpeedDifference largest = LargestSpeedDifference(consoleSpeeds, speeds, phase);
    if (largest.found) *console << SpeedDifferenceLine(largest, phase);
  }
  *console << std::flush;
  return true;
}

ReferenceModelData Framework::RunModelData() const {
  return {modelCreation.GetMatrix('A'), modelCreation.GetMatrix('F'), coupling.normalForceMatrix,
          coupling.initialState,        coupling.staticAxleLoads,     coupling.reducedMasses,
          coupling.brakeForceRadii,     coupling.wheelDofIndices,     coupling.wheelStateIndices,
          coupling.stepMatricesTimeStep};
}

// The run's own model integrated by Runge-Kutta over the rows the run played,
// one per time step; the two solutions' vehicle speeds compared at every step.
void Framework::CompareWithModelReference() const {
  const Matrix& history = coupling.externalForceHistory;
  const int steps = static_cast<int>(consoleSpeeds.SampleCount()) - 1;
  double largestBrake = 0.0;
  for (int r = 0; r < steps; ++r) {
    for (int k = 0; k < vehicleSystem.AxleCount(); ++k) {
      largestBrake = std::max(largestBrake, std::fabs(history[r][k]));
    }
  }
  ModelReference reference;
  std::string reason;
  if (reference.SetUp(RunModelData(), vehicleSystem, largestBrake, reason) &&
      !(reference.Operations(steps) <= kReferenceOperationLimit)) {
    std::ostringstream text;
    text << "it would take " << reference.Operations(steps)
         << " operations, more than the limit of " << kReferenceOperationLimit;
    reason = text.str();
  }
  if (!reason.empty()) {
    *console << "No reference integration of the model: " << reason << "\n" << std::flush;
    return;
  }
  *console << "\nRunning reference integration of the model (Runge-Kutta, " << reference.Substeps()
           << " substeps per time step)...\n"
           << std::flush;
  SpeedSeries speeds;
  const std::int64_t start = PerformanceCount();
  const bool finite = reference.Run(history, steps, speeds);
  *console << "\tDone in " << ElapsedSeconds(start, PerformanceCount()) << " [s]\n";
  if (!finite) {
    *console << "The reference integration's state is not finite at t = "
             << static_cast<double>(speeds.SampleCount()) * speeds.Period()
             << " s; the comparison covers the time before\n";
  }
  for (const WheelPhase phase : {WheelPhase::Rolling, WheelPhase::Slid}) {
    const SpeedDifference largest = LargestSpeedDifference(consoleSpeeds, speeds, phase);
    if (largest.found) {
      *console << SpeedDifferenceLine(largest, phase, ComparedWith::ModelReference);
    }
  }
  *console << std::flush;
}

// The window takes over from here: the vehicle system is stepped by the
// display's frames until the window is closed, which ends the process. Each run
// of the vehicle, from the start or a reset, records its time series.
void Framework::RunGraphics(int argc, char** argv) {
  vehicleSystem.AppendResultText(realTimeExternalForce ? "RTEF+SR+GD" : "STEF+SR+GD");
  // One file for every run of the window, from its start and from each reset.
  WriteModes(ResultPath("realtime"));
  DisplayData data;
  const std::vector<Vector>& results = resultStore.Vectors();
  data.resultValueCount = results.empty() ? 0 : results.front().dim();
  *console << "Connecting simulator...\n";
  if (!realTimeExternalForce) {
    *console << "Connecting external force data...\n";
    data.run.externalForceHistory = coupling.externalForceHistory;
    data.run.predefinedForces = true;
  }
  data.background.fileName = "textures/wall2.png";
  data.background.width = 54.613335f;
  data.background.height = 26.493334f;
  data.background.offsetY = -7.4666667f;
  data.background.enabled = true;
  data.run.realTimePacing = realTimePacing;
  data.run.seriesPrefix = ResultPath("realtime_");
  data.run.format = resultFormat;
  data.run.writeStates = writeStates;
  if (writeStates) data.run.stateLayout = StatesLayout();
  data.run.warnUnwritable = [this](const std::string& fileName) {
    lostResults.CannotOpen(fileName);
  };
  for (const Wheel& wheel : modelCreation.Components().Wheels()) {
    data.wheelRadii.push_back(wheel.radius);
  }
  CopyVisualModel(styleManager, data);
  *console << "Starting up display...\n";
  SetUpDisplay(argc, argv, vehicleSystem, std::move(data));
  *console << "Close display window to exit!\n";
  RunDisplay();
}
