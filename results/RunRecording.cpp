#include "results/RunRecording.h"

#include <cerrno>

#include "model/OutputFile.h"
#include "results/CsvWriter.h"

double CentreOfMassSpeed(const std::vector<MassShare>& shares,
                         const std::vector<double>& linearState,
                         const std::vector<double>& vehicleSpeed) {
  if (shares.empty()) {
    double sum = 0.0;
    for (double speed : vehicleSpeed) sum += speed;
    return vehicleSpeed.empty() ? 0.0 : sum / static_cast<double>(vehicleSpeed.size());
  }
  double speed = 0.0;
  for (const MassShare& body : shares) {
    if (body.velocityEntry < linearState.size())
      speed += body.share * linearState[body.velocityEntry];
  }
  return speed;
}

void RunRecording::RecordInitial(const Kelvra& vehicle) {
  static const std::vector<double> kNoBrake;
  series.RecordInitial(vehicle);
  states.Record(0.0, vehicle.LinearState());
  const Kelvra::AxleOutputs& initial = vehicle.InitialOutputs();
  summary.Add(0.0, kNoBrake, initial.vehicleSpeed, vehicle.WheelSpeed(), initial.position,
              CentreOfMassSpeed(massShares, vehicle.LinearState(), initial.vehicleSpeed));
}

void RunRecording::Record(double time, const std::vector<double>& brakeDemand, double tractionForce,
                          const Kelvra& vehicle) {
  series.Record(time, brakeDemand, tractionForce, vehicle);
  states.Record(time, vehicle.LinearState());
  summary.Add(time, brakeDemand, vehicle.VehicleSpeed(), vehicle.WheelSpeed(), vehicle.Position(),
              CentreOfMassSpeed(massShares, vehicle.LinearState(), vehicle.VehicleSpeed()));
}

bool RunRecording::OpenHdf5(const std::string& fileName, int axleCount,
                            const StateLayout* stateLayout) {
  if (!file.Create(fileName)) return false;
  series.OpenHdf5(file, axleCount);
  if (stateLayout != nullptr) states.OpenHdf5(file, *stateLayout);
  return true;
}

// The tables close before the file; a table that could not be made has said
// so in the file's error.
bool RunRecording::CloseHdf5(const RunSummary* runSummary) {
  if (!file.IsOpen()) return true;
  series.Close();
  states.Close();
  if (runSummary != nullptr) {
    const std::size_t axles = runSummary->largestSlip.size();
    file.WriteRow("summary", SummaryColumns(axles), SummaryUnits(axles),
                  SummaryValues(*runSummary));
  }
  return file.Close();
}

bool RunRecording::Flush() {
  const bool seriesFlushed = series.Flush();
  const bool statesFlushed = states.Flush();
  return file.Flush() && seriesFlushed && statesFlushed;
}

std::string Hdf5FileName(const std::string& base) {
  return base + ".h5";
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
