#pragma once

// Where a recorder's rows go: a CSV file of their own (the default), or a
// table of the run's HDF5 file (--format hdf5). The recorder adds the same
// numbers either way, so both hold the same values to the bit.

#include <string>
#include <vector>

#include "results/CsvWriter.h"
#include "results/Hdf5File.h"

enum class ResultFormat { kCsv, kHdf5 };

class ResultTable {
 public:
  // A CSV file `fileName` with a header of `columns`; `flushEveryRow` as for CsvWriter.
  bool OpenCsv(const std::string& fileName, const std::vector<std::string>& columns,
               bool flushEveryRow);
  // The table `group` of `file`, a dataset per column with its unit.
  bool OpenHdf5(Hdf5File& file, const std::string& group, const std::vector<Column>& columns);
  bool IsOpen() const { return binary ? hdf5.IsOpen() : csv.IsOpen(); }

  void Add(double value) {
    if (binary) {
      hdf5.Add(value);
    } else {
      csv.Add(value);
    }
  }
  void EndRow() {
    if (binary) {
      hdf5.EndRow();
    } else {
      csv.EndRow();
    }
  }
  // Every row so far reaches the file; false once any write failed.
  bool Flush() { return binary ? hdf5.Flush() : csv.Flush(); }
  bool Close() { return binary ? hdf5.Close() : csv.Close(); }
  int ErrorNumber() const { return binary ? hdf5.ErrorNumber() : csv.ErrorNumber(); }

 private:
  bool binary = false;
  CsvWriter csv;
  Hdf5Table hdf5;
};
