#pragma once

// The one list of what every result file holds: for each kind of file a run
// writes, its columns in order, each with its name and unit. The writers take
// their headers from here and the run manifest its column lists, so that a
// file, its header and what the manifest says of it cannot drift apart; an
// output in another format gives its datasets the same names and units.
//
// Units are SI as the files hold them ("s", "N", "m/s", "m/s2", "m", "rad",
// "rad/s", "Hz", "kg"); "1" marks a dimensionless number (a count, an index, a
// ratio) and "-" a column of words.

#include <string>
#include <vector>

// Every kind of file a run writes.
enum class FileKind {
  TimeSeries,        // <run>.csv, batch_<i>.csv, realtime_<n>.csv
  States,            // <run>_states.csv
  Summary,           // <run>_summary.csv
  ResultText,        // <run>.txt, batch_<i>.txt: the run's settings
  Modes,             // <run>_modes.csv, batch_modes.csv
  BatchSummary,      // batch_summary.csv
  BatchRunTimes,     // batch_run_times.txt
  StudySummary,      // study_summary.csv
  StudyCaseModel,    // study_<i>_model.in: a model file, no columns
  ValidatorResult,   // ode1_train17_rk4_result.txt
  ValidatorForces,   // ruku_forces.txt
  ValidatorStates,   // ruku_states.csv
  ValidatorRunTime,  // ruku_run_time.txt
  Manifest,          // <run>.json, batch.json, study.json: the run's record, no columns
  Hdf5,              // <run>.h5 (--format hdf5): the tables of the time series, states, summary
};

struct Column {
  std::string name;
  std::string unit;
  bool operator==(const Column&) const = default;
};

// A freedom of the linear model as the states file shows it: its name (such as
// "Car_R") and whether it turns (rad) rather than moves (m).
struct FreedomColumn {
  std::string name;
  bool angular = false;
};

// What the columns of a model's files depend on.
struct ColumnShape {
  int axles = 0;                             // per-axle columns _1.._axles
  std::vector<FreedomColumn> freedoms;       // the states file, in the order of DOFS
  std::vector<std::string> deflections;      // the states file's OUTDISP columns
  std::vector<std::string> studyParameters;  // a study summary's parameter paths
  // Brake cylinders act: the time series ends with cylinder_force_1.._axles.
  bool brakeCylinders = false;
  // A real line: the summaries end with the adhesion the stop used.
  bool adhesionUsed = false;
  // Wheel slide protection acts: the time series ends with wsp_valve_1.._axles,
  // the summaries with wsp_release_1.._axles.
  bool slideProtection = false;
  // The tables an HDF5 file holds besides its time series.
  bool withStates = false;
  bool withSummary = false;
};

// The columns of a file of `kind` for a model of `shape`, in file order. Those
// of an HDF5 file are its datasets' paths: "series/time", ..., then
// "states/..." and "summary/..." where it holds them.
std::vector<Column> FileColumns(FileKind kind, const ColumnShape& shape);

// The names alone, as a CSV header holds them.
std::vector<std::string> ColumnNames(const std::vector<Column>& columns);

// The kind's name in the manifest, such as "time_series".
const char* FileKindName(FileKind kind);

// The unit of a study parameter path (such as "BODY.Car.mass": "kg"), taken
// from its field or one-number section; "as in the model file" for one whose
// unit the catalogue does not know (the RESIST coefficients).
std::string ParameterUnit(const std::string& path);
