#include "results/StateRecorder.h"

ColumnShape StatesShape(const StateLayout& layout) {
  ColumnShape shape;
  for (std::size_t j = 0; j < layout.freedomNames.size(); ++j) {
    const bool angular = j < layout.freedomAngular.size() && layout.freedomAngular[j];
    shape.freedoms.push_back({layout.freedomNames[j], angular});
  }
  shape.deflections = layout.deflectionNames;
  return shape;
}

std::vector<std::string> StateRecorder::ColumnNames(const StateLayout& layout) {
  return ::ColumnNames(FileColumns(FileKind::States, StatesShape(layout)));
}

bool StateRecorder::Open(const std::string& fileName, const StateLayout& stateLayout,
                         bool flushEveryRow) {
  layout = stateLayout;
  deflections.assign(layout.deflectionNames.size(), 0.0);
  return writer.OpenCsv(fileName, ColumnNames(layout), flushEveryRow);
}

bool StateRecorder::OpenHdf5(Hdf5File& file, const StateLayout& stateLayout) {
  layout = stateLayout;
  deflections.assign(layout.deflectionNames.size(), 0.0);
  return writer.OpenHdf5(file, "states", FileColumns(FileKind::States, StatesShape(layout)));
}

void StateRecorder::Record(double time, const std::vector<double>& linearState) {
  if (!writer.IsOpen()) return;
  const std::size_t freedoms = layout.freedomNames.size();
  const auto value = [&](std::size_t i) { return i < linearState.size() ? linearState[i] : 0.0; };
  writer.Add(time);
  for (std::size_t i = 0; i < freedoms; ++i) writer.Add(value(freedoms + i));
  for (std::size_t i = 0; i < freedoms; ++i) writer.Add(value(i));
  for (double& deflection : deflections) deflection = 0.0;
  for (const StateLayout::Term& term : layout.deflectionTerms) {
    if (term.deflection < deflections.size()) {
      deflections[term.deflection] += term.coefficient * value(freedoms + term.freedom);
    }
  }
  for (double deflection : deflections) writer.Add(deflection);
  writer.EndRow();
}

std::string StatesFileName(const std::string& seriesFile) {
  const std::string extension = ".csv";
  const bool hasExtension =
      seriesFile.size() >= extension.size() &&
      seriesFile.compare(seriesFile.size() - extension.size(), extension.size(), extension) == 0;
  const std::string base =
      hasExtension ? seriesFile.substr(0, seriesFile.size() - extension.size()) : seriesFile;
  return base + "_states.csv";
}
