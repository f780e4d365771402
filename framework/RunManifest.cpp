#include "framework/RunManifest.h"

#include <unistd.h>

#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "framework/FileDigest.h"
#include "model/ModelParameters.h"
#include "model/TextInput.h"
#include "model/TextPrepass.h"
#include "vehicle/LineSections.h"
#include "vehicle/OptionalSections.h"

using nlohmann::ordered_json;

namespace {

InputFileRecord InputFile(const std::string& path) {
  InputFileRecord record{path, ""};
  if (!path.empty()) FileSha256(path, record.sha256);
  return record;
}

std::string HostName() {
  std::array<char, 256> name{};
  if (gethostname(name.data(), name.size() - 1) != 0) return "";
  return name.data();
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  std::array<char, 32> text{};
  std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text.data();
}

// The model file's text when it is a regular file within the model file's
// limit (the run itself refuses any other); empty otherwise.
std::string ReadModelText(const std::string& fileName) {
  std::error_code error;
  const auto size = std::filesystem::file_size(fileName, error);
  if (error || !std::filesystem::is_regular_file(fileName, error) || size > kModelFileLimit) {
    return "";
  }
  try {
    std::ifstream file(fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure&) {
    return "";
  }
}

ordered_json FileJson(const InputFileRecord& file) {
  ordered_json json = {{"path", file.path}};
  json["sha256"] = file.sha256.empty() ? ordered_json() : ordered_json(file.sha256);
  return json;
}

// A word as a number where it is one whole, else as it stands.
ordered_json WordJson(const std::string& word) {
  char* end = nullptr;
  const double value = std::strtod(word.c_str(), &end);
  if (!word.empty() && *end == '\0' && std::isfinite(value)) return value;
  return word;
}

// A section's words run to the next line that starts with a keyword (a letter).
ordered_json Sections(const std::string& modelText) {
  std::istringstream in(modelText);
  std::ostringstream stripped;
  StripComments(in, stripped);
  std::istringstream lines(stripped.str());
  ordered_json sections = ordered_json::object();
  std::string line;
  std::string open;  // the section whose words are being read
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string word;
    bool first = true;
    while (words >> word) {
      if (first && std::isalpha(static_cast<unsigned char>(word[0]))) {
        open.clear();
        for (const char* keyword : kOptionalSections) {
          if (word == keyword && !sections.contains(keyword)) open = keyword;
        }
        if (!open.empty()) sections[open] = ordered_json::array();
      } else if (!open.empty()) {
        sections[open].push_back(WordJson(word));
      }
      first = false;
    }
  }
  return sections;
}

// The optional sections off their neutral values, as the vehicle reads them;
// null when they cannot be read (the run then says why).
ordered_json InForce(const std::string& modelText) {
  std::vector<std::string> active;
  std::string error;
  if (!ActiveOptionalSections(modelText, active, error)) return nullptr;
  return active;
}

ordered_json Settings(const std::string& modelText) {
  ordered_json settings = ordered_json::object();
  for (const char* keyword : {"DT", "ITER", "LIM", "SUBDIV"}) {
    double value = 0.0;
    const bool whole = keyword[0] == 'I' || keyword[0] == 'S';  // ITER and SUBDIV count
    if (!ReadSectionNumber(modelText, keyword, value)) {
      settings[keyword] = nullptr;
    } else if (whole && std::fabs(value) < 1e15) {
      settings[keyword] = static_cast<long long>(value);
    } else {
      settings[keyword] = value;
    }
  }
  return settings;
}

ordered_json BatchSets(const std::vector<BatchSetRecord>& sets) {
  ordered_json json = ordered_json::array();
  for (const BatchSetRecord& set : sets) {
    json.push_back({{"set", set.index},
                    {"DT", set.timeStep},
                    {"ITER", set.iterations},
                    {"SUBDIV", set.subdivisions},
                    {"LIM", set.signLimit}});
  }
  return json;
}

ordered_json Files(const WrittenFiles& files, const ColumnShape& shape) {
  ordered_json json = ordered_json::array();
  for (std::size_t i = 0; i < files.Names().size(); ++i) {
    const FileKind kind = files.Kinds()[i];
    ordered_json columns = ordered_json::array();
    for (const Column& column : files.Columns(i, shape)) {
      columns.push_back({{"name", column.name}, {"unit", column.unit}});
    }
    json.push_back(
        {{"path", files.Names()[i]}, {"kind", FileKindName(kind)}, {"columns", columns}});
  }
  return json;
}

}  // namespace

