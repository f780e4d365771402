// kelvra-merge OUT SHARD...: the shards of a batch or study, each run into its
// own results folder with its own --sets range, gathered into OUT as one run of
// the whole would have left them.

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "ShardMerge.h"

namespace {

const char* const kUsage =
    "Usage: kelvra-merge [--sets A-B] OUT SHARD...\n"
    "Gathers the shards of one batch or parameter study, each run with its own\n"
    "--sets range into its own results folder, into the folder OUT (made when\n"
    "missing): every file of every set or case under its own name, and\n"
    "batch_run_times.txt and batch_summary.csv (or study_summary.csv) joined in\n"
    "set order. The shards may be named in any order.\n"
    "\n"
    "Refused with the reason, writing nothing (exit status 1): a shard named\n"
    "twice, sets that two shards hold, sets that no shard holds (a shard left\n"
    "out, or one whose run never got to them), shards of different runs, a shard\n"
    "that a run still writes into, and an OUT that already holds files of a\n"
    "batch or study.\n"
    "\n"
    "  --sets A-B   the sets (or cases) the result must hold, from 1; without it,\n"
    "               every set from the first up to the last one found\n"
    "  -h, --help   show this text\n";

// False with `error` for a wrong option or too few folders.
bool ParseArguments(int argc, char** argv, MergeRequest& request, bool& help, std::string& error) {
  std::vector<std::string> folders;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (!optionsEnded && (word == "-h" || word == "--help")) {
      help = true;
    } else if (!optionsEnded && word == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (word == "--sets" || word.starts_with("--sets="))) {
      const bool nextWord = word == "--sets";
      if (nextWord && i + 1 >= argc) {
        error = "--sets needs a value";
        return false;
      }
      const std::string value(nextWord ? argv[++i] : word.substr(7));
      if (!ParseSetRange(value, request.sets, error)) return false;
    } else if (!optionsEnded && word.starts_with("-") && word.size() > 1) {
      error = "unknown option '" + std::string(word) + "'";
      return false;
    } else {
      folders.emplace_back(word);
    }
  }
  if (help) return true;
  if (folders.size() < 2) {
    error = "needs the output folder and at least one shard";
    return false;
  }
  request.output = folders.front();
  request.shards.assign(folders.begin() + 1, folders.end());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  MergeRequest request;
  bool help = false;
  std::string error;
  if (!ParseArguments(argc, argv, request, help, error)) {
    std::cerr << "kelvra-merge: " << error << "\n" << kUsage;
    return 2;
  }
  if (help) {
    std::cout << kUsage;
    return 0;
  }
  return MergeShards(request, std::cout, std::cerr) ? 0 : 1;
}
