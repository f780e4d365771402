#include "results/StepRecorder.h"

namespace {

// Entry `i` of `values`, or 0 where the vector is shorter.
double At(const std::vector<double>& values, std::size_t i) {
  return i < values.size() ? values[i] : 0.0;
}

}  // namespace

std::vector<std::string> StepRecorder::ColumnNames(int axleCount, bool cylinders) {
  static const char* const kPerAxle[kColumnsPerAxle] = {
      "brake",          "vehicle_speed", "wheel_speed", "slip",
      "adhesion_force", "normal_force",  "brake_force", "position"};
  std::vector<std::string> names = {"time", "traction"};
  for (int i = 1; i <= axleCount; ++i) {
    for (const char* name : kPerAxle) names.push_back(std::string(name) + "_" + std::to_string(i));
  }
  for (int i = 1; cylinders && i <= axleCount; ++i) {
    names.push_back("cylinder_force_" + std::to_string(i));
  }
  return names;
}

std::vector<std::string> StepRecorder::ColumnUnits(int axleCount, bool cylinders) {
  static const char* const kPerAxle[kColumnsPerAxle] = {"N", "m/s", "m/s", "m/s",
                                                        "N", "N",   "N",   "m"};
  std::vector<std::string> units = {"s", "N"};
  for (int i = 1; i <= axleCount; ++i) {
    units.insert(units.end(), kPerAxle, kPerAxle + kColumnsPerAxle);
  }
  if (cylinders && axleCount > 0) units.insert(units.end(), axleCount, "N");
  return units;
}

bool StepRecorder::Open(const std::string& fileName, int axleCount, bool flushEveryRow,
                        bool cylinders) {
  axles = axleCount > 0 ? static_cast<std::size_t>(axleCount) : 0;
  cylinderColumns = cylinders;
  return writer.OpenCsv(fileName, ColumnNames(axleCount, cylinders), flushEveryRow);
}

bool StepRecorder::Open(const std::string& fileName, const Kelvra& vehicle, bool flushEveryRow) {
  return Open(fileName, vehicle.AxleCount(), flushEveryRow, vehicle.LineParts().BrkCyl.Active());
}

bool StepRecorder::OpenHdf5(Hdf5File& file, int axleCount, bool cylinders) {
  axles = axleCount > 0 ? static_cast<std::size_t>(axleCount) : 0;
  cylinderColumns = cylinders;
  return writer.OpenHdf5(file, "series", ColumnNames(axleCount, cylinders),
                         ColumnUnits(axleCount, cylinders));
}

bool StepRecorder::OpenHdf5(Hdf5File& file, const Kelvra& vehicle) {
  return OpenHdf5(file, vehicle.AxleCount(), vehicle.LineParts().BrkCyl.Active());
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
  writer.EndRow();
}
