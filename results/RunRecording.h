#pragma once

// Everything a console or batch run records of each step: its time series, on
// request the whole linear state beside it, and the figures of its summary.

#include <string>
#include <vector>

#include "results/ColumnCatalogue.h"
#include "results/Hdf5File.h"
#include "results/RunSummary.h"
#include "results/StateRecorder.h"
#include "results/StepRecorder.h"
#include "vehicle/Kelvra.h"

// A body's share of the vehicle's mass, and the entry of the linear state that
// holds its longitudinal speed.
struct MassShare {
  std::size_t velocityEntry = 0;
  double share = 0.0;
};

// The longitudinal speed of the vehicle's centre of mass: its bodies' speeds
// weighted by their shares of the mass; without shares, the mean of the
// wheelsets' speeds `vehicleSpeed`.
double CentreOfMassSpeed(const std::vector<MassShare>& shares,
                         const std::vector<double>& linearState,
                         const std::vector<double>& vehicleSpeed);

struct RunRecording {
  // Under --format hdf5, the run's one file: the time series as its table
  // "series", the states as "states", the summary as "summary". It comes
  // first, so that its tables close before it.
  Hdf5File file;
  StepRecorder series;
  StateRecorder states;  // closed unless the states were asked for
  RunSummaryBuilder summary;
  // The bodies that make up the centre of mass whose acceleration the summary
  // reports.
  std::vector<MassShare> massShares;
  // The time series and the states keep every N-th step's row after the
  // initial one; the summary sees every step.
  int recordEvery = 1;
  // Whether the vehicle runs on a real line (one of its optional sections
  // active): the summary then follows the conditions its axles meet.
  bool onRealLine = false;

  // Creates `fileName` with the table of the time series of `vehicle`, and
  // that of the states when `stateLayout` is given; false, with nothing
  // recorded, when the file cannot be created.
  bool OpenHdf5(const std::string& fileName, const Kelvra& vehicle, const StateLayout* stateLayout);
  // The columns of the tables of its HDF5 file, the summary's when
  // `withSummary`; before CloseHdf5.
  ColumnShape Hdf5Shape(bool withSummary) const;
  // Adds `runSummary` as the table "summary" when given (adhesion_used last on
  // a real line, as in the summary file), then closes the
  // tables and the file; false when any write to it failed (its error number
  // in file.ErrorNumber()). True when no file was open.
  bool CloseHdf5(const RunSummary* runSummary);

  // The initial state at time 0.
  void RecordInitial(const Kelvra& vehicle);
  // The step that ended at `time` (see StepRecorder::Record).
  void Record(double time, const std::vector<double>& brakeDemand, double tractionForce,
              const Kelvra& vehicle);
  // Every row recorded so far reaches the files; false once a write failed.
  bool Flush();

 private:
  int stepsSinceRow = 0;  // the steps since the last row kept
};

// The name of the one HDF5 file of the run whose time series would be
// "<base>.csv": "<base>.h5".
std::string Hdf5FileName(const std::string& base);

// The file names written by a run, in the order written, each with its kind,
// for the line that names them at its end and for the run's manifest.
class WrittenFiles {
 public:
  void Add(const std::string& fileName, FileKind kind) {
    names.push_back(fileName);
    kinds.push_back(kind);
    shapeOf.push_back(kRunShape);
  }
  // A file whose columns are those of `shape` rather than the run's.
  void Add(const std::string& fileName, FileKind kind, const ColumnShape& shape) {
    Add(fileName, kind);
    shapes.push_back(shape);
    shapeOf.back() = static_cast<int>(shapes.size()) - 1;
  }
  // Every file of `other` after those added so far.
  void Add(const WrittenFiles& other);
  // The same, the columns of those files that have no shape of their own
  // being those of a model of `shape` (a study case's own files).
  void Add(const WrittenFiles& other, const ColumnShape& shape);
  bool Empty() const { return names.empty(); }
  const std::vector<std::string>& Names() const { return names; }
  const std::vector<FileKind>& Kinds() const { return kinds; }
  // The columns of file `i`: those of its own shape, or of `runShape`.
  std::vector<Column> Columns(std::size_t i, const ColumnShape& runShape) const;
  // "Files written: results/a.csv, results/a.txt\n"; empty when none was.
  std::string Line() const;

 private:
  static constexpr int kRunShape = -1;  // the columns of the run's own model
  std::vector<std::string> names;
  std::vector<FileKind> kinds;  // one per name
  std::vector<int> shapeOf;     // one per name: an index into `shapes`, or kRunShape
  std::vector<ColumnShape> shapes;
};

// A batch set's leading cells of the batch summary: "DT,ITER,SUBD,SGNT,run_time",
// the numbers in their shortest exact form.
std::string BatchSetCells(double timeStep, int iterations, int subdivisions, double signLimit,
                          double seconds);

// Writes `text` to `fileName` whole; false when it cannot be opened or written,
// with the system's error number in `errorNumber`.
bool WriteWholeFile(const std::string& fileName, const std::string& text, int& errorNumber);
