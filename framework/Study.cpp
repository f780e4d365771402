#include "framework/Study.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <utility>

#include "framework/Framework.h"
#include "framework/OrderedJobs.h"
#include "framework/Reporting.h"
#include "framework/RunSize.h"
#include "model/ModelParameters.h"
#include "model/TextInput.h"
#include "model/TextPrepass.h"
#include "results/RunRecording.h"
#include "setup/InputReaders.h"
#include "vehicle/LineSections.h"

namespace {

const char* const kStylesFile = "combined_styles_GEN.in";

// The summary table's columns of a real line.
struct LineColumns {
  bool realLine = false;         // the adhesion used
  bool slideProtection = false;  // the release times of the wheel slide protection
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
  // With `columns.realLine` the table has the adhesion used of every case,
  // with `columns.slideProtection` the release times of its slide protection.
  StudySummaryFile(const std::string& fileName, const StudyPlan& studyPlan,
                   const LineColumns& columns, LostResults& lost)
      : name(fileName),
        plan(studyPlan),
        onRealLine(columns.realLine),
        slideRelease(columns.slideProtection),
        lostResults(lost),
        file(fileName) {
    if (!file) lostResults.CannotOpen(name);
  }
  void Add(std::size_t index, const RunSummary& summary) {
    WriteHeader(summary.largestSlip.size());
    file << index + 1;
    for (const std::string& value : plan.cases[index]) file << ',' << value;
    file << ',' << SummaryCells(summary, onRealLine, slideRelease) << '\n';
    Flush();
  }
  // True when the file is complete on disk.
  bool Close() {
    WriteHeader(0);
    Flush();
    return file.IsOpen() && !failed;
  }

 private:
  void WriteHeader(std::size_t axles) {
    if (headerWritten) return;
    std::vector<std::string> leading = {"case"};
    leading.insert(leading.end(), plan.parameters.begin(), plan.parameters.end());
    file << SummaryHeader(leading, axles, onRealLine, slideRelease);
    headerWritten = true;
  }
  void Flush() {
    int error = 0;
    if (!file.IsOpen() || failed || FlushFile(file, error)) return;
    lostResults.CannotWrite(name, error);
    failed = true;
  }

  const std::string name;
  const StudyPlan& plan;
  const bool onRealLine;
  const bool slideRelease;
  LostResults& lostResults;
  OutputFile file;
  bool headerWritten = false;
  bool failed = false;
};

}  // namespace

StudyCaseOutcome RunStudyCase(const StudySettings& settings, const StudyPlan& plan,
                              const std::string& modelText, std::size_t index,
                              std::ostream& console, std::ostream& warnings, bool showProgress) {
  StudyCaseOutcome outcome;
  const std::string caseLine = CaseLine(index, plan.cases.size());
  console << "\n" << caseLine << ": " << StudyCaseLabel(plan, index) << "\n";
  std::string caseModel = modelText;
  std::string error;
  const std::string modelFile = CaseName(settings, index) + "_model.in";
  RemoveEarlierFiles(CaseName(settings, index), {"_model.in", ".csv", "_states.csv", "_modes.csv",
                                                 "_summary.csv", ".h5", ".txt"});
  int errorNumber = 0;
  if (!ApplyStudyCase(plan, index, caseModel, error)) {
    console << "Reason: " << error << "\n";
  } else if (!WriteWholeFile(modelFile, caseModel, errorNumber)) {
    console << "Reason: cannot write the case's model file " << QuotedExcerpt(modelFile) << "\n";
    outcome.resultsLost = true;
  } else {
    outcome.filesWritten.Add(modelFile, FileKind::StudyCaseModel);
    auto framework = std::make_unique<Framework>();
    framework->SetConsole(console);
    framework->SetWarnings(warnings);
    framework->SetProgressBars(showProgress);
    framework->SetWriteStates(settings.writeStates);
    framework->SetWriteModes(settings.writeModes);
    framework->SetResultFormat(settings.format);
    std::vector<Hdf5Attribute> attributes = settings.recordAttributes;
    attributes.push_back({"study_case",
                          Hdf5Attribute::Kind::kInteger,
                          false,
                          {},
                          {static_cast<std::int64_t>(index) + 1},
                          {}});
    framework->SetRecordAttributes(std::move(attributes));
    framework->SetResultsFolder(settings.resultsFolder);
    framework->SetRunBaseName(CaseName(settings, index));
    framework->SetResampleHistory(true);
    framework->SetRecordEvery(settings.recordEvery);
    outcome.ran = framework->Initialize(kStylesFile, settings.historyFile, 0, modelFile);
    if (outcome.ran) framework->Run(0, nullptr);
    outcome.ran = outcome.ran && !framework->RunBroke();
    outcome.summary = framework->LastSummary();
    outcome.filesWritten.Add(framework->FilesWritten());
    outcome.shape = framework->ResultColumns();
    outcome.resultsLost = framework->ResultsLost();
  }
  if (!outcome.ran) console << caseLine << " failed\n";
  console << std::flush;
  return outcome;
}

