#pragma once

// The cases of a parameter study: a CSV file whose header names model
// parameters by path (model/ModelParameters.h) and whose rows give one case
// each, a value per parameter.

#include <string>
#include <vector>

struct StudyPlan {
  std::vector<std::string> parameters;          // the header's paths
  std::vector<std::vector<std::string>> cases;  // each row's values, as written
};

// Reads `fileName`: blanks around a cell are dropped, empty lines skipped, and a
// UTF-8 byte-order mark at the start is skipped. False, with a one-line `error`,
// when the file cannot be read, is larger than 1 MiB, has no header, repeats a
// parameter, or holds a row with another number of cells than the header.
bool ReadStudyPlan(const std::string& fileName, StudyPlan& plan, std::string& error);

// Applies the values of case `index` to `modelText`; false with the first
// refused parameter's reason in `error`.
bool ApplyStudyCase(const StudyPlan& plan, std::size_t index, std::string& modelText,
                    std::string& error);

// "BRKSYS.gain=0.5 ADHSET.1.mu_max=0.06": the case's values by parameter.
std::string StudyCaseLabel(const StudyPlan& plan, std::size_t index);
