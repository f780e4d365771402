#include "framework/Framework.h"

#include <fstream>
#include <iostream>

#include "framework/Resampling.h"
#include "solver/RungeKuttaSolver.h"
#include "solver/ValidatorTrainModel.h"
#include "vehicle/PerformanceCounter.h"

namespace {

// Result files under results/ are written only when they can be opened; say so
// once, on standard error, so that a missing folder does not lose a run unseen.
void WarnUnwritable(const std::string& fileName) {
  std::cerr << "Warning - cannot open '" << fileName
            << "' for writing; its results are not saved.\n";
}

// "DT =0.005\tITER = 3\tSUBD = 10\tSGNT = 0.5\tTIME = 1.25\n"
void WriteTimingLine(std::ostream& out, double timeStep, int iterations, int subdivisions,
                     double signLimit, double seconds) {
  out << "DT =" << timeStep << "\tITER = " << iterations << "\tSUBD = " << subdivisions
      << "\tSGNT = " << signLimit << "\tTIME = " << seconds << "\n";
}

// The validator integrates its reference vehicle with this fixed step.
constexpr double kValidatorStepSize = 0.0005;

}  // namespace

bool Framework::Initialize(const std::string& stylesFile, const std::string& externalForceFile,
                           int flags, const std::string& modelFile) {
  (void)stylesFile;
  (void)externalForceFile;
  ResolveModes(flags);
  coupling.modelFileName = modelFile;
  return true;
}

// Batch runs replay a recorded history on the console, and real-time input
// needs the window: the requests are reconciled in this order.
void Framework::ResolveModes(int flags) {
  realTimeExternalForce = (flags & kRequestRealTimeExternalForce) != 0;
  graphicsDisplay = (flags & kRequestGraphicsDisplay) != 0;
  batchRun = (flags & kRequestBatchRun) != 0;

  std::cout << (batchRun ? "Simulator was set to Batch Run (BR) mode.\n"
                         : "Simulator has defaulted to Single Run (SR) mode.\n");

  if (!realTimeExternalForce) {
    std::cout << "Simulator has defaulted to Static External Force (SEF) mode.\n";
  } else if (batchRun) {
    std::cout
        << "Simulator has defaulted to Static External Force (SEF) mode, required by BR mode.\n";
    realTimeExternalForce = false;
  } else {
    std::cout << "Simulator was set to Real Time External Force (RTEF) mode.\n";
  }

  if (graphicsDisplay && batchRun) {
    std::cout << "Simulator has defaulted to Console Display (CD) mode, required by BR mode.\n";
    graphicsDisplay = false;
  } else if (graphicsDisplay) {
    std::cout << "Simulator was set to Graphics Display (GD) mode.\n";
  } else if (realTimeExternalForce) {
    std::cout << "Simulator has defaulted to Graphics Display (GD) mode, required by RTEF mode.\n";
    graphicsDisplay = true;
  } else {
    std::cout << "Simulator has defaulted to Console Display (CD) mode.\n";
  }
}

void Framework::Run(int argc, char** argv) {
  (void)argc;
  (void)argv;
}

// The reference vehicle replays the same history with classical Runge-Kutta
// until the history is exhausted (the first negative step status).
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
  std::cout << "\r"
            << "Simulation in progress... \n";
  const std::int64_t start = PerformanceCount();
  int status = solver.Start();
  if (!model.ForceFileOpen()) WarnUnwritable("results/ruku_forces.txt");
  while (status == 0) {
    const int stepStatus = solver.Step();
    if (stepStatus < 0) break;
    if (stepStatus > 0) status = solver.Start();
  }
  const double seconds = ElapsedSeconds(start, PerformanceCount());
  WriteTimingLine(runTime, kValidatorStepSize, 0, 0, 0.1, seconds);
  std::cout << "\tDone in " << seconds << " [s]\n";
}
