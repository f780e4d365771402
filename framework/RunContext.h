#pragma once

// What every kind of run works from: the set-up made before it (the vehicle's
// model and the modules around it, the vehicle system, the run's inputs), the
// settings it was asked for, and where it reports. The console, batch, window
// and validator runs each take one RunContext; only the set-up writes the
// set-up, and the runs step its vehicle system.

#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "framework/Reporting.h"
#include "framework/ResultStore.h"
#include "framework/RunInputs.h"
#include "framework/SetRange.h"
#include "results/ResultTable.h"
#include "results/RunRecording.h"
#include "results/StateRecorder.h"
#include "setup/VehicleSetUp.h"
#include "vehicle/Kelvra.h"
#include "visual/StyleManager.h"

// How a run is to be made and what it writes, besides its mode.
struct RunSettings {
  std::string resultsFolder = "results";  // where every result file goes
  bool writeStates = false;               // every step's linear state beside its time series
  bool writeModes = false;                // the modes of the linear and the rolling vehicle
  // Each run's time series, states and summary as CSV files, or as one HDF5 file.
  ResultFormat resultFormat = ResultFormat::kCsv;
  // The attributes every HDF5 file of the run gets: its record's fields.
  std::vector<Hdf5Attribute> recordAttributes;
  // A console run names its files "<base>.csv", "<base>.txt" and so on; empty:
  // the numbered result name.
  std::string runBaseName;
  // A console run plays the history's rows as samples 0.005 s apart,
  // resampled at its time step as a batch set does, rather than one row a step.
  bool resampleHistory = false;
  // The time series and the states keep the initial row and every N-th step's.
  int recordEvery = 1;
  bool skipValidator = false;   // no reference integration after a console or batch run
  bool realTimePacing = false;  // window runs keep simulated time with the wall clock
  bool progressBars = true;     // on a terminal's standard error
  int jobs = 1;                 // batch sets run at once
  SetRange setRange;            // the batch sets to run

  // "<results folder>/<name>".
  std::string ResultPath(const std::string& name) const { return resultsFolder + "/" + name; }
};

// Where a run says what it does, and what it wrote or could not save.
struct RunReport {
  std::ostream* console = &std::cout;
  std::ostream* warnings = &std::cerr;
  LostResults lostResults;
  WrittenFiles writtenFiles;

  // Writes `text` to `fileName`, noting it as written or lost.
  void SaveWholeFile(const std::string& fileName, const std::string& text, FileKind kind);
};

// What the set-up made for the run.
struct RunSetUp {
  VehicleSetUp vehicle;       // the model creation, the step matrices and the vehicle's model
  StyleManager styleManager;  // a window run's drawing styles
  ResultStore resultStore;    // a window run's result vector
  Kelvra vehicleSystem;       // stepped by the console and window runs; a batch's last set
  RunInputs inputs;           // the history and the batch sets
  int batchBegin = 0;         // the batch sets [batchBegin, batchEnd) of the range
  int batchEnd = 0;
  std::string vehicleCreationLog;  // what the vehicle system wrote while created
};

struct RunContext {
  RunSetUp& setUp;
  const RunSettings& settings;
  RunReport& report;
};

// The freedoms and output displacements of the model as the states file shows them.
StateLayout StatesLayout(const ModelCreation& model);
// Every body that moves longitudinally, with its share of their total mass.
std::vector<MassShare> MassShares(const ModelCreation& model);
// The states file of a run of `steps` steps; 0 unless the states were asked for.
double StatesBytes(const RunSettings& settings, const ModelCreation& model, double steps);
// Opens the files of the run "<base>" of `vehicle`: its time series, and its
// states when asked for, as "<base>.csv" and "<base>_states.csv" or as
// "<base>.h5"; starts the summary. A file that cannot be opened goes to `lost`.
void OpenRecording(const RunContext& run, const Kelvra& vehicle, RunRecording& recording,
                   const std::string& base, LostResults& lost);
// Closes the files, noting those written in `written` and those lost in
// `lost`. Into an HDF5 file goes `summary` too, when given; a CSV run writes
// its summary file itself.
void CloseRecording(RunRecording& recording, const std::string& base, const RunSummary* summary,
                    LostResults& lost, WrittenFiles& written);
// Writes the modes of the run "<base>" beside its files when they were asked for.
void WriteModes(const RunContext& run, const std::string& base);
// The per-axle columns and the states' columns of the model's result files.
ColumnShape ResultColumnShape(const ComponentManager& components);
