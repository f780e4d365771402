#include <cmath>
#include <fstream>
#include <iostream>
#include <sstream>

#include "display/Window.h"
#include "framework/Framework.h"
#include "framework/Progress.h"
#include "framework/Reporting.h"
#include "framework/Resampling.h"
#include "framework/SpeedComparison.h"
#include "framework/ValidatorStates.h"
#include "solver/RungeKuttaSolver.h"
#include "solver/ValidatorTrainModel.h"
#include "vehicle/PerformanceCounter.h"

namespace {

// The validator integrates its reference vehicle with this fixed step.
constexpr double kValidatorStepSize = 0.0005;

// A batch parameter set: one row of batch_paramsets.in.
struct ParameterSet {
  double timeStep;
  int iterations;
  int subdivisions;
  double signLimit;
};

ParameterSet ParameterSetOf(const Matrix& sets, int row) {
  return {sets[row][0], static_cast<int>(std::trunc(sets[row][1])),
          static_cast<int>(std::trunc(sets[row][2])), sets[row][3]};
}

}  // namespace

void Framework::Run(int argc, char** argv) {
  if (graphicsDisplay) {
    RunGraphics(argc, argv);
    return;
  }
  if (realTimeExternalForce) {
    std::cout << "Problem with Framework configuration: RTEF+CD Not supported!";
    return;
  }
  if (batchRun) {
    RunBatch();
  } else {
    RunConsole();
  }
}

void Framework::StepWithHistoryRow(int row, std::vector<double>& brakeDemand) {
  const Matrix& history = coupling.externalForceHistory;
  const int axles = static_cast<int>(brakeDemand.size());
  for (int axle = 0; axle < axles; ++axle) brakeDemand[axle] = history[row][axle];
  vehicleSystem.DoStep(brakeDemand, history[row][axles]);
}

bool Framework::StepAndRecord(int row, double time, std::vector<double>& brakeDemand,
                              StepRecorder& recorder) {
  StepWithHistoryRow(row, brakeDemand);
  if (vehicleSystem.StateBroken()) return false;
  const double traction = coupling.externalForceHistory[row][static_cast<int>(brakeDemand.size())];
  recorder.Record(time, brakeDemand, traction, vehicleSystem);
  return true;
}

// One step per history row, whatever the model's time step. The time series
// shares the result text's number; the vehicle speeds stay in memory for the
// comparison with the validator.
void Framework::RunConsole() {
  vehicleSystem.AppendResultText("STEF+SR+CD");
  const int axles = vehicleSystem.AxleCount();
  std::vector<double> brakeDemand(axles, 0.0);
  const int rows = coupling.externalForceHistory.num_rows();
  const double timeStep = coupling.timeStep;
  vehicleSystem.PickResultNumber();
  const std::string seriesFile = vehicleSystem.DefaultResultName(".csv");
  StepRecorder recorder;
  if (!recorder.Open(seriesFile, axles)) WarnUnwritable(seriesFile);
  recorder.RecordInitial(vehicleSystem);
  consoleSpeeds.Start(timeStep, axles, static_cast<std::size_t>(rows) + 1);
  consoleSpeeds.Add(vehicleSystem.VehicleSpeed());

  ProgressBar progress(rows);
  const std::int64_t start = PerformanceCount();
  std::cout << "Simulation in progress...\n";
  for (int row = 0; row < rows; ++row) {
    if (!StepAndRecord(row, (row + 1) * timeStep, brakeDemand, recorder)) break;
    consoleSpeeds.Add(vehicleSystem.VehicleSpeed());
    progress.Update(row + 1);
  }
  const double seconds = ElapsedSeconds(start, PerformanceCount());
  progress.Finish();
  std::cout << "\tDone in " << seconds << " [s]\n";
  std::string fileName;
  if (!vehicleSystem.WriteDefaultResultText(&fileName)) WarnUnwritable(fileName);
  if (!recorder.Close()) WarnUnwritable(seriesFile);
}

// Every parameter set replays the whole history at its own time step. The step
// matrices and the vehicle system are rebuilt when the time step changes, and
// always for the first set, which must not inherit the model's own time step.
void Framework::RunBatch() {
  const char* const timesFile = "results/batch_run_times.txt";
  std::ofstream times(timesFile);
  if (!times) WarnUnwritable(timesFile);
  const Matrix& sets = coupling.batchParameterSets;
  const int setCount = sets.num_rows();
  const int rows = coupling.externalForceHistory.num_rows();
  double previousTimeStep = 0.0;
  for (int i = 0; i < setCount; ++i) {
    const ParameterSet set = ParameterSetOf(sets, i);
    std::ostringstream setLog;
    if (i == 0 || std::fabs(set.timeStep - previousTimeStep) > 0.00001) {
      std::cout << "\nTime step changed, recalculate solution operators... ";
      const bool prepared = PrepareStepMatrices(set.timeStep);
      PrintResult(std::cout, prepared);
      ConvertForVehicle();
      std::cout << "\nRe-initializing simulator... ";
      const bool created = CreateVehicle(set.timeStep, setLog);
      PrintResult(std::cout, prepared && created);
    }
    previousTimeStep = set.timeStep;
    vehicleSystem.ChangeAxleIntegratorPar(set.subdivisions, set.iterations, set.signLimit,
                                          set.timeStep, setLog);
    vehicleSystem.SetLinearTimeStep(set.timeStep);
    vehicleSystem.Init(setLog);
    std::cout << "\nSimulation " << i + 1 << " of " << setCount << "\n"
              << "Params: DT=" << set.timeStep << " ITER=" << set.iterations
              << " SUBD=" << set.subdivisions << " SGNT=" << set.signLimit << "\n";

    const int axles = vehicleSystem.AxleCount();
    std::vector<double> brakeDemand(axles, 0.0);
    const std::string seriesFile = "results/batch_" + std::to_string(i) + ".csv";
    StepRecorder recorder;
    if (!recorder.Open(seriesFile, axles)) WarnUnwritable(seriesFile);
    recorder.RecordInitial(vehicleSystem);
    const int steps = ResampledStepCount(rows, set.timeStep);
    ProgressBar progress(steps);
    const std::int64_t start = PerformanceCount();
    for (int k = 0; k < steps; ++k) {
      const int row = ResampledRow(k, set.timeStep);
      if (!StepAndRecord(row, (k + 1) * set.timeStep, brakeDemand, recorder)) break;
      progress.Update(k + 1);
    }
    const double seconds = ElapsedSeconds(start, PerformanceCount());
    progress.Finish();
    std::cout << "\tDone in " << seconds << " [s]\n";
    WriteTimingLine(times, set.timeStep, set.iterations, set.subdivisions, set.signLimit, seconds);
    const std::string resultFile = "results/batch_" + std::to_string(i) + ".txt";
    if (!vehicleSystem.WriteResultText(resultFile)) WarnUnwritable(resultFile);
    if (!recorder.Close()) WarnUnwritable(seriesFile);
  }
}

