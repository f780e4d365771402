#pragma once

// The time series of a run of the vehicle system: one CSV row per step with the
// inputs of the step and the committed per-axle values after it.

#include <string>
#include <vector>

#include "results/ResultTable.h"
#include "vehicle/Kelvra.h"

// Columns: time [s], traction [N], then per axle i = 1..c: brake_i (the brake
// input), vehicle_speed_i, wheel_speed_i and slip_i (vehicle minus wheel speed)
// [m/s], adhesion_force_i, normal_force_i and brake_force_i [N], position_i [m].
// The forces of a step are the means over the step of those it applied (see
// Kelvra::MeanBrakeForce). Where brake cylinders act (BRKCYL), the columns
// cylinder_force_1..c [N] follow all of these: the force each cylinder
// applied, the mean over the step. Where the wheel slide protection acts
// (WSP), the columns wsp_valve_1..c come last: what each axle's valve did
// over the step, 0 refill, 1 hold, 2 dump (WspValve).
class StepRecorder {
 public:
  static constexpr int kColumnsPerAxle = 8;

  // "time", "traction", then the eight columns of every axle; with
  // `cylinders` one cylinder force column per axle after them, with `valves`
  // one valve column per axle after those.
  static std::vector<std::string> ColumnNames(int axleCount, bool cylinders = false,
                                              bool valves = false);
  // The same with their units.
  static std::vector<Column> Columns(int axleCount, bool cylinders = false, bool valves = false);

  // Creates the file and writes the header for `axleCount` axles; with
  // `flushEveryRow` each row reaches the file at once (see CsvWriter). False
  // when the file cannot be opened; recording then does nothing.
  bool Open(const std::string& fileName, int axleCount, bool flushEveryRow = false,
            bool cylinders = false, bool valves = false);
  // The same with the columns that `vehicle`'s sections call for.
  bool Open(const std::string& fileName, const Kelvra& vehicle, bool flushEveryRow = false);
  // The same as the table "series" of `file`.
  bool OpenHdf5(Hdf5File& file, int axleCount, bool cylinders = false, bool valves = false);
  bool OpenHdf5(Hdf5File& file, const Kelvra& vehicle);
  bool IsOpen() const { return writer.IsOpen(); }
  std::size_t AxleCount() const { return axles; }
  bool CylinderColumns() const { return cylinderColumns; }
  bool ValveColumns() const { return valveColumns; }

  // The initial state at time 0, its per-axle outputs worked out from the
  // initial linear state; traction, brake inputs and brake forces are 0.
  void RecordInitial(const Kelvra& vehicle);
  // The step that ended at `time`, driven by `brakeDemand` and `tractionForce`:
  // the committed values of `vehicle` and the mean forces of its last step.
  // Brake inputs missing from `brakeDemand` count as 0.
  void Record(double time, const std::vector<double>& brakeDemand, double tractionForce,
              const Kelvra& vehicle);

  // Hands the recorded rows to the file; false once any write failed.
  bool Flush() { return writer.Flush(); }
  // Flushes and closes; false when any write failed.
  bool Close() { return writer.Close(); }
  // The system's error number of the first failed write; 0 while none failed.
  int ErrorNumber() const { return writer.ErrorNumber(); }

 private:
  // The per-axle outputs of the linear state a row shows.
  struct Outputs {
    const std::vector<double>& vehicleSpeed;
    const std::vector<double>& normalForce;
    const std::vector<double>& position;
  };
  void Row(double time, const std::vector<double>* brakeDemand, double tractionForce,
           const Outputs& outputs, const Kelvra& vehicle);

  ResultTable writer;
  std::size_t axles = 0;
  bool cylinderColumns = false;
  bool valveColumns = false;
};
