#include "setup/InputReaders.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "model/TextInput.h"
#include "model/TextPrepass.h"
#include "vehicle/AxleIntegrator.h"

namespace {

// Counts above this are refused before anything is allocated for them.
constexpr long long kMaxCount = 10000000;

enum class NumberRead { Ok, End, NotANumber, NotFinite };

// One whitespace-separated word taken whole as a number in stream syntax.
// Stream extraction refuses "inf", "nan" and overflow; strtod tells those
// apart from words that are no number at all.
NumberRead ReadNumber(std::istream& in, double& value, std::string& word) {
  if (!(in >> word)) return NumberRead::End;
  std::istringstream stream(word);
  if (stream >> value && stream.peek() == std::char_traits<char>::eof()) return NumberRead::Ok;
  // strtod gives infinity on overflow as well.
  char* end = nullptr;
  const double parsed = std::strtod(word.c_str(), &end);
  const bool whole = end != word.c_str() && *end == '\0';
  return whole && !std::isfinite(parsed) ? NumberRead::NotFinite : NumberRead::NotANumber;
}

// A whole non-negative count no larger than kMaxCount.
bool ReadCount(std::istream& in, const std::string& what, int& count, std::string& error) {
  std::string word;
  if (!(in >> word)) {
    error = "the " + what + " is missing";
    return false;
  }
  const char* begin = word.c_str();
  const char* end = begin + word.size();
  if (begin != end && *begin == '+') ++begin;
  long long value = 0;
  const auto [stop, status] = std::from_chars(begin, end, value);
  if (status == std::errc::result_out_of_range && stop == end) {
    error = "the " + what + " " + Excerpt(word) + " is too large";
    return false;
  }
  if (status != std::errc() || stop != end) {
    error = "the " + what + " " + QuotedExcerpt(word) + " is not a whole number";
    return false;
  }
  if (value < 0) {
    error = "the " + what + " " + Excerpt(word) + " is negative";
    return false;
  }
  if (value > kMaxCount) {
    error =
        "the " + what + " " + Excerpt(word) + " exceeds the limit of " + std::to_string(kMaxCount);
    return false;
  }
  count = static_cast<int>(value);
  return true;
}

// Reads `total` numbers. `Where` names entry i for the messages.
template <typename Where>
bool ReadNumbers(std::istream& in, long long total, std::vector<double>& numbers,
                 std::string& error, Where where) {
  numbers.clear();
  double value = 0.0;
  std::string word;
  for (long long i = 0; i < total; ++i) {
    const NumberRead read = ReadNumber(in, value, word);
    if (read == NumberRead::Ok) {
      numbers.push_back(value);
      continue;
    }
    const std::string counts = std::to_string(total) +
                               (total == 1 ? " number was" : " numbers were") +
                               " announced but only " + std::to_string(i) + " could be read";
    if (read == NumberRead::End) {
      error = counts + " (the text ends there)";
    } else if (read == NumberRead::NotANumber) {
      error = counts + " (" + QuotedExcerpt(word) + " is not a number)";
    } else {
      error = where(i) + " is not a finite number: " + QuotedExcerpt(word);
    }
    return false;
  }
  return true;
}

// The file's whole text with comments removed, or false when it is refused.
bool LoadCleanText(const std::string& fileName, std::uintmax_t maxBytes, std::stringstream& text,
                   std::string& error) {
  std::ifstream file;
  const TextInputState state = OpenTextInput(fileName, maxBytes, file);
  if (state != TextInputState::Opened) {
    error = TextInputProblem(state, fileName, maxBytes);
    return false;
  }
  StripCommentsKeepBlank(file, text);
  return true;
}

// Opens the file and positions `text` after `keyword`.
bool FindSection(const std::string& fileName, std::uintmax_t maxBytes, const std::string& keyword,
                 std::stringstream& text, std::string& error) {
  if (!LoadCleanText(fileName, maxBytes, text, error)) return false;
  if (!FindKeyword(text, keyword)) {
    error = "Keyword " + keyword + " not found in '" + fileName + "'";
    return false;
  }
  return true;
}

// What stands after the last announced row is not read; say so, as the rows
// were probably meant to be part of the table.
void WarnAboutTrailingWords(std::istream& text, const std::string& where, int rows,
                            std::string* warning) {
  long long count = 0;
  std::string word;
  while (text >> word) ++count;
  if (count == 0 || warning == nullptr) return;
  *warning = where + std::to_string(count) + (count == 1 ? " word follows" : " words follow") +
             " the " + std::to_string(rows) + " announced rows and " + (count == 1 ? "is" : "are") +
             " not read";
}

std::string InFile(const std::string& keyword, const std::string& fileName) {
  return keyword + " in '" + fileName + "': ";
}

std::string Number(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

// Each set drives one run: the time step divides the history's duration, the
// axle integrator needs ITER >= 0 and SUBD >= 1 (both truncated toward zero)
// and a slip band SGNT that is wider than nothing.
bool CheckBatchSets(const Matrix& sets, std::string& error) {
  if (sets.num_cols() < 4) {
    error = "the parameter sets need at least 4 columns (DT ITER SUBD SGNT), found " +
            std::to_string(sets.num_cols());
    return false;
  }
  for (int i = 0; i < sets.num_rows(); ++i) {
    const std::string set = "set " + std::to_string(i + 1) + " has ";
    if (!(sets[i][0] > 0.0)) {
      error = set + "DT " + Number(sets[i][0]) + ", the time step must be positive";
      return false;
    }
    if (std::trunc(sets[i][1]) < 0.0 || sets[i][1] > kMaxCount) {
      error = set + "ITER " + Number(sets[i][1]) + ", it must lie between 0 and " +
              std::to_string(kMaxCount);
      return false;
    }
    if (std::trunc(sets[i][2]) < 1.0 || sets[i][2] > kMaxCount) {
      error = set + "SUBD " + Number(sets[i][2]) + ", it must lie between 1 and " +
              std::to_string(kMaxCount);
      return false;
    }
    if (!(sets[i][3] >= kSmallestSlipBand)) {
      error = set + "SGNT " + Number(sets[i][3]) +
              ", the slip band's half-width must be at least " + Number(kSmallestSlipBand) + " m/s";
      return false;
    }
  }
  return true;
}

}  // namespace

bool ReadVector(std::istream& in, Vector& vector, std::string& error) {
  int count = 0;
  if (!ReadCount(in, "element count", count, error)) return false;
  std::vector<double> numbers;
  const auto where = [](long long i) { return "number " + std::to_string(i + 1); };
  if (!ReadNumbers(in, count, numbers, error, where)) return false;
  if (vector.dim() != count) vector = Vector(count, 0.0);
  for (int i = 0; i < count; ++i) vector[i] = numbers[i];
  return true;
}

bool ReadMatrix(std::istream& in, Matrix& matrix, std::string& error) {
  int rows = 0;
  int columns = 0;
  if (!ReadCount(in, "row count", rows, error)) return false;
  if (!ReadCount(in, "column count", columns, error)) return false;
  // Refused before the rows are allocated: without columns they hold nothing.
  if (rows > 0 && columns == 0) {
    error = "the " + std::to_string(rows) + " rows have 0 columns";
    return false;
  }
  std::vector<double> numbers;
  const auto where = [columns](long long i) {
    return "the number in row " + std::to_string(i / columns + 1) + ", column " +
           std::to_string(i % columns + 1);
  };
  if (!ReadNumbers(in, static_cast<long long>(rows) * columns, numbers, error, where)) return false;
  if (matrix.num_rows() != rows || matrix.num_cols() != columns)
    matrix = Matrix(rows, columns, 0.0);
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < columns; ++j) matrix[i][j] = numbers[static_cast<size_t>(i) * columns + j];
  }
  return true;
}

