#include "framework/Framework.h"

#include <iostream>

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

void Framework::RunValidator() {}
