#pragma once

// The record of a run: a JSON file beside its results that says what made
// them (the program's version, the command line, the working folder, the host,
// when and how long it ran, the model and history files with their SHA-256,
// the model's settings and optional sections, a batch's sets), how it ended
// (its exit status) and every file it wrote, with each file's columns and
// their units from the column catalogue.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "results/ColumnCatalogue.h"
#include "results/Hdf5File.h"
#include "results/RunRecording.h"

// An input file as the record names it: its path as given and its SHA-256
// (empty when it could not be read).
struct InputFileRecord {
  std::string path;
  std::string sha256;
};

// A batch set's settings, numbered from 0 as its files are.
struct BatchSetRecord {
  int index = 0;
  double timeStep = 0.0;
  int iterations = 0;
  int subdivisions = 0;
  double signLimit = 0.0;
};

struct RunRecord {
  std::string kind;  // "console", "batch", "study" or "window"
  std::vector<std::string> commandLine;
  std::string workingFolder;
  std::string host;
  std::string startTimeUtc;  // "2026-12-08T10:23:21Z"
  std::chrono::steady_clock::time_point started;
  InputFileRecord model;
  InputFileRecord history;
  InputFileRecord study;  // a study's case file; empty path otherwise
  std::string modelText;  // the model file as the run started, for its settings and sections
  int recordEvery = 1;
  // Whether the reference integration ran after the run, or why not.
  std::string validator;
  std::vector<BatchSetRecord> batchSets;
  ColumnShape shape;   // the model's columns
  WrittenFiles files;  // every file the run wrote, in order
};

// The record at the start of a run: the command line, the clock, the host, the
// working folder and the digests of the model, history and study files.
RunRecord StartRunRecord(int argc, char** argv, const std::string& kind,
                         const std::string& modelFile, const std::string& historyFile,
                         const std::string& studyFile);

// The manifest's JSON text of `record`, ended by a newline, for a run that
// ends now with `exitStatus`; without one (a window session that goes on),
// the exit status is null.
std::string ManifestText(const RunRecord& record, std::optional<int> exitStatus);

// The manifest's fields that are known when the run starts, as the
// attributes of its HDF5 files: an object's fields named "<object>.<field>"
// ("model.sha256"), lists as lists. Its duration, exit status and files stay
// in the manifest, which is written after them.
std::vector<Hdf5Attribute> RecordAttributes(const RunRecord& record);
// The settings of a batch set, as its manifest entry has them, as the
// attributes "batch_set.<field>" of the set's HDF5 file.
std::vector<Hdf5Attribute> BatchSetAttributes(const BatchSetRecord& set);
