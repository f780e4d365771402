#include "model/ModelParameters.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "model/TextPrepass.h"

namespace {

// A word of the text: where it starts and how long it is.
struct Word {
  std::size_t at;
  std::size_t length;
};
using Line = std::vector<Word>;

// The words of every line, '|' comments left out; a line without words stays empty.
std::vector<Line> SplitWords(const std::string& text) {
  std::vector<Line> lines(1);
  bool comment = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') {
      lines.emplace_back();
      comment = false;
    } else if (c == '|') {
      comment = true;
    } else if (!comment && c != ' ' && c != '\t' && c != '\r') {
      const bool extends = i > 0 && !lines.back().empty() &&
                           lines.back().back().at + lines.back().back().length == i;
      if (extends) {
        ++lines.back().back().length;
      } else {
        lines.back().push_back({i, 1});
      }
    }
  }
  return lines;
}

std::string WordText(const std::string& text, const Word& word) {
  return text.substr(word.at, word.length);
}

// Fields of a component keyword: their names and word positions on the record's
// line (the keyword is word 0, the name word 1).
struct Field {
  const char* name;
  std::size_t position;
};
struct RecordKind {
  const char* keyword;
  std::vector<Field> fields;
};

const std::vector<RecordKind>& ComponentKinds() {
  static const std::vector<RecordKind> kinds = {
      {"BODY", {{"mass", 2}, {"inertia", 3}, {"center_x", 4}, {"center_y", 5}}},
      {"NODE", {{"rel_x", 3}, {"rel_y", 4}}},
      {"FORCE", {{"stiffness", 4}, {"damping", 5}}},
      {"WHEEL", {{"reduced_mass", 7}, {"static_load", 8}, {"radius", 9}}},
  };
  return kinds;
}

// Sections read as a stream of words after their keyword: the position of each
// field among the words that follow it.
const std::vector<RecordKind>& SectionKinds() {
  static const std::vector<RecordKind> kinds = {
      {"DT", {{"", 0}}},
      {"ITER", {{"", 0}}},
      {"LIM", {{"", 0}}},
      {"SUBDIV", {{"", 0}}},
      {"BRKSYS", {{"gain", 0}, {"threshold", 1}}},
      {"RESIST", {{"c1", 0}, {"c2", 1}, {"c3", 2}, {"c4", 3}, {"c5", 4}, {"c6", 5}, {"c7", 6}}},
      {"BRKCYL", {{"fill", 0}, {"release", 1}}},
      {"BRKHOLD", {{"", 0}}},
      {"WSP", {{"enabled", 0}}},
      {"V0", {{"", 0}}},
  };
  return kinds;
}

// Sections of a count followed by that many records of the same numbers:
// the fields of one record.
const std::vector<RecordKind>& TableKinds() {
  static const std::vector<RecordKind> kinds = {
      {"ADHSET",
       {{"mu_max", 0},
        {"limit_ratio", 1},
        {"decay_velocity", 2},
        {"shape_scale", 3},
        {"shape_exponent", 4}}},
      {"GRADIENT", {{"position", 0}, {"gradient", 1}}},
      {"ADHLEVEL", {{"position", 0}, {"factor", 1}}},
  };
  return kinds;
}

const RecordKind* FindKind(const std::vector<RecordKind>& kinds, const std::string& keyword) {
  for (const RecordKind& kind : kinds) {
    if (keyword == kind.keyword) return &kind;
  }
  return nullptr;
}

const Field* FindField(const std::vector<Field>& fields, const std::string& name) {
  for (const Field& field : fields) {
    if (name == field.name) return &field;
  }
  return nullptr;
}

bool IsFiniteNumber(const std::string& value) {
  if (value.empty() || value.find_first_not_of("0123456789+-.eE") != std::string::npos) {
    return false;
  }
  char* end = nullptr;
  const double number = std::strtod(value.c_str(), &end);
  return *end == '\0' && std::isfinite(number);
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts(1);
  for (char c : path) {
    if (c == '.') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

// Replaces the words from the last one backwards, so that earlier positions hold.
void ReplaceWords(std::string& text, const std::vector<Word>& words, const std::string& value) {
  for (auto word = words.rbegin(); word != words.rend(); ++word) {
    text.replace(word->at, word->length, value);
  }
}

// The component lines: from the line after the first word BEGIN up to the
// line whose first word is END.
bool SetComponentField(std::string& text, const RecordKind& kind,
                       const std::vector<std::string>& parts, const std::string& value,
                       std::string& error) {
  const Field* field = parts.size() == 3 ? FindField(kind.fields, parts[2]) : nullptr;
  if (field == nullptr) {
    error =
        "names no field of " + std::string(kind.keyword) + " (" + kind.keyword + ".<name>.<field>)";
    return false;
  }
  const std::vector<Line> lines = SplitWords(text);
  std::vector<Word> targets;
  bool inside = false;
  for (const Line& line : lines) {
    if (line.empty()) continue;
    const std::string first = WordText(text, line[0]);
    if (!inside) {
      for (const Word& word : line) inside = inside || WordText(text, word) == "BEGIN";
      continue;
    }
    if (first == "END") break;
    if (first != kind.keyword || line.size() < 2) continue;
    if (parts[1] != "*" && WordText(text, line[1]) != parts[1]) continue;
    if (line.size() <= field->position) {
      error = "the line of " + first + " " + WordText(text, line[1]) + " has no " + parts[2];
      return false;
    }
    targets.push_back(line[field->position]);
  }
  if (targets.empty()) {
    error = parts[1] == "*" ? "the model has no " + parts[0]
                            : "the model has no " + parts[0] + " named " + QuotedExcerpt(parts[1]);
    return false;
  }
  ReplaceWords(text, targets, value);
  return true;
}

// The words of the whole text in order, for the sections found by searching it.
std::vector<Word> AllWords(const std::string& text) {
  std::vector<Word> words;
  for (const Line& line : SplitWords(text)) words.insert(words.end(), line.begin(), line.end());
  return words;
}

// The position of word `offset` after the first word `keyword`, or the word
// count when there is none.
std::size_t WordAfterKeyword(const std::string& text, const std::vector<Word>& words,
                             const std::string& keyword, std::size_t offset) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (WordText(text, words[i]) == keyword) {
      return i + 1 + offset < words.size() ? i + 1 + offset : words.size();
    }
  }
  return words.size();
}

