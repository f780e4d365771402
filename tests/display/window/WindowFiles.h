#pragma once

// The files a window session leaves in its results folder, and its record of
// them, read back independently of the program: sha256sum for the digests,
// the files' own headers and HDF5 tables for the columns.

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/Hdf5Reading.h"

// Standard output of a shell command.
std::string Capture(const std::string& command);

// The time series the window runs wrote into `folder`'s results/, by name.
std::vector<std::filesystem::path> WindowSeries(const std::filesystem::path& folder);

// What sha256sum says of `file`: a digest independent of the program's own.
std::string Sha256Sum(const std::filesystem::path& file);

// The columns `file` holds as "<name> <unit>": a CSV's header names them (its
// units are not in the file: "?"), an HDF5 file's tables hold them as
// "<table>/<dataset>" with the dataset's units.
std::vector<std::string> ColumnsInFile(const std::filesystem::path& file);

std::string StatesName(const std::string& series);

// The window session's record: the one realtime_<n>.json in `folder`'s
// results/, named after the first time series it lists. It is checked against
// the files themselves: the run ended with status 0, the model's and the
// history's digests are sha256sum's, and it lists exactly the files `expected`
// ("<kind> <path>", in any order), each with the columns of its header or
// tables, every one with a unit.
void ExpectSessionRecord(const std::filesystem::path& folder, std::vector<std::string> expected,
                         const std::string& history = "");

// Every line ends in a newline and has the columns of four axles.
bool CompleteSeries(const std::string& text);

// The HDF5 file of a results folder's run whose name starts with `prefix`.
std::vector<std::filesystem::path> Hdf5Files(const std::filesystem::path& folder,
                                             const std::string& prefix);

// Whether every table of `shown` but the summary holds the rows of the same
// table of `console` from its first, `rows` of them, under the same names and units.
bool TablesStartAsTheConsoles(const std::map<std::string, testing_support::Hdf5Group>& shown,
                              const std::map<std::string, testing_support::Hdf5Group>& console,
                              std::size_t rows);