bool ReadModelFileItems(const std::string& fileName, double& timeStep, Vector& initialState,
                        std::string& error) {
  std::stringstream text;
  if (!FindSection(fileName, kModelFileLimit, "DT", text, error)) return false;
  double step = 0.0;
  std::string word;
  switch (ReadNumber(text, step, word)) {
    case NumberRead::Ok:
      break;
    case NumberRead::End:
      error = InFile("DT", fileName) + "the time step is missing";
      return false;
    case NumberRead::NotANumber:
      error = InFile("DT", fileName) + QuotedExcerpt(word) + " is not a number";
      return false;
    case NumberRead::NotFinite:
      error =
          InFile("DT", fileName) + "the time step is not a finite number: " + QuotedExcerpt(word);
      return false;
  }
  if (!(step > 0.0)) {
    error = InFile("DT", fileName) + "the time step must be positive, not " + Excerpt(word);
    return false;
  }
  if (!FindKeyword(text, "Y0")) {
    error = "Keyword Y0 not found after DT in '" + fileName + "'";
    return false;
  }
  if (!ReadVector(text, initialState, error)) {
    error = InFile("Y0", fileName) + error;
    return false;
  }
  timeStep = step;
  return true;
}

bool ReadExternalForceHistory(const std::string& fileName, Matrix& history, std::string& error,
                              std::string* warning) {
  std::stringstream text;
  if (!FindSection(fileName, kHistoryFileLimit, "EFD", text, error)) return false;
  if (!ReadMatrix(text, history, error)) {
    error = InFile("EFD", fileName) + error;
    return false;
  }
  WarnAboutTrailingWords(text, InFile("EFD", fileName), history.num_rows(), warning);
  return true;
}

bool ReadBatchParameterSets(const std::string& fileName, Matrix& sets, std::string& error,
                            std::string* warning) {
  std::stringstream text;
  if (!FindSection(fileName, kBatchFileLimit, "BATCH", text, error)) return false;
  Matrix read;
  if (!ReadMatrix(text, read, error) || !CheckBatchSets(read, error)) {
    error = InFile("BATCH", fileName) + error;
    return false;
  }
  WarnAboutTrailingWords(text, InFile("BATCH", fileName), read.num_rows(), warning);
  sets = read;
  return true;
}
