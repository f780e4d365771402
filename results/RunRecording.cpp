#include "results/RunRecording.h"

#include <cerrno>
#include <cmath>

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

namespace {

// The adhesion coefficient at zero slip and sin(theta) the axles meet, each
// the mean over them, and how long the slide protection has released each
// axle's brake.
void LineConditions(const Kelvra& vehicle, RunSummaryBuilder& summary) {
  const std::vector<double>& adhesion = vehicle.ContactModel().AvailableAdhesion();
  const int axles = vehicle.AxleCount();
  if (axles == 0) return;
  double mu = 0.0;
  double sine = 0.0;
  for (int i = 0; i < axles; ++i) {
    const auto axle = static_cast<std::size_t>(i);
    mu += axle < adhesion.size() ? adhesion[axle] : 0.0;
    const double perMille = vehicle.GradientAtAxle(axle);
    sine += perMille / std::sqrt(1e6 + perMille * perMille);
  }
  summary.SetLineConditions(mu / axles, sine / axles);
  const TWheelSlideProtection& wsp = vehicle.LineParts().Wsp;
  if (wsp.Enabled()) summary.SetSlideRelease(wsp.ReleaseTime());
}

}  // namespace

void RunRecording::RecordInitial(const Kelvra& vehicle) {
  static const std::vector<double> kNoBrake;
  stepsSinceRow = 0;
  series.RecordInitial(vehicle);
  states.Record(0.0, vehicle.LinearState());
  const Kelvra::AxleOutputs& initial = vehicle.InitialOutputs();
  if (onRealLine) LineConditions(vehicle, summary);
  summary.Add(0.0, kNoBrake, initial.vehicleSpeed, vehicle.WheelSpeed(), initial.position,
              CentreOfMassSpeed(massShares, vehicle.LinearState(), initial.vehicleSpeed));
}

void RunRecording::Record(double time, const std::vector<double>& brakeDemand, double tractionForce,
                          const Kelvra& vehicle) {
  if (++stepsSinceRow >= recordEvery) {
    stepsSinceRow = 0;
    series.Record(time, brakeDemand, tractionForce, vehicle);
    states.Record(time, vehicle.LinearState());
  }
  if (onRealLine) LineConditions(vehicle, summary);
  summary.Add(time, brakeDemand, vehicle.VehicleSpeed(), vehicle.WheelSpeed(), vehicle.Position(),
              CentreOfMassSpeed(massShares, vehicle.LinearState(), vehicle.VehicleSpeed()));
}

bool RunRecording::OpenHdf5(const std::string& fileName, const Kelvra& vehicle,
                            const StateLayout* stateLayout) {
  if (!file.Create(fileName)) return false;
  series.OpenHdf5(file, vehicle);
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
    ColumnShape shape;
    shape.axles = static_cast<int>(runSummary->largestSlip.size());
    shape.adhesionUsed = runSummary->onRealLine;
    shape.slideProtection = !runSummary->slideRelease.empty();
    file.WriteRow("summary", FileColumns(FileKind::Summary, shape),
                  SummaryValues(*runSummary, shape.adhesionUsed, shape.slideProtection));
  }
  return file.Close();
}

ColumnShape RunRecording::Hdf5Shape(bool withSummary) const {
  ColumnShape shape = states.IsOpen() ? StatesShape(states.Layout()) : ColumnShape();
  shape.axles = static_cast<int>(series.AxleCount());
  shape.brakeCylinders = series.CylinderColumns();
  shape.slideProtection = series.ValveColumns();
  shape.adhesionUsed = onRealLine;
  shape.withStates = states.IsOpen();
  shape.withSummary = withSummary;
  return shape;
}

bool RunRecording::Flush() {
  const bool seriesFlushed = series.Flush();
  const bool statesFlushed = states.Flush();
  return file.Flush() && seriesFlushed && statesFlushed;
}

std::string Hdf5FileName(const std::string& base) {
  return base + ".h5";
}

void WrittenFiles::Add(const WrittenFiles& other) {
  const int offset = static_cast<int>(shapes.size());
  names.insert(names.end(), other.names.begin(), other.names.end());
  kinds.insert(kinds.end(), other.kinds.begin(), other.kinds.end());
  for (const int shape : other.shapeOf)
    shapeOf.push_back(shape == kRunShape ? shape : shape + offset);
  shapes.insert(shapes.end(), other.shapes.begin(), other.shapes.end());
}

void WrittenFiles::Add(const WrittenFiles& other, const ColumnShape& shape) {
  const std::size_t first = names.size();
  Add(other);
  shapes.push_back(shape);
  for (std::size_t i = first; i < names.size(); ++i) {
    if (shapeOf[i] == kRunShape) shapeOf[i] = static_cast<int>(shapes.size()) - 1;
  }
}

std::vector<Column> WrittenFiles::Columns(std::size_t i, const ColumnShape& runShape) const {
  const int shape = shapeOf[i];
  return FileColumns(kinds[i],
                     shape == kRunShape ? runShape : shapes[static_cast<std::size_t>(shape)]);
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