namespace {

// A one-number section such as ITER for each case: the case's value where
// the study varies it, the model's elsewhere; 0 where neither is a number.
class CaseSection {
 public:
  CaseSection(const StudyPlan& studyPlan, const std::string& modelText, const std::string& keyword)
      : plan(studyPlan),
        column(std::find(plan.parameters.begin(), plan.parameters.end(), keyword) -
               plan.parameters.begin()) {
    ReadSectionNumber(modelText, keyword, modelValue);
  }
  double Value(std::size_t index) const {
    double value = modelValue;
    if (column < plan.parameters.size() && !ParseDouble(plan.cases[index][column], value)) {
      value = 0.0;
    }
    return std::isfinite(value) ? std::max(0.0, std::trunc(value)) : 0.0;
  }

 private:
  const StudyPlan& plan;
  std::size_t column;
  double modelValue = 0.0;
};

// Every case replays the whole history, one step a row, with its own ITER and
// SUBDIV, and writes its model copy, time series and states: the study's work
// and files, summed over the cases to run, are held to the limits of a batch.
// Inputs that cannot be read here cost nothing; each case then says why it fails.
bool StudySizeFits(const StudySettings& settings, const StudyPlan& plan,
                   const std::string& modelText, int begin, int end, std::string& error,
                   std::string& warning) {
  Matrix history;
  std::string unread;
  ComponentManager components;
  if (!ReadExternalForceHistory(settings.historyFile, history, unread) ||
      !components.ReadModelFile(settings.modelFile)) {
    return true;
  }
  const int rows = history.num_rows();
  const int axles = static_cast<int>(components.Wheels().size());
  const std::size_t stateColumns = 1 + 2 * components.Dofs().size() + components.Outdisps().size();
  const CaseSection iterations(plan, modelText, "ITER");
  const CaseSection subdivisions(plan, modelText, "SUBDIV");
  RunSize total;
  for (int i = begin; i < end; ++i) {
    const auto index = static_cast<std::size_t>(i);
    const RunSize one = VehicleRunSize(
        rows, static_cast<int>(std::min(iterations.Value(index), 1e9)),
        static_cast<int>(std::min(subdivisions.Value(index), 1e9)), axles, settings.recordEvery);
    total.work += one.work;
    total.outputBytes +=
        one.outputBytes + static_cast<double>(modelText.size()) +
        (settings.writeStates ? StatesOutputBytes(rows, stateColumns, settings.recordEvery) : 0.0);
  }
  return CheckRunSize(total, error, warning);
}

// The study file, the model text and the range of cases to run; false, with
// the reason, when any of them cannot be had or the cases would cost more than
// a run may.
bool ReadStudy(const StudySettings& settings, StudyPlan& plan, std::string& modelText, int& begin,
               int& end, std::string& error, std::string& warning) {
  if (!ReadStudyPlan(settings.studyFile, plan, error) ||
      !ReadModelText(settings.modelFile, modelText, error) ||
      !CheckParameters(plan, modelText, error) ||
      !SetsInRange(settings.cases, static_cast<int>(plan.cases.size()), "cases", begin, end,
                   error)) {
    return false;
  }
  if (StudySizeFits(settings, plan, modelText, begin, end, error, warning)) return true;
  error = "Study cases in " + QuotedExcerpt(settings.studyFile) + ": " + error;
  return false;
}

// The columns of the cases' files: the model's, whose cases change numbers
// only, and the summary's parameters.
ColumnShape StudyColumnShape(const std::string& modelFile, const StudyPlan& plan) {
  ColumnShape shape;
  ComponentManager components;
  if (components.ReadModelFile(modelFile)) shape = ResultColumnShape(components);
  shape.studyParameters = plan.parameters;
  return shape;
}

// Whether some case of the range runs on a real line: its model text, with
// the case's values, has an optional section off its neutral value; and
// whether some case has the wheel slide protection on. A case whose sections
// cannot be read says so when it runs.
LineColumns CaseLineColumns(const StudyPlan& plan, const std::string& modelText, int begin,
                            int end) {
  LineColumns columns;
  for (int i = begin; i < end; ++i) {
    std::string text = modelText;
    std::string error;
    std::vector<std::string> active;
    if (ApplyStudyCase(plan, static_cast<std::size_t>(i), text, error) &&
        ActiveOptionalSections(text, active, error)) {
      columns.realLine = columns.realLine || !active.empty();
      columns.slideProtection =
          columns.slideProtection || std::find(active.begin(), active.end(), "WSP") != active.end();
    }
  }
  return columns;
}

}  // namespace

