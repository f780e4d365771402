#include "ShardMerge.h"

#include <algorithm>
#include <filesystem>
#include <list>

#include "ShardScan.h"
#include "framework/NewFiles.h"
#include "results/ResultsLock.h"

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

// "set 7" or "sets 7 to 9", as a kind names them.
std::string SetsText(const RunKind& kind, int first, int last) {
  if (first == last) return std::string(kind.item) + " " + std::to_string(first);
  return std::string(kind.item) + "s " + std::to_string(first) + " to " + std::to_string(last);
}

// Each folder once, and the output none of them: a shard named twice would
// double its sets, and writing into a shard would change what is merged.
bool CheckDistinctFolders(const MergeRequest& request, std::string& error) {
  for (std::size_t i = 0; i < request.shards.size(); ++i) {
    std::error_code ignored;
    if (fs::equivalent(request.shards[i], request.output, ignored)) {
      error = "the output folder " + Quoted(request.output) + " is one of the shards";
      return false;
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (fs::equivalent(request.shards[i], request.shards[j], ignored)) {
        error = "the shard " + Quoted(request.shards[j]) + " is named twice" +
                (request.shards[i] == request.shards[j]
                     ? ""
                     : " (also as " + Quoted(request.shards[i]) + ")");
        return false;
      }
    }
  }
  return true;
}

// One kind of run, one set of columns: shards of one batch or study.
bool CheckSameRun(const std::vector<Shard>& shards, std::string& error) {
  for (const Shard& shard : shards) {
    const Shard& first = shards.front();
    if (shard.kind != first.kind) {
      error = Quoted(first.folder) + " holds a " + first.kind->name + " and " +
              Quoted(shard.folder) + " a " + shard.kind->name + ": they are no shards of one run";
      return false;
    }
    if (shard.header != first.header) {
      error = Quoted(shard.folder) + " holds other columns in " + shard.kind->summary + " than " +
              Quoted(first.folder) + ": they are no shards of one run";
      return false;
    }
  }
  return true;
}

std::string NoShardHolds(const RunKind& kind, int first, int last) {
  return SetsText(kind, first, last) + (first == last ? " is" : " are") +
         " in no shard: a shard is missing, or its run never got to them";
}

std::string RangeText(const SetRange& sets) {
  return "--sets " + std::to_string(sets.first) + "-" + std::to_string(sets.last);
}

// A set in two shards, or in none between the first and the last asked for.
// The shards come sorted by their first set.
bool CheckCoverage(const std::vector<Shard>& shards, const SetRange& sets, std::string& error) {
  const RunKind& kind = *shards.front().kind;
  const int wanted = sets.Whole() ? 1 : sets.first;
  if (shards.front().first < wanted) {
    error = Quoted(shards.front().folder) + " holds " +
            SetsText(kind, shards.front().first, shards.front().first) + ", before the first of " +
            RangeText(sets);
    return false;
  }
  const Shard* reaching = nullptr;  // the shard that reaches furthest so far
  int next = wanted;
  for (const Shard& shard : shards) {
    if (reaching != nullptr && shard.first <= reaching->last) {
      int common = shard.first;
      for (int set = shard.first; set <= std::min(shard.last, reaching->last); ++set) {
        if (reaching->files.count(set) != 0 && shard.files.count(set) != 0) {
          common = set;
          break;
        }
      }
      error = SetsText(kind, common, common) + " is in both " + Quoted(reaching->folder) + " and " +
              Quoted(shard.folder);
      return false;
    }
    if (shard.first > next) {
      error = NoShardHolds(kind, next, shard.first - 1);
      return false;
    }
    reaching = &shard;
    next = shard.last + 1;
  }
  if (!sets.Whole() && next <= sets.last) {
    error = NoShardHolds(kind, next, sets.last);
    return false;
  }
  if (!sets.Whole() && next - 1 > sets.last) {
    error = Quoted(shards.back().folder) + " holds " + SetsText(kind, next - 1, next - 1) +
            ", past the last of " + RangeText(sets);
    return false;
  }
  return true;
}

// The output must not mix the merged sets with those of another run.
bool CheckOutput(const std::string& output, const RunKind& kind, std::string& error) {
  std::error_code code;
  if (!fs::exists(output, code)) return true;
  if (!fs::is_directory(output, code)) {
    error = "the output " + Quoted(output) + " is no folder";
    return false;
  }
  std::vector<std::string> taken;
  for (const fs::directory_entry& entry : fs::directory_iterator(output, code)) {
    const std::string name = entry.path().filename().string();
    const bool table = name == kind.summary || (kind.timing != nullptr && name == kind.timing);
    if (table || SetNumberOf(name, kind) != 0) taken.push_back(name);
  }
  if (code) {
    error = "cannot read the output folder " + Quoted(output) + " (" + code.message() + ")";
    return false;
  }
  if (taken.empty()) return true;
  std::sort(taken.begin(), taken.end());
  error = "the output folder " + Quoted(output) + " already holds " + taken.front();
  if (taken.size() > 1) error += " and " + std::to_string(taken.size() - 1) + " more files";
  error += std::string(" of a ") + kind.name + "; merge into a folder without them";
  return false;
}

