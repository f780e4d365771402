#include "results/RunRecording.h"

#include <cerrno>

#include "model/OutputFile.h"
#include "results/CsvWriter.h"

void RunRecording::RecordInitial(const Kelvra& vehicle) {
  static const std::vector<double> kNoBrake;
  series.RecordInitial(vehicle);
  states.Record(0.0, vehicle.LinearState());
  const Kelvra::AxleOutputs& initial = vehicle.InitialOutputs();
  summary.Add(0.0, kNoBrake, initial.vehicleSpeed, vehicle.WheelSpeed(), initial.position);
}

void RunRecording::Record(double time, const std::vector<double>& brakeDemand, double tractionForce,
                          const Kelvra& vehicle) {
  series.Record(time, brakeDemand, tractionForce, vehicle);
  states.Record(time, vehicle.LinearState());
  summary.Add(time, brakeDemand, vehicle.VehicleSpeed(), vehicle.WheelSpeed(), vehicle.Position());
}

std::string WrittenFiles::Line() const {
  if (names.empty()) return "";
  std::string line = "Files written: ";
  for (std::size_t i = 0; i < names.size(); ++i) line += (i > 0 ? ", " : "") + names[i];
  return line + "\n";
}

std::string BatchSetCells(double timeStep, int iterations, int subdivisions, double signLimit,
                          double seconds) {
  std::string cells;
  for (double value : {timeStep, static_cast<double>(iterations), static_cast<double>(subdivisions),
                       signLimit, seconds}) {
    char text[kMaxNumberChars];
    cells += (cells.empty() ? "" : ",") + std::string(text, FormatNumber(text, value));
  }
  return cells;
}

bool WriteWholeFile(const std::string& fileName, const std::string& text, int& errorNumber) {
  errno = 0;
  OutputFile file(fileName);
  if (!file.IsOpen()) {
    errorNumber = errno;
    return false;
  }
  file << text;
  errno = 0;
  if (!file.Close()) {
    errorNumber = errno;
    return false;
  }
  return true;
}
