#include "vehicle/OptionalSections.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "model/TextPrepass.h"

namespace {

bool IsBlank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Calls `visit(word, end)` for every blank-separated word of `text`, `end`
// being the position just after it.
template <typename Visit>
void ForEachWord(const std::string& text, Visit visit) {
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    const std::size_t begin = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    if (i > begin) visit(text.substr(begin, i - begin), i);
  }
}

}  // namespace

bool OptionalSections::Locate(const std::string& before, const std::string& after,
                              std::ostream& log) {
  text = after;
  starts.assign(kOptionalSections.size(), 0);
  present.assign(kOptionalSections.size(), false);
  bool ok = true;
  std::vector<bool> misplaced(kOptionalSections.size(), false);
  ForEachWord(before, [&](const std::string& word, std::size_t) {
    for (std::size_t k = 0; k < kOptionalSections.size(); ++k) {
      if (word == kOptionalSections[k]) misplaced[k] = true;
    }
  });
  for (std::size_t k = 0; k < kOptionalSections.size(); ++k) {
    if (!misplaced[k]) continue;
    log << "\nError - " << kOptionalSections[k]
        << " stands before WHLTMP: the optional sections follow the sections ITER to WHLTMP.\n";
    ok = false;
  }
  std::vector<int> seen(kOptionalSections.size(), 0);
  ForEachWord(text, [&](const std::string& word, std::size_t end) {
    for (std::size_t k = 0; k < kOptionalSections.size(); ++k) {
      if (word != kOptionalSections[k]) continue;
      if (++seen[k] == 1) starts[k] = end;
      present[k] = true;
    }
  });
  for (std::size_t k = 0; k < kOptionalSections.size(); ++k) {
    if (seen[k] <= 1) continue;
    log << "\nError - " << kOptionalSections[k] << " is given " << seen[k]
        << " times: each optional section may stand once.\n";
    ok = false;
  }
  return ok;
}

bool OptionalSections::Open(const std::string& keyword, std::istringstream& section) const {
  for (std::size_t k = 0; k < kOptionalSections.size() && k < present.size(); ++k) {
    if (keyword != kOptionalSections[k] || !present[k]) continue;
    section.clear();
    section.str(text.substr(starts[k]));
    return true;
  }
  return false;
}

bool IsNumberWord(const std::string& word, double& value) {
  if (word.empty() || word.find_first_not_of("0123456789+-.eE") != std::string::npos) return false;
  char* end = nullptr;
  const double parsed = std::strtod(word.c_str(), &end);
  if (end != word.c_str() + word.size() || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

bool ReadNumberWord(std::istream& in, double& value, std::string& word) {
  word.clear();
  if (!(in >> word)) return false;
  return IsNumberWord(word, value);
}

void ReadRowWords(std::istream& in, std::vector<std::string>& words) {
  words.clear();
  in >> std::ws;
  std::string line;
  std::getline(in, line);
  ForEachWord(line, [&](const std::string& word, std::size_t) { words.push_back(word); });
}

bool NothingMoreRead(std::istream& section, const std::string& keyword, std::ostream& log) {
  std::string word;
  double value = 0.0;
  if (!(section >> word) || !IsNumberWord(word, value)) return true;
  log << "\nError - " << keyword << ": the number " << QuotedExcerpt(word)
      << " follows its values; it reads no more numbers than it expects.\n";
  return false;
}
