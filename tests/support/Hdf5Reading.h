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

// An attribute as read back: its texts, or its numbers (whole ones too), and
// whether it is a single value rather than a list.
struct Hdf5AttributeValue {
  std::vector<std::string> texts;
  std::vector<double> numbers;
  bool whole = false;  // stored as integers
  bool scalar = false;
};

// Every attribute of the root group of `file` by name; false when the file or
// any attribute cannot be read, or one holds anything but texts or numbers.
bool ReadHdf5RootAttributes(const std::filesystem::path& file,
                            std::map<std::string, Hdf5AttributeValue>& attributes);

}  // namespace testing_support
