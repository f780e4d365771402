#include "ShardScan.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "framework/SetRange.h"

namespace fs = std::filesystem;

namespace {

// A table of a few thousand sets is far below this; anything larger is no table of a run.
constexpr std::uintmax_t kLargestTable = 64u << 20;

const RunKind kBatch = {"batch", "batch_", 0, "set", "batch_summary.csv", "batch_run_times.txt"};
const RunKind kStudy = {"study", "study_", 1, "case", "study_summary.csv", nullptr};

std::string Quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

bool IsRegularFile(const fs::path& path) {
  std::error_code ignored;
  return fs::is_regular_file(fs::symlink_status(path, ignored));
}

// The lines of a table, each of which the run ended with a newline: a last line
// without one was cut short while it was written.
bool ReadLines(const fs::path& path, std::vector<std::string>& lines, std::string& error) {
  std::error_code code;
  if (!IsRegularFile(path)) {
    error = Quoted(path) + " is missing, a symbolic link or no regular file";
    return false;
  }
  const std::uintmax_t size = fs::file_size(path, code);
  std::ifstream file(path, std::ios::binary);
  if (code || size > kLargestTable || !file) {
    error = Quoted(path) +
            (size > kLargestTable ? " is too large for a table of a run" : " cannot be read");
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!text.empty() && text.back() != '\n') {
    error = Quoted(path) + " ends in a line cut short: its run did not finish";
    return false;
  }
  lines.clear();
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return true;
}

// The kind whose summary table the folder holds.
bool KindOf(const fs::path& folder, const RunKind*& kind, std::string& error) {
  std::error_code ignored;
  const bool batch = fs::exists(fs::symlink_status(folder / kBatch.summary, ignored));
  const bool study = fs::exists(fs::symlink_status(folder / kStudy.summary, ignored));
  if (batch && study) {
    error = Quoted(folder) + " holds both a batch and a study; give each its own shards";
  } else if (!batch && !study) {
    error = Quoted(folder) + " holds neither " + kBatch.summary + " nor " + kStudy.summary +
            ": no batch or study ran into it";
  }
  kind = batch ? &kBatch : &kStudy;
  return error.empty();
}

bool CollectSetFiles(const fs::path& folder, Shard& shard, std::string& error) {
  std::error_code code;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, code)) {
    const std::string name = entry.path().filename().string();
    const int set = SetNumberOf(name, *shard.kind);
    if (set == 0) continue;
    if (!IsRegularFile(entry.path())) {
      error = Quoted(entry.path()) + " is a symbolic link or no regular file";
      return false;
    }
    shard.files[set].push_back(name);
  }
  if (code) error = Quoted(folder) + " cannot be read (" + code.message() + ")";
  for (auto& [set, names] : shard.files) std::sort(names.begin(), names.end());
  return error.empty();
}

// Each row starts with its set's index; the rows follow the sets' order.
bool ReadSummary(const fs::path& folder, Shard& shard, std::string& error) {
  const RunKind& kind = *shard.kind;
  std::vector<std::string> lines;
  if (!ReadLines(folder / kind.summary, lines, error)) return false;
  if (lines.empty()) {
    error = Quoted(folder / kind.summary) + " is empty: its run did not finish";
    return false;
  }
  shard.header = lines.front();
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string index = lines[i].substr(0, lines[i].find(','));
    int value = 0;
    if (!ParseWholeNumber(index, kind.firstIndex, INT_MAX - 1, value) ||
        (!shard.rowSets.empty() && value - kind.firstIndex + 1 <= shard.rowSets.back())) {
      error = Quoted(folder / kind.summary) + " line " + std::to_string(i + 1) + " holds no " +
              kind.item + " after the one before";
      return false;
    }
    shard.rowSets.push_back(value - kind.firstIndex + 1);
    shard.rows.push_back(lines[i]);
  }
  return true;
}

bool ReadTiming(const fs::path& folder, Shard& shard, std::string& error) {
  if (shard.kind->timing == nullptr) return true;
  if (!ReadLines(folder / shard.kind->timing, shard.timingLines, error)) return false;
  if (shard.timingLines.size() != shard.rows.size()) {
    error = Quoted(folder) + ": " + shard.kind->timing + " and " + shard.kind->summary +
            " differ in their number of sets (" + std::to_string(shard.timingLines.size()) +
            " and " + std::to_string(shard.rows.size()) + "): its run did not finish";
  }
  return error.empty();
}

// The result text of a set is written last: a set with a row has it.
bool CheckFinishedSets(const fs::path& folder, Shard& shard, std::string& error) {
  const RunKind& kind = *shard.kind;
  for (int set : shard.rowSets) {
    const std::string text = kind.prefix + std::to_string(set - 1 + kind.firstIndex) + ".txt";
    const auto found = shard.files.find(set);
    if (found == shard.files.end() ||
        std::find(found->second.begin(), found->second.end(), text) == found->second.end()) {
      error = Quoted(folder) + " has a row of " + kind.item + " " + std::to_string(set) + " in " +
              kind.summary + " but no " + text;
      return false;
    }
  }
  for (const auto& [set, names] : shard.files) {
    if (!std::binary_search(shard.rowSets.begin(), shard.rowSets.end(), set)) {
      shard.unfinished.push_back(set);
    }
  }
  return true;
}

}  // namespace

int SetNumberOf(const std::string& name, const RunKind& kind) {
  const std::string prefix = kind.prefix;
  if (name.compare(0, prefix.size(), prefix) != 0) return 0;
  const std::size_t end = name.find_first_not_of("0123456789", prefix.size());
  const std::string digits = name.substr(prefix.size(), end - prefix.size());
  if (end != std::string::npos && name[end] != '.' && name[end] != '_') return 0;
  // The run writes no leading zeros: "batch_01.csv" is none of its files.
  if (digits.size() > 1 && digits.front() == '0') return 0;
  int index = 0;
  if (!ParseWholeNumber(digits, kind.firstIndex, INT_MAX - 1, index)) return 0;
  return index - kind.firstIndex + 1;
}

bool ScanShard(const std::string& folder, Shard& shard, std::string& error) {
  shard = Shard();
  shard.folder = folder;
  std::error_code code;
  if (!fs::is_directory(folder, code)) {
    error = Quoted(folder) + (fs::exists(folder, code) ? " is no folder" : " does not exist");
    return false;
  }
  if (!KindOf(folder, shard.kind, error) || !CollectSetFiles(folder, shard, error) ||
      !ReadSummary(folder, shard, error) || !ReadTiming(folder, shard, error) ||
      !CheckFinishedSets(folder, shard, error)) {
    return false;
  }
  std::vector<int> sets = shard.rowSets;
  for (const auto& entry : shard.files) sets.push_back(entry.first);
  if (sets.empty()) {
    error = Quoted(folder) + " holds no " + shard.kind->item + ": its run got to none";
    return false;
  }
  const auto [lowest, highest] = std::minmax_element(sets.begin(), sets.end());
  shard.first = *lowest;
  shard.last = *highest;
  return true;
}
