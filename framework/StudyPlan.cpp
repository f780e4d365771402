#include "framework/StudyPlan.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "model/ModelParameters.h"
#include "model/TextInput.h"
#include "model/TextPrepass.h"

namespace {

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::size_t from = 0;
  while (true) {
    const std::size_t comma = line.find(',', from);
    cells.push_back(Trimmed(line.substr(from, comma - from)));
    if (comma == std::string::npos) return cells;
    from = comma + 1;
  }
}

bool CheckHeader(const std::vector<std::string>& parameters, std::string& error) {
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (parameters[i].empty()) {
      error = "parameter " + std::to_string(i + 1) + " of the header has no name";
      return false;
    }
    if (std::find(parameters.begin(), parameters.begin() + static_cast<long>(i), parameters[i]) !=
        parameters.begin() + static_cast<long>(i)) {
      error = "the header names " + QuotedExcerpt(parameters[i]) + " twice";
      return false;
    }
  }
  return true;
}

}  // namespace

bool ReadStudyPlan(const std::string& fileName, StudyPlan& plan, std::string& error) {
  std::ifstream file;
  const TextInputState state = OpenTextInput(fileName, kBatchFileLimit, file);
  if (state != TextInputState::Opened) {
    error = TextInputProblem(state, fileName, kBatchFileLimit);
    return false;
  }
  const std::string where = "Study cases in " + QuotedExcerpt(fileName) + ": ";
  StudyPlan read;
  std::string line;
  int lineNumber = 0;
  bool header = true;
  while (std::getline(file, line)) {
    ++lineNumber;
    if (Trimmed(line).empty()) continue;
    std::vector<std::string> cells = Cells(line);
    if (header) {
      read.parameters = std::move(cells);
      if (!CheckHeader(read.parameters, error)) {
        error = where + error;
        return false;
      }
      header = false;
    } else if (cells.size() != read.parameters.size()) {
      error = where + "line " + std::to_string(lineNumber) + " has " +
              std::to_string(cells.size()) + " values for " +
              std::to_string(read.parameters.size()) + " parameters";
      return false;
    } else {
      read.cases.push_back(std::move(cells));
    }
  }
  if (header) {
    error = where + "no header line naming the parameters";
    return false;
  }
  plan = std::move(read);
  return true;
}

bool ApplyStudyCase(const StudyPlan& plan, std::size_t index, std::string& modelText,
                    std::string& error) {
  const std::vector<std::string>& values = plan.cases[index];
  for (std::size_t i = 0; i < plan.parameters.size(); ++i) {
    if (!SetModelParameter(modelText, plan.parameters[i], values[i], error)) return false;
  }
  return true;
}

std::string StudyCaseLabel(const StudyPlan& plan, std::size_t index) {
  std::string label;
  for (std::size_t i = 0; i < plan.parameters.size(); ++i) {
    label += (i > 0 ? " " : "") + Excerpt(plan.parameters[i]) + "=" + Excerpt(plan.cases[index][i]);
  }
  return label;
}