// The cases of the range run side by side when jobs allow, each with a vehicle
// system of its own; each one's console text and warnings are held until every
// case before it is finished, then go out whole with its summary row, exactly
// as when the cases run one after another.
int RunStudy(const StudySettings& settings, WrittenFiles& written, ColumnShape& shape) {
  std::cout << "Reading study cases... ";
  StudyPlan plan;
  std::string modelText;
  std::string error;
  int begin = 0;
  int end = 0;
  std::string warning;
  const bool ready = ReadStudy(settings, plan, modelText, begin, end, error, warning);
  PrintResult(std::cout, ready);
  if (!warning.empty()) std::cerr << "Warning - " << warning << ".\n";
  if (!ready) {
    std::cout << "Reason: " << error << "\n";
    return 1;
  }
  LostResults lostResults;
  const std::string summaryFile = settings.resultsFolder + "/study_summary.csv";
  const LineColumns lineColumns = CaseLineColumns(plan, modelText, begin, end);
  StudySummaryFile summaries(summaryFile, plan, lineColumns, lostResults);
  shape = StudyColumnShape(settings.modelFile, plan);
  shape.adhesionUsed = lineColumns.realLine;
  shape.slideProtection = lineColumns.slideProtection;
  bool allRan = true;
  const int count = end - begin;
  const bool buffered = settings.jobs > 1 && count > 1;
  struct CaseText {
    std::ostringstream console;
    std::ostringstream warnings;
  };
  std::vector<CaseText> texts(buffered ? count : 0);
  std::vector<StudyCaseOutcome> outcomes(static_cast<std::size_t>(count));
  const auto run = [&](int j) {
    std::ostream& console = buffered ? texts[j].console : std::cout;
    std::ostream& warnings = buffered ? texts[j].warnings : std::cerr;
    outcomes[j] = RunStudyCase(settings, plan, modelText, static_cast<std::size_t>(begin + j),
                               console, warnings, !buffered);
  };
  const auto finish = [&](int j) {
    if (buffered) {
      std::cout << texts[j].console.str() << std::flush;
      std::cerr << texts[j].warnings.str();
      texts[j] = CaseText();
    }
    const StudyCaseOutcome& outcome = outcomes[j];
    written.Add(outcome.filesWritten, outcome.shape);
    if (outcome.ran) summaries.Add(static_cast<std::size_t>(begin + j), outcome.summary);
    allRan = allRan && outcome.ran && !outcome.resultsLost;
    outcomes[j] = StudyCaseOutcome();
  };
  RunOrderedJobs(count, settings.jobs, run, finish);
  if (summaries.Close()) written.Add(summaryFile, FileKind::StudySummary);
  return allRan && !lostResults.Any() ? 0 : 1;
}
