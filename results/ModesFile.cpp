#include "results/ModesFile.h"

#include <cmath>

#include "results/ColumnCatalogue.h"
#include "results/CsvWriter.h"

namespace {

std::string Number(double value) {
  if (std::isnan(value)) return "";
  char text[kMaxNumberChars];
  return std::string(text, FormatNumber(text, value));
}

std::string ShapeText(const Mode& mode, const std::vector<std::string>& freedomNames) {
  std::string text = mode.rigidBody ? "rigid body: " : "";
  for (std::size_t k = 0; k < mode.shape.size(); ++k) {
    const ModeFreedom& part = mode.shape[k];
    if (k > 0) text += "; ";
    text += part.opposite ? '-' : '+';
    text += part.freedom < freedomNames.size() ? freedomNames[part.freedom]
                                               : std::to_string(part.freedom);
    text += ' ' + std::to_string(std::lround(100.0 * part.share)) + '%';
  }
  return text;
}

// A body's name may hold a comma or a quote: such a cell is quoted.
std::string Cell(const std::string& text) {
  if (text.find_first_of(",\"") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + '"';
}

}  // namespace

std::string ModesHeader() {
  std::string header;
  for (const std::string& name : ColumnNames(FileColumns(FileKind::Modes, {}))) {
    header += (header.empty() ? "" : ",") + name;
  }
  return header + "\n";
}

std::string ModesRows(const std::string& set, const std::vector<Mode>& modes,
                      const std::vector<std::string>& freedomNames) {
  std::string rows;
  for (std::size_t i = 0; i < modes.size(); ++i) {
    const Mode& mode = modes[i];
    rows += set + ',' + std::to_string(i + 1) + ',' + Number(mode.dampedFrequency) + ',' +
            Number(mode.naturalFrequency) + ',' + Number(mode.dampingRatio) + ',' +
            Cell(ShapeText(mode, freedomNames)) + '\n';
  }
  return rows;
}

std::string ModesFileName(const std::string& base) {
  return base + "_modes.csv";
}