bool SetSectionWord(std::string& text, const std::string& keyword, std::size_t offset,
                    const std::string& value, std::string& error) {
  const std::vector<Word> words = AllWords(text);
  const std::size_t at = WordAfterKeyword(text, words, keyword, offset);
  if (at >= words.size()) {
    error = "the model has no " + keyword + " section with that value";
    return false;
  }
  ReplaceWords(text, {words[at]}, value);
  return true;
}

// A table section: the count, then the records of its fields, record
// `parts[1]` (from 1) changed. ADHSET's records are its characteristics,
// GRADIENT's and ADHLEVEL's their rows.
bool SetTableField(std::string& text, const RecordKind& kind, const std::vector<std::string>& parts,
                   const std::string& value, std::string& error) {
  const std::string keyword = kind.keyword;
  const bool characteristics = keyword == "ADHSET";
  const Field* field = parts.size() == 3 ? FindField(kind.fields, parts[2]) : nullptr;
  char* end = nullptr;
  const long index = parts.size() == 3 ? std::strtol(parts[1].c_str(), &end, 10) : 0;
  if (field == nullptr || end == nullptr || *end != '\0' || parts[1].empty() || index < 1 ||
      index > 1000000) {
    error = "names no field of " + keyword + " (" + keyword +
            (characteristics ? ".<characteristic from 1>.<field>)" : ".<row from 1>.<field>)");
    return false;
  }
  const std::string missing = characteristics ? "the model has no adhesion characteristic "
                                              : "the model has no " + keyword + " row ";
  const std::vector<Word> words = AllWords(text);
  const std::size_t countAt = WordAfterKeyword(text, words, keyword, 0);
  double count = 0.0;
  if (countAt >= words.size() || !ParseDouble(WordText(text, words[countAt]), count) ||
      static_cast<double>(index) > count) {
    error = missing + parts[1];
    return false;
  }
  const std::size_t at =
      countAt + 1 + static_cast<std::size_t>(index - 1) * kind.fields.size() + field->position;
  if (at >= words.size()) {
    error = missing + parts[1];
    return false;
  }
  ReplaceWords(text, {words[at]}, value);
  return true;
}

}  // namespace

bool SetModelParameter(std::string& modelText, const std::string& path, const std::string& value,
                       std::string& error) {
  const std::vector<std::string> parts = SplitPath(path);
  std::string problem;
  bool ok = false;
  if (!IsFiniteNumber(value)) {
    problem = "value " + QuotedExcerpt(value) + " is no finite number";
  } else if (const RecordKind* component = FindKind(ComponentKinds(), parts[0])) {
    ok = SetComponentField(modelText, *component, parts, value, problem);
  } else if (const RecordKind* table = FindKind(TableKinds(), parts[0])) {
    ok = SetTableField(modelText, *table, parts, value, problem);
  } else if (const RecordKind* section = FindKind(SectionKinds(), parts[0])) {
    const std::string name = parts.size() == 2 ? parts[1] : "";
    const Field* field = parts.size() <= 2 ? FindField(section->fields, name) : nullptr;
    if (field == nullptr) {
      problem = "names no field of " + parts[0];
    } else {
      ok = SetSectionWord(modelText, parts[0], field->position, value, problem);
    }
  } else {
    problem = "names no section that can be changed";
  }
  if (!ok) error = "Parameter " + QuotedExcerpt(path) + ": " + problem;
  return ok;
}

bool ReadSectionNumber(const std::string& modelText, const std::string& keyword, double& value) {
  const std::vector<Word> words = AllWords(modelText);
  const std::size_t at = WordAfterKeyword(modelText, words, keyword, 0);
  return at < words.size() && ParseDouble(WordText(modelText, words[at]), value);
}
