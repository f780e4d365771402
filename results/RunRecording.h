#pragma once

// Everything a console or batch run records of each step: its time series, on
// request the whole linear state beside it, and the figures of its summary.

#include <string>
#include <vector>

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
  // Whether the vehicle runs on a real line (one of its optional sections
  // active): the summary then follows the conditions its axles meet.
  bool onRealLine = false;

  // Creates `fileName` with the table of the time series of `vehicle`, and
  // that of the states when `stateLayout` is given; false, with nothing
  // recorded, when the file cannot be created.
  bool OpenHdf5(const std::string& fileName, const Kelvra& vehicle, const StateLayout* stateLayout);
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
};

// The name of the one HDF5 file of the run whose time series would be
// "<base>.csv": "<base>.h5".
std::string Hdf5FileName(const std::string& base);

// The file names written by a run, in the order written, for the line that
// names them at its end.
class WrittenFiles {
 public:
  void Add(const std::string& fileName) { names.push_back(fileName); }
  bool Empty() const { return names.empty(); }
  const std::vector<std::string>& Names() const { return names; }
  // "Files written: results/a.csv, results/a.txt\n"; empty when none was.
  std::string Line() const;

 private:
  std::vector<std::string> names;
};

// A batch set's leading cells of the batch summary: "DT,ITER,SUBD,SGNT,run_time",
// the numbers in their shortest exact form.
std::string BatchSetCells(double timeStep, int iterations, int subdivisions, double signLimit,
                          double seconds);

// Writes `text` to `fileName` whole; false when it cannot be opened or written,
// with the system's error number in `errorNumber`.
bool WriteWholeFile(const std::string& fileName, const std::string& text, int& errorNumber);
