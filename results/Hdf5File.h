#pragma once

// Tables of numbers in one HDF5 file. A table is a group with one dataset of
// doubles per column, named after the column, its unit in the dataset's
// attribute "units"; the group's attribute "columns" lists the names in their
// order. The datasets are chunked and grow as rows come, so a table reaches
// the file while the run goes on, and what a run wrote before it stopped is
// there to read.
//
// A table gathers its rows, row after row, in a block of kChunkRows rows
// reserved when it is opened; a full block goes to the file as one chunk of
// every column, each column gathered from the rows just before it is written
// whole, as the file stores it. Adding a row neither allocates nor calls the
// library, and touches only the few cache lines of its own numbers; a chunk
// costs the library two calls per column.
//
// Every file and table of a thread is used by that thread alone; the library
// is built thread-safe, so runs side by side may each write files of their own.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "results/ColumnCatalogue.h"

// The library's identifier of an open file, group or dataset (hid_t).
using Hdf5Id = std::int64_t;

// An attribute of a file's root: texts, whole numbers or numbers, one of them
// alone or a list (which may be empty).
struct Hdf5Attribute {
  enum class Kind { kText, kInteger, kNumber };
  std::string name;
  Kind kind = Kind::kText;
  bool list = false;
  std::vector<std::string> texts;
  std::vector<std::int64_t> integers;
  std::vector<double> numbers;
};

class Hdf5File {
 public:
  Hdf5File() = default;
  ~Hdf5File() { Close(); }
  Hdf5File(const Hdf5File&) = delete;
  Hdf5File& operator=(const Hdf5File&) = delete;

  // Creates the file, replacing a regular file of that name. As for every
  // result file, a symbolic link or anything but a regular file at the name is
  // refused. False, leaving it closed, when it cannot be created (the error
  // number of a failed write in ErrorNumber()).
  bool Create(const std::string& fileName);
  bool IsOpen() const { return id >= 0; }
  Hdf5Id Id() const { return id; }

  // A table of a single row in the group `group`: the summary of a run. A
  // column whose value is NaN is a figure the run does not have.
  bool WriteRow(const std::string& group, const std::vector<Column>& columns,
                const std::vector<double>& values);
  // The attributes of the file's root, each name once; false, failing the
  // file, when one cannot be written.
  bool WriteAttributes(const std::vector<Hdf5Attribute>& attributes);
  // Hands everything written so far to the system; false once anything failed.
  bool Flush();
  // Closes the file; false when any write to it failed. Its tables must be
  // closed first. Closing a closed file is true.
  bool Close();
  // Records a failed write; the first one's error number is kept.
  void Fail(int error);
  // The system's error number of the first failed write; 0 while none failed.
  int ErrorNumber() const { return errorNumber; }

 private:
  Hdf5Id id = -1;
  bool failed = false;
  int errorNumber = 0;
};

class Hdf5Table {
 public:
  static constexpr std::size_t kChunkRows = 1024;

  Hdf5Table() = default;
  ~Hdf5Table() { Close(); }
  Hdf5Table(const Hdf5Table&) = delete;
  Hdf5Table& operator=(const Hdf5Table&) = delete;

  // Creates the group `group` of `file` with a dataset per column, named
  // after it, with its unit; every row then has one number per column. False,
  // leaving the table closed, when a dataset cannot be made (a column name
  // repeated, or the file failed).
  bool Open(Hdf5File& file, const std::string& group, const std::vector<Column>& columns);
  bool IsOpen() const { return file != nullptr; }

  // Appends one number to the current row; numbers beyond the column count,
  // and every number while the table is closed, are dropped.
  void Add(double value) {
    if (filled < datasets.size()) row[filled++] = value;
  }
  // Ends the current row; numbers missing from it are 0.
  void EndRow();

  // Writes the rows gathered so far to the datasets (the file's Flush hands
  // them to the system); false once any write failed.
  bool Flush() { return file == nullptr || WriteBlock(); }
  // Writes what is left and closes the datasets (the file stays open); false
  // when any write failed. Closing a closed table is true.
  bool Close();
  // The system's error number of the first failed write; 0 while none failed.
  int ErrorNumber() const { return file != nullptr ? file->ErrorNumber() : errorNumber; }

 private:
  // Appends the gathered rows to every dataset.
  bool WriteBlock();

  Hdf5File* file = nullptr;
  std::vector<Hdf5Id> datasets;   // one per column
  std::vector<double> block;      // kChunkRows rows of a number per column
  std::vector<double> column;     // one column of the block, as it goes to the file
  double* row = nullptr;          // the current row
  std::size_t filled = 0;         // numbers in the current row
  std::size_t rowsGathered = 0;   // finished rows in the block
  std::uint64_t chunkStart = 0;   // the row of the table that starts the block
  std::uint64_t rowsWritten = 0;  // rows the datasets hold
  bool failed = false;
  int errorNumber = 0;
};

// The dataset name of column `name`: '/' separates groups and "." names the
// group itself, so '%' and '/' are written as "%25" and "%2F", and the name "."
// as "%2E". Every other name stands as it is.
std::string Hdf5DatasetName(const std::string& name);
