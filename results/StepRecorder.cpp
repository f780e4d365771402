#include "results/StepRecorder.h"

#include "results/ColumnCatalogue.h"

namespace {

// Entry `i` of `values`, or 0 where the vector is shorter.
double At(const std::vector<double>& values, std::size_t i) {
  return i < values.size() ? values[i] : 0.0;
}

}  // namespace

std::vector<Column> StepRecorder::Columns(int axleCount, bool cylinders, bool valves) {
  ColumnShape shape;
  shape.axles = axleCount;
  shape.brakeCylinders = cylinders;
  shape.slideProtection = valves;
  return FileColumns(FileKind::TimeSeries, shape);
}

std::vector<std::string> StepRecorder::ColumnNames(int axleCount, bool cylinders, bool valves) {
  return ::ColumnNames(Columns(axleCount, cylinders, valves));
}

bool StepRecorder::Open(const std::string& fileName, int axleCount, bool flushEveryRow,
                        bool cylinders, bool valves) {
  axles = axleCount > 0 ? static_cast<std::size_t>(axleCount) : 0;
  cylinderColumns = cylinders;
  valveColumns = valves;
  return writer.OpenCsv(fileName, ColumnNames(axleCount, cylinders, valves), flushEveryRow);
}

bool StepRecorder::Open(const std::string& fileName, const Kelvra& vehicle, bool flushEveryRow) {
  const TLineSections& line = vehicle.LineParts();
  return Open(fileName, vehicle.AxleCount(), flushEveryRow, line.BrkCyl.Active(),
              line.Wsp.Enabled());
}

bool StepRecorder::OpenHdf5(Hdf5File& file, int axleCount, bool cylinders, bool valves) {
  axles = axleCount > 0 ? static_cast<std::size_t>(axleCount) : 0;
  cylinderColumns = cylinders;
  valveColumns = valves;
  return writer.OpenHdf5(file, "series", Columns(axleCount, cylinders, valves));
}

bool StepRecorder::OpenHdf5(Hdf5File& file, const Kelvra& vehicle) {
  const TLineSections& line = vehicle.LineParts();
  return OpenHdf5(file, vehicle.AxleCount(), line.BrkCyl.Active(), line.Wsp.Enabled());
}

void StepRecorder::RecordInitial(const Kelvra& vehicle) {
  const Kelvra::AxleOutputs& initial = vehicle.InitialOutputs();
  Row(0.0, nullptr, 0.0, {initial.vehicleSpeed, initial.normalForce, initial.position}, vehicle);
}

void StepRecorder::Record(double time, const std::vector<double>& brakeDemand, double tractionForce,
                          const Kelvra& vehicle) {
  Row(time, &brakeDemand, tractionForce,
      {vehicle.VehicleSpeed(), vehicle.MeanNormalForce(), vehicle.Position()}, vehicle);
}

// Without a step (`brakeDemand` null) there is neither a brake input nor a brake
// force of the step, and the forces are those of the state.
void StepRecorder::Row(double time, const std::vector<double>* brakeDemand, double tractionForce,
                       const Outputs& outputs, const Kelvra& vehicle) {
  if (!writer.IsOpen()) return;
  const bool stepped = brakeDemand != nullptr;
  const std::vector<double>& wheelSpeed = vehicle.WheelSpeed();
  const std::vector<double>& adhesion =
      stepped ? vehicle.MeanAdhesionForce() : vehicle.AdhesionForce();
  const std::vector<double>& brakeForce = vehicle.MeanBrakeForce();
  writer.Add(time);
  writer.Add(tractionForce);
  for (std::size_t i = 0; i < axles; ++i) {
    const double v = At(outputs.vehicleSpeed, i);
    const double w = At(wheelSpeed, i);
    writer.Add(stepped ? At(*brakeDemand, i) : 0.0);
    writer.Add(v);
    writer.Add(w);
    writer.Add(v - w);
    writer.Add(At(adhesion, i));
    writer.Add(At(outputs.normalForce, i));
    writer.Add(stepped ? At(brakeForce, i) : 0.0);
    writer.Add(At(outputs.position, i));
  }
  // Before the first step, what the cylinders hold.
  const std::vector<double>& cylinder =
      stepped ? vehicle.MeanCylinderForce() : vehicle.LineParts().BrkCyl.AppliedCommitted();
  for (std::size_t i = 0; cylinderColumns && i < axles; ++i) writer.Add(At(cylinder, i));
  // The valves of the last step; open (refill) before the first.
  const std::vector<WspValve>& valve = vehicle.LineParts().Wsp.Valve();
  for (std::size_t i = 0; valveColumns && i < axles; ++i) {
    writer.Add(stepped && i < valve.size() ? static_cast<double>(valve[i]) : 0.0);
  }
  writer.EndRow();
}
