#pragma once

// Reading an HDF5 result file back with the library itself, as a user's
// program would: every table (group) of the file's root, its datasets in the
// order made, their units and the column list the table keeps.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

struct Hdf5Column {
  std::string name;  // the dataset's name
  std::string units;
  std::vector<double> values;
};

struct Hdf5Group {
  std::vector<std::string> columns;  // the group's attribute "columns"
  std::vector<Hdf5Column> datasets;  // in the order they were made
  // The dataset named `name`, or null.
  const Hdf5Column* Find(const std::string& name) const;
};

// Every group at the root of `file` by name; false when the file or any of
// its parts cannot be read, or holds anything but groups of 1-D datasets of
// doubles.
bool ReadHdf5Groups(const std::filesystem::path& file, std::map<std::string, Hdf5Group>& groups);

// The text attribute `name` of the root group of `file`; empty when missing.
std::string ReadHdf5RootText(const std::filesystem::path& file, const std::string& name);

}  // namespace testing_support
