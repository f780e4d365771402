#pragma once

// A parameter study: the console run of the history repeated for every case of
// a study file, each on the model file with that case's values, without the
// validator. Each case writes its files under the name results/study_<case>
// (the case's model text as study_<case>_model.in, its time series, summary
// and result text, and its states when asked for), and a row of
// results/study_summary.csv with its values and figures.

#include <ostream>
#include <string>
#include <vector>

#include "framework/SetRange.h"
#include "framework/StudyPlan.h"
#include "results/ResultTable.h"
#include "results/RunRecording.h"
#include "results/RunSummary.h"

struct StudySettings {
  std::string studyFile;
  std::string historyFile;
  std::string modelFile;
  std::string resultsFolder = "results";
  bool writeStates = false;
  bool writeModes = false;
  int jobs = 1;         // cases run at once
  SetRange cases;       // the cases to run, numbered as in the whole study
  int recordEvery = 1;  // the time series and states keep every N-th step's row
  ResultFormat format = ResultFormat::kCsv;
  // The study's record as attributes of every case's HDF5 file.
  std::vector<Hdf5Attribute> recordAttributes;
};

// What one case did: whether it ran, and what it left.
struct StudyCaseOutcome {
  bool ran = false;
  RunSummary summary;
  WrittenFiles filesWritten;
  ColumnShape shape;  // the columns of the case's files
  bool resultsLost = false;
};

// Runs case `index` (from 0) of `plan` on `modelText` with a vehicle system of
// its own. Its console text, from the case line to its summary or the reason it
// failed, goes to `console`, the warnings about its inputs and files to
// `warnings`; a progress bar only when `showProgress`. It touches nothing that
// another case touches, so that cases can run side by side, each on streams of
// its own.
StudyCaseOutcome RunStudyCase(const StudySettings& settings, const StudyPlan& plan,
                              const std::string& modelText, std::size_t index,
                              std::ostream& console, std::ostream& warnings, bool showProgress);

// The study's cases of `settings.cases` on the console, up to `settings.jobs`
// at once, with the text and files of a run of one case after another; the exit
// status: 0 when every case ran and every file was written, 1 otherwise. The
// files written go to `written`, the columns of the model's files to `shape`.
int RunStudy(const StudySettings& settings, WrittenFiles& written, ColumnShape& shape);