// A shard's record of its run (batch.json, study.json) describes that run
// alone: it is kept under the sets it ran, as batch_sets_11-20.json, beside
// the records of the other shards. A shard without one has none to keep.
bool CopyShardRecord(const Shard& shard, const std::string& output, NewFiles& written,
                     std::string& error) {
  const RunKind& kind = *shard.kind;
  const std::string record = shard.folder + "/" + kind.name + ".json";
  std::error_code code;
  if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(record, code))) {
    return true;
  }
  const std::string name = std::string(kind.name) + "_" + kind.item + "s_" +
                           std::to_string(shard.first) + "-" + std::to_string(shard.last) + ".json";
  return written.Copy(record, output + "/" + name, error);
}

// Every file of every set, then the tables joined in set order.
bool WriteMerged(const std::vector<Shard>& shards, const std::string& output, NewFiles& written,
                 int& fileCount, std::string& error) {
  const RunKind& kind = *shards.front().kind;
  std::string summary = shards.front().header + "\n";
  std::string timing;
  fileCount = 0;
  for (const Shard& shard : shards) {
    for (const auto& [set, names] : shard.files) {
      for (const std::string& name : names) {
        if (!written.Copy(shard.folder + "/" + name, output + "/" + name, error)) return false;
        ++fileCount;
      }
    }
    for (const std::string& row : shard.rows) summary += row + "\n";
    for (const std::string& line : shard.timingLines) timing += line + "\n";
    if (!CopyShardRecord(shard, output, written, error)) return false;
  }
  if (kind.timing != nullptr && !written.Write(output + "/" + kind.timing, timing, error)) {
    return false;
  }
  return written.Write(output + "/" + kind.summary, summary, error);
}

// Sets that ran but have no row stay as a run of the whole would leave them.
void SayUnfinished(const std::vector<Shard>& shards, std::ostream& err) {
  for (const Shard& shard : shards) {
    for (int set : shard.unfinished) {
      err << "kelvra-merge: " << SetsText(*shard.kind, set, set) << " in " << Quoted(shard.folder)
          << " did not finish (it has no row in " << shard.kind->summary
          << "); its files are copied as they are\n";
    }
  }
}

// The lock's refusal, said as part of the merge's.
bool Lock(std::list<ResultsLock>& locks, const std::string& folder, std::string& error) {
  std::string refusal;
  if (locks.emplace_back().Acquire(folder, refusal)) return true;
  const std::string prefix = "Error - ";
  if (refusal.rfind(prefix, 0) == 0) refusal.erase(0, prefix.size());
  if (!refusal.empty() && refusal.back() == '.') refusal.pop_back();
  error = refusal;
  return false;
}

bool Merge(const MergeRequest& request, std::ostream& out, std::ostream& err, std::string& error) {
  if (!CheckDistinctFolders(request, error)) return false;
  // What the merge makes goes again when it fails, after the locks are let go.
  NewFiles written;
  // No run may write into a shard while it is read, nor into the output.
  std::list<ResultsLock> locks;
  for (const std::string& folder : request.shards) {
    if (!Lock(locks, folder, error)) return false;
  }
  std::vector<Shard> shards(request.shards.size());
  for (std::size_t i = 0; i < shards.size(); ++i) {
    if (!ScanShard(request.shards[i], shards[i], error)) return false;
  }
  std::stable_sort(shards.begin(), shards.end(),
                   [](const Shard& a, const Shard& b) { return a.first < b.first; });
  if (!CheckSameRun(shards, error) || !CheckCoverage(shards, request.sets, error) ||
      !CheckOutput(request.output, *shards.front().kind, error)) {
    return false;
  }
  if (!written.MakeFolders(request.output, error) || !Lock(locks, request.output, error)) {
    return false;
  }
  int fileCount = 0;
  if (!WriteMerged(shards, request.output, written, fileCount, error)) return false;
  written.Keep();
  SayUnfinished(shards, err);
  const RunKind& kind = *shards.front().kind;
  out << "Merged " << SetsText(kind, shards.front().first, shards.back().last) << " of "
      << shards.size() << (shards.size() == 1 ? " shard" : " shards") << " into "
      << Quoted(request.output) << ": " << fileCount << " files of the " << kind.item << "s, "
      << (kind.timing != nullptr ? std::string(kind.timing) + ", " : "") << kind.summary << "\n";
  return true;
}

}  // namespace

bool MergeShards(const MergeRequest& request, std::ostream& out, std::ostream& err) {
  std::string error;
  if (Merge(request, out, err, error)) return true;
  err << "kelvra-merge: " << error << "; nothing is merged\n";
  return false;
}
