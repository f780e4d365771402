#pragma once

// What one shard folder holds of a batch or a parameter study: the files of
// each of its sets and the lines its tables hold for them. Sets are numbered
// from 1 here, as --sets numbers them, whatever their file names count from.

#include <map>
#include <string>
#include <vector>

// A kind of run that is spread over shards, told by the names of its files.
struct RunKind {
  const char* name;     // "batch" or "study"
  const char* prefix;   // a set's files are <prefix><index> followed by '.', '_' or nothing
  int firstIndex;       // the index of the first set in its file names
  const char* item;     // "set" or "case", as the messages name them
  const char* summary;  // a header, then one row per finished set, its index first
  const char* timing;   // one line per finished set in the summary's order; null: none
};

struct Shard {
  std::string folder;
  const RunKind* kind = nullptr;
  std::map<int, std::vector<std::string>> files;  // set number -> its file names
  std::string header;                             // the summary's first line
  std::vector<int> rowSets;                       // the set number of each summary row
  std::vector<std::string> rows;                  // the summary's rows
  std::vector<std::string> timingLines;
  std::vector<int> unfinished;  // sets with files but without a row: stopped or cut short
  int first = 0;                // the lowest and highest set number it holds
  int last = 0;
};

// The set number of a set's file name, or 0 for a name of no set.
int SetNumberOf(const std::string& name, const RunKind& kind);

// Reads what `folder` holds. False, with `error` saying why, for a folder that
// holds no finished batch or study, both kinds, a set file that is a symbolic
// link or no regular file, a table cut short or whose lines do not match the
// other's, and a set whose row has no result text.
bool ScanShard(const std::string& folder, Shard& shard, std::string& error);
