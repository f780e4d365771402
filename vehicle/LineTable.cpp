#include "vehicle/LineTable.h"

#include <algorithm>
#include <cmath>

#include "model/TextPrepass.h"
#include "vehicle/OptionalSections.h"

bool LineTable::Read(std::istream& in, const std::string& keyword, double neutralValue,
                     ValueCheck check, std::ostream& log) {
  Clear(neutralValue);
  double count = 0.0;
  std::string word;
  if (!ReadNumberWord(in, count, word) || count < 0.0 || count != std::floor(count) ||
      count > static_cast<double>(kMostRows)) {
    log << "\nError - " << keyword << ": the row count " << QuotedExcerpt(word)
        << " must be a whole number from 0 to " << kMostRows << ".\n";
    return false;
  }
  std::vector<std::string> row;
  for (std::size_t r = 1; r <= static_cast<std::size_t>(count); ++r) {
    ReadRowWords(in, row);
    double position = 0.0;
    double value = 0.0;
    if (row.size() != 2 || !IsNumberWord(row[0], position) || !IsNumberWord(row[1], value)) {
      log << "\nError - " << keyword << ": row " << r << " of " << count
          << " must be one line of two numbers, position and value"
          << (row.empty() ? " (the text ends before it)" : ", not '" + Excerpt(row[0]) + " ...'")
          << ".\n";
      return false;
    }
    if (!positions.empty() && !(position > positions.back())) {
      log << "\nError - " << keyword << ": row " << r << " stands at " << position
          << " m, not beyond the row before at " << positions.back()
          << " m; the positions must ascend.\n";
      return false;
    }
    const std::string problem = check(value);
    if (!problem.empty()) {
      log << "\nError - " << keyword << ": row " << r << " has the value " << value << ", which "
          << problem << ".\n";
      return false;
    }
    positions.push_back(position);
    values.push_back(value);
  }
  return NothingMoreRead(in, keyword, log);
}

void LineTable::Clear(double neutralValue) {
  positions.clear();
  values.clear();
  neutral = neutralValue;
}

double LineTable::At(double position, std::size_t& cursor) const {
  const std::size_t rows = positions.size();
  if (cursor > rows) cursor = rows;
  while (cursor < rows && position >= positions[cursor]) ++cursor;
  while (cursor > 0 && position < positions[cursor - 1]) --cursor;
  return cursor == 0 ? neutral : values[cursor - 1];
}

bool LineTable::OffNeutral() const {
  return std::any_of(values.begin(), values.end(), [&](double v) { return v != neutral; });
}

double LineTable::Largest() const {
  return values.empty() ? neutral
                        : std::max(neutral, *std::max_element(values.begin(), values.end()));
}

double LineTable::Smallest() const {
  return values.empty() ? neutral
                        : std::min(neutral, *std::min_element(values.begin(), values.end()));
}