RunRecord StartRunRecord(int argc, char** argv, const std::string& kind,
                         const std::string& modelFile, const std::string& historyFile,
                         const std::string& studyFile) {
  RunRecord record;
  record.kind = kind;
  record.commandLine.assign(argv, argv + argc);
  std::error_code error;
  record.workingFolder = std::filesystem::current_path(error).string();
  record.host = HostName();
  record.startTimeUtc = UtcNow();
  record.started = std::chrono::steady_clock::now();
  record.model = InputFile(modelFile);
  record.history = InputFile(historyFile);
  record.study = InputFile(studyFile);
  record.modelText = ReadModelText(modelFile);
  return record;
}

namespace {

// The record as its manifest holds it; `exitStatus` the process's, null
// without one.
ordered_json ManifestJson(const RunRecord& record, std::optional<int> exitStatus) {
  const std::chrono::duration<double> duration = std::chrono::steady_clock::now() - record.started;
  ordered_json json;
  json["program"] = "kelvra";
  json["version"] = KELVRA_VERSION;
  json["run"] = record.kind;
  json["command_line"] = record.commandLine;
  json["working_folder"] = record.workingFolder;
  json["start_time_utc"] = record.startTimeUtc;
  json["duration_s"] = duration.count();
  json["host"] = record.host;
  json["model"] = FileJson(record.model);
  json["history"] = FileJson(record.history);
  if (!record.study.path.empty()) json["study"] = FileJson(record.study);
  json["settings"] = Settings(record.modelText);
  json["sections"] = Sections(record.modelText);
  json["sections_in_force"] = InForce(record.modelText);
  if (record.kind == "batch") json["batch_sets"] = BatchSets(record.batchSets);
  json["record_every"] = record.recordEvery;
  json["validator"] = record.validator;
  json["exit_status"] = exitStatus ? ordered_json(*exitStatus) : ordered_json();
  json["files"] = Files(record.files, record.shape);
  return json;
}

// Paths and arguments are bytes, not always UTF-8: a byte that is no UTF-8
// becomes U+FFFD rather than failing the record.
std::string JsonText(const ordered_json& json, int indent) {
  return json.dump(indent, ' ', false, ordered_json::error_handler_t::replace);
}

// `json` as its text reads back: its texts in UTF-8, as the manifest has them.
ordered_json AsWritten(const ordered_json& json) {
  return ordered_json::parse(JsonText(json, -1));
}

// A JSON value as attributes named `name`: an object's fields as
// "<name>.<field>", a text, whole number or number as itself, a list of
// numbers (whole ones if every one is) as a list of them, any other list as
// one of texts. null, true and false are the texts the JSON writes, as are the
// numbers of a list that holds words too; a list of objects is left out.
void AddAttributes(const std::string& name, const ordered_json& value,
                   std::vector<Hdf5Attribute>& attributes) {
  using Kind = Hdf5Attribute::Kind;
  if (value.is_object()) {
    for (const auto& [field, inner] : value.items()) {
      AddAttributes(name.empty() ? field : name + "." + field, inner, attributes);
    }
    return;
  }
  Hdf5Attribute attribute;
  attribute.name = name;
  attribute.list = value.is_array();
  const ordered_json items = value.is_array() ? value : ordered_json::array({value});
  bool whole = true;
  bool numbers = true;
  for (const ordered_json& item : items) {
    if (item.is_structured()) return;
    numbers = numbers && item.is_number();
    whole = whole && item.is_number_integer();
  }
  if (items.empty() || !numbers) {
    attribute.kind = Kind::kText;
  } else {
    attribute.kind = whole ? Kind::kInteger : Kind::kNumber;
  }
  for (const ordered_json& item : items) {
    if (attribute.kind == Kind::kInteger) {
      attribute.integers.push_back(item.get<std::int64_t>());
    } else if (attribute.kind == Kind::kNumber) {
      attribute.numbers.push_back(item.get<double>());
    } else {
      attribute.texts.push_back(item.is_string() ? item.get<std::string>() : item.dump());
    }
  }
  attributes.push_back(std::move(attribute));
}

}  // namespace

std::string ManifestText(const RunRecord& record, std::optional<int> exitStatus) {
  return JsonText(ManifestJson(record, exitStatus), 2) + "\n";
}

// How long the run took, how it ended and what it wrote are known only at its
// end, after its HDF5 files are closed, and the batch's sets each file has as
// its own: those stay in the manifest.
std::vector<Hdf5Attribute> RecordAttributes(const RunRecord& record) {
  ordered_json json = AsWritten(ManifestJson(record, 0));
  for (const char* late : {"duration_s", "exit_status", "batch_sets", "files"}) json.erase(late);
  std::vector<Hdf5Attribute> attributes;
  AddAttributes("", json, attributes);
  return attributes;
}

std::vector<Hdf5Attribute> BatchSetAttributes(const BatchSetRecord& set) {
  std::vector<Hdf5Attribute> attributes;
  AddAttributes("batch_set", AsWritten(BatchSets({set})[0]), attributes);
  return attributes;
}
