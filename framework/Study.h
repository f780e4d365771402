#pragma once

// A parameter study: the console run of the history repeated for every case of
// a study file, each on the model file with that case's values, without the
// validator. Each case writes its files under the name results/study_<case>
// (the case's model text as study_<case>_model.in, its time series, summary
// and result text, and its states when asked for), and a row of
// results/study_summary.csv with its values and figures.

#include <string>
#include <vector>

#include "framework/StudyPlan.h"
#include "results/RunSummary.h"

struct StudySettings {
  std::string studyFile;
  std::string historyFile;
  std::string modelFile;
  std::string resultsFolder = "results";
  bool writeStates = false;
};

// What one case did: everything it printed, whether it ran, and what it left.
struct StudyCaseOutcome {
  std::string consoleText;
  bool ran = false;
  RunSummary summary;
  std::vector<std::string> filesWritten;
  bool resultsLost = false;
};

// Runs case `index` (from 0) of `plan` on `modelText`. The case prints nothing
// itself: its console text, from the case line to its summary or the reason it
// failed, is kept in the outcome, to be printed in case order. While the set-up
// and the run write to standard output, the case takes it over, so cases run
// one after the other.
StudyCaseOutcome RunStudyCase(const StudySettings& settings, const StudyPlan& plan,
                              const std::string& modelText, std::size_t index);

// The whole study on the console; the exit status: 0 when every case ran and
// every file was written, 1 otherwise.
int RunStudy(const StudySettings& settings);
