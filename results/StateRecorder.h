#pragma once

// The whole linear state of a run, one CSV row per step beside the time series:
// every freedom's displacement and velocity and every output displacement's
// deflection.

#include <string>
#include <vector>

#include "results/ColumnCatalogue.h"
#include "results/ResultTable.h"

// What the states file shows of the linear state, which holds every freedom's
// velocity, then every freedom's displacement.
struct StateLayout {
  std::vector<std::string> freedomNames;  // in state order, such as "Car_Y"
  std::vector<bool> freedomAngular;       // per freedom: it turns (rad), not moves (m)
  std::vector<std::string> deflectionNames;
  // Deflection i is the sum of coefficient times displacement of each term.
  struct Term {
    std::size_t deflection;
    std::size_t freedom;
    double coefficient;
  };
  std::vector<Term> deflectionTerms;
};

// Columns: time [s], every freedom's displacement by its name [m or rad], every
// freedom's velocity as "<name>_velo" [m/s or rad/s], every deflection by its
// name [m].
class StateRecorder {
 public:
  static std::vector<std::string> ColumnNames(const StateLayout& layout);

  // Creates the file and writes the header; false when it cannot be opened,
  // and recording then does nothing. `flushEveryRow` as for CsvWriter.
  bool Open(const std::string& fileName, const StateLayout& layout, bool flushEveryRow = false);
  // The same as the table "states" of `file`.
  bool OpenHdf5(Hdf5File& file, const StateLayout& layout);
  bool IsOpen() const { return writer.IsOpen(); }
  const StateLayout& Layout() const { return layout; }
  // The row at `time` of `linearState` (velocities, then displacements).
  void Record(double time, const std::vector<double>& linearState);

  bool Flush() { return writer.Flush(); }
  bool Close() { return writer.Close(); }
  int ErrorNumber() const { return writer.ErrorNumber(); }

 private:
  ResultTable writer;
  StateLayout layout;
  std::vector<double> deflections;
};

// The freedoms and deflections of `layout` as the column catalogue takes them.
ColumnShape StatesShape(const StateLayout& layout);

// "<base>_states.csv" for the time series "<base>.csv".
std::string StatesFileName(const std::string& seriesFile);
