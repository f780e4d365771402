#include "results/StateRecorder.h"

std::vector<std::string> StateRecorder::ColumnNames(const StateLayout& layout) {
  std::vector<std::string> names = {"time"};
  for (const std::string& name : layout.freedomNames) names.push_back(name);
  for (const std::string& name : layout.freedomNames) names.push_back(name + "_velo");
  for (const std::string& name : layout.deflectionNames) names.push_back(name);
  return names;
}

std::vector<std::string> StateRecorder::ColumnUnits(const StateLayout& layout) {
  const std::size_t freedoms = layout.freedomNames.size();
  const auto rotates = [&](std::size_t i) {
    return i < layout.freedomRotates.size() && layout.freedomRotates[i];
  };
  std::vector<std::string> units = {"s"};
  for (std::size_t i = 0; i < freedoms; ++i) units.push_back(rotates(i) ? "rad" : "m");
  for (std::size_t i = 0; i < freedoms; ++i) units.push_back(rotates(i) ? "rad/s" : "m/s");
  units.insert(units.end(), layout.deflectionNames.size(), "m");
  return units;
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
  return writer.OpenHdf5(file, "states", ColumnNames(layout), ColumnUnits(layout));
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