// The reference vehicle replays the same history with classical Runge-Kutta
// until the history is exhausted (the first negative step status). Its state is
// sampled at every history row; after a console run the two solutions' vehicle
// speeds are compared over their common span.
void Framework::RunValidator() {
  std::cout << "\nRunning validator with hard-coded parameters...\n"
            << "Creating RK solver... ";
  ValidatorTrainModel model(kValidatorStepSize);
  model.SetForceHistory(coupling.externalForceHistory, kHistorySamplePeriod);
  std::string reason;
  if (!model.CheckForceHistory(reason)) {
    std::cout << "Failed\nReason: " << reason << "\n";
    return;
  }
  RungeKuttaSolver solver(model);
  std::cout << "OK\n";
  if (!model.ResultFileOpen()) WarnUnwritable("results/ode1_train17_rk4_result.txt");

  const char* const runTimeFile = "results/ruku_run_time.txt";
  std::ofstream runTime(runTimeFile);
  if (!runTime) WarnUnwritable(runTimeFile);
  const char* const statesFile = "results/ruku_states.csv";
  ValidatorStateRecorder states;
  if (!states.Open(statesFile)) WarnUnwritable(statesFile);

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
    speeds.Add(&state[kValidatorWheelsetDof], kValidatorWheelsets);
  };

  std::cout << "\r"
            << "Simulation in progress... \n";
  ProgressBar progress(static_cast<std::int64_t>(stepsPerSample) * (rows - 1));
  const std::int64_t start = PerformanceCount();
  int status = solver.Start();
  if (!model.ForceFileOpen()) WarnUnwritable("results/ruku_forces.txt");
  sample(0);
  while (status == 0) {
    const int stepStatus = solver.Step();
    if (stepStatus < 0) break;
    if (stepStatus > 0) status = solver.Start();
    const std::string broken = FirstNonFiniteEntry(solver.State());
    if (!broken.empty()) {
      std::cout << "\nError - The validator's state is not finite at t = " << solver.Time()
                << " s: " << broken << ". The validator stops.\n";
      break;
    }
    if (solver.StepCount() % stepsPerSample == 0) sample(solver.StepCount() / stepsPerSample);
    progress.Update(solver.StepCount());
  }
  const double seconds = ElapsedSeconds(start, PerformanceCount());
  progress.Finish();
  WriteTimingLine(runTime, kValidatorStepSize, 0, 0, 0.1, seconds);
  std::cout << "\tDone in " << seconds << " [s]\n";
  if (!states.Close()) WarnUnwritable(statesFile);
  if (consoleSpeeds.SampleCount() > 0) {
    const SpeedDifference largest = LargestSpeedDifference(consoleSpeeds, speeds);
    if (largest.found) std::cout << SpeedDifferenceLine(largest);
  }
}

// The window takes over from here: the vehicle system is stepped by the
// display's frames until the window is closed, which ends the process. Each run
// of the vehicle, from the start or a reset, records its time series.
void Framework::RunGraphics(int argc, char** argv) {
  vehicleSystem.AppendResultText(realTimeExternalForce ? "RTEF+SR+GD" : "STEF+SR+GD");
  DisplayData data;
  const std::vector<Vector>& results = resultStore.Vectors();
  data.resultValueCount = results.empty() ? 0 : results.front().dim();
  std::cout << "Connecting simulator...\n";
  if (!realTimeExternalForce) {
    std::cout << "Connecting external force data...\n";
    data.run.externalForceHistory = coupling.externalForceHistory;
    data.run.predefinedForces = true;
  }
  data.background.fileName = "textures/wall2.png";
  data.background.width = 54.613335f;
  data.background.height = 26.493334f;
  data.background.offsetY = -7.4666667f;
  data.background.enabled = true;
  data.run.realTimePacing = realTimePacing;
  data.run.vehicleTimeStep = coupling.timeStep;
  data.run.seriesPrefix = "results/realtime_";
  data.run.warnUnwritable = WarnUnwritable;
  for (const Wheel& wheel : modelCreation.Components().Wheels()) {
    data.wheelRadii.push_back(wheel.radius);
  }
  CopyVisualModel(styleManager, data);
  std::cout << "Starting up display...\n";
  SetUpDisplay(argc, argv, vehicleSystem, std::move(data));
  std::cout << "Close display window to exit!\n";
  RunDisplay();
}
