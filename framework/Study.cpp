#include "framework/Study.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include "framework/Framework.h"
#include "framework/Reporting.h"
#include "model/ModelParameters.h"
#include "model/TextInput.h"
#include "model/TextPrepass.h"
#include "results/RunRecording.h"

namespace {

const char* const kStylesFile = "combined_styles_GEN.in";

// Standard output goes into `buffer` while the capture lives.
class ConsoleCapture {
 public:
  explicit ConsoleCapture(std::ostringstream& buffer) : saved(std::cout.rdbuf(buffer.rdbuf())) {}
  ~ConsoleCapture() { std::cout.rdbuf(saved); }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

 private:
  std::streambuf* saved;
};

std::string CaseName(const StudySettings& settings, std::size_t index) {
  return settings.resultsFolder + "/study_" + std::to_string(index + 1);
}

std::string CaseLine(std::size_t index, std::size_t count) {
  return "Case " + std::to_string(index + 1) + " of " + std::to_string(count);
}

bool ReadModelText(const std::string& fileName, std::string& text, std::string& error) {
  std::ifstream file;
  const TextInputState state = OpenTextInput(fileName, kModelFileLimit, file);
  if (state != TextInputState::Opened) {
    error = TextInputProblem(state, fileName, kModelFileLimit);
    return false;
  }
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

// Every parameter must name a number of the model; the values are checked case by case.
bool CheckParameters(const StudyPlan& plan, const std::string& modelText, std::string& error) {
  for (const std::string& parameter : plan.parameters) {
    std::string text = modelText;
    if (!SetModelParameter(text, parameter, "0", error)) return false;
  }
  return true;
}

// The summary table: the case number and its values, then its figures. The
// header waits for the first case that ran, which gives the axle count.
class StudySummaryFile {
 public:
  StudySummaryFile(const std::string& fileName, const StudyPlan& studyPlan, LostResults& lost)
      : name(fileName), plan(studyPlan), lostResults(lost), file(fileName) {
    if (!file) lostResults.CannotOpen(name);
  }
  void Add(std::size_t index, const RunSummary& summary) {
    WriteHeader(summary.largestSlip.size());
    file << index + 1;
    for (const std::string& value : plan.cases[index]) file << ',' << value;
    file << ',' << SummaryCells(summary) << '\n';
    Flush();
  }
  // True when the file is complete on disk.
  bool Close() {
    WriteHeader(0);
    Flush();
    return file.is_open() && !failed;
  }

 private:
  void WriteHeader(std::size_t axles) {
    if (headerWritten) return;
    std::vector<std::string> leading = {"case"};
    leading.insert(leading.end(), plan.parameters.begin(), plan.parameters.end());
    file << SummaryHeader(leading, axles);
    headerWritten = true;
  }
  void Flush() {
    int error = 0;
    if (!file.is_open() || failed || FlushFile(file, error)) return;
    lostResults.CannotWrite(name, error);
    failed = true;
  }

  const std::string name;
  const StudyPlan& plan;
  LostResults& lostResults;
  std::ofstream file;
  bool headerWritten = false;
  bool failed = false;
};

}  // namespace

StudyCaseOutcome RunStudyCase(const StudySettings& settings, const StudyPlan& plan,
                              const std::string& modelText, std::size_t index) {
  StudyCaseOutcome outcome;
  std::ostringstream text;
  const std::string caseLine = CaseLine(index, plan.cases.size());
  text << "\n" << caseLine << ": " << StudyCaseLabel(plan, index) << "\n";
  std::string caseModel = modelText;
  std::string error;
  const std::string modelFile = CaseName(settings, index) + "_model.in";
  int errorNumber = 0;
  if (!ApplyStudyCase(plan, index, caseModel, error)) {
    text << "Reason: " << error << "\n";
  } else if (!WriteWholeFile(modelFile, caseModel, errorNumber)) {
    text << "Reason: cannot write the case's model file " << QuotedExcerpt(modelFile) << "\n";
    outcome.resultsLost = true;
  } else {
    outcome.filesWritten.push_back(modelFile);
    auto framework = std::make_unique<Framework>();
    framework->SetWriteStates(settings.writeStates);
    framework->SetResultsFolder(settings.resultsFolder);
    framework->SetRunBaseName(CaseName(settings, index));
    {
      ConsoleCapture capture(text);
      outcome.ran = framework->Initialize(kStylesFile, settings.historyFile, 0, modelFile);
      if (outcome.ran) framework->Run(0, nullptr);
    }
    outcome.summary = framework->LastSummary();
    const std::vector<std::string>& written = framework->FilesWritten().Names();
    outcome.filesWritten.insert(outcome.filesWritten.end(), written.begin(), written.end());
    outcome.resultsLost = framework->ResultsLost();
  }
  if (!outcome.ran) text << caseLine << " failed\n";
  outcome.consoleText = text.str();
  return outcome;
}

int RunStudy(const StudySettings& settings) {
  std::cout << "Reading study cases... ";
  StudyPlan plan;
  std::string modelText;
  std::string error;
  const bool ready = ReadStudyPlan(settings.studyFile, plan, error) &&
                     ReadModelText(settings.modelFile, modelText, error) &&
                     CheckParameters(plan, modelText, error);
  PrintResult(std::cout, ready);
  if (!ready) {
    std::cout << "Reason: " << error << "\n";
    return 1;
  }
  LostResults lostResults;
  const std::string summaryFile = settings.resultsFolder + "/study_summary.csv";
  StudySummaryFile summaries(summaryFile, plan, lostResults);
  WrittenFiles written;
  bool allRan = true;
  for (std::size_t i = 0; i < plan.cases.size(); ++i) {
    const StudyCaseOutcome outcome = RunStudyCase(settings, plan, modelText, i);
    std::cout << outcome.consoleText << std::flush;
    for (const std::string& name : outcome.filesWritten) written.Add(name);
    if (outcome.ran) summaries.Add(i, outcome.summary);
    allRan = allRan && outcome.ran && !outcome.resultsLost;
  }
  if (summaries.Close()) written.Add(summaryFile);
  std::cout << written.Line();
  return allRan && !lostResults.Any() ? 0 : 1;
}
