#include "display/VehicleRun.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace {

constexpr int kMaxPacedSteps = 10;  // per frame under real-time pacing at the real pace
constexpr double kNewtonsPerKn = 1000.0;

// Fast forward may make proportionally more steps per frame than the real pace.
int MaxPacedSteps(float pace) {
  return std::max(kMaxPacedSteps, static_cast<int>(std::ceil(kMaxPacedSteps * pace)));
}

}  // namespace

LeverLevels LeverLevelsOf(float leverValue) {
  if (leverValue > 0.5f) return {(leverValue - 0.5f) * 2.0f, 0.0f};
  return {0.0f, (0.5f - leverValue) * 2.0f};
}

void VehicleRun::SetUp(Kelvra& vehicleSystem, VehicleRunData data, std::ostream& consoleStream) {
  vehicle = &vehicleSystem;
  console = &consoleStream;
  vehicle->SetConsole(consoleStream);
  predefinedForces = data.predefinedForces;
  replay.SetUp(vehicleSystem, std::make_shared<const Matrix>(std::move(data.externalForceHistory)));
  realTimePacing = data.realTimePacing && replay.TimeStep() > 0.0;
  seriesPrefix = std::move(data.seriesPrefix);
  format = data.format;
  fileAttributes = std::move(data.fileAttributes);
  warnUnwritable = std::move(data.warnUnwritable);
  seriesClosed = std::move(data.seriesClosed);
  writeStates = data.writeStates;
  stateLayout = std::move(data.stateLayout);
  const int axles = std::max(0, vehicle->AxleCount());
  readout.slipLamps.assign(static_cast<std::size_t>(axles), 0);
  const bool wsp = vehicle->LineParts().Wsp.Enabled();
  readout.wspLamps.assign(wsp ? static_cast<std::size_t>(axles) : 0, 0);
  ReadDriverView();
}

void VehicleRun::WarnUnwritable(const std::string& fileName) const {
  if (warnUnwritable) warnUnwritable(fileName);
}

void VehicleRun::StartSeries() {
  if (seriesPrefix.empty() || vehicle == nullptr) return;
  // A new number for every run, so that a reset never overwrites the finished file.
  const std::string previous = seriesFile;
  const bool binary = format == ResultFormat::kHdf5;
  do {
    vehicle->PickResultNumber();
    const std::string base = seriesPrefix + std::to_string(vehicle->ResultNumber());
    seriesFile = binary ? Hdf5FileName(base) : base + ".csv";
  } while (seriesFile == previous);
  replay.Restart();
  RunRecording& recording = replay.Recording();
  StepRecorder& series = recording.series;
  if (binary) {
    if (!recording.OpenHdf5(seriesFile, *vehicle, writeStates ? &stateLayout : nullptr)) {
      WarnUnwritable(seriesFile);
      return;
    }
    recording.file.WriteAttributes(fileAttributes);
    series.RecordInitial(*vehicle);
    recording.states.Record(0.0, vehicle->LinearState());
    recording.Flush();
    return;
  }
  if (!series.Open(seriesFile, *vehicle, true)) {
    WarnUnwritable(seriesFile);
    return;
  }
  series.RecordInitial(*vehicle);
  if (!writeStates) return;
  StateRecorder& states = replay.Recording().states;
  if (states.Open(StatesFileName(seriesFile), stateLayout, true)) {
    states.Record(0.0, vehicle->LinearState());
  } else {
    WarnUnwritable(StatesFileName(seriesFile));
  }
}

// An HDF5 file holds the series and the states as its tables; as CSV they
// are files of their own.
void VehicleRun::CloseSeries(bool sessionEnds) {
  const auto close = [this](auto& recorder, const std::string& fileName) {
    if (!recorder.IsOpen()) return false;
    if (recorder.Close()) return true;
    WarnUnwritable(fileName);
    return false;
  };
  RunRecording& recording = replay.Recording();
  ClosedSeries closed;
  closed.sessionEnds = sessionEnds;
  if (format == ResultFormat::kHdf5) {
    closed.hdf5 = true;
    closed.hdf5Shape = recording.Hdf5Shape(false);
    const bool open = recording.file.IsOpen();
    closed.seriesWritten = open && recording.CloseHdf5(nullptr);
    if (open && !closed.seriesWritten) WarnUnwritable(seriesFile);
  } else {
    closed.seriesWritten = close(recording.series, seriesFile);
    closed.statesWritten = close(recording.states, StatesFileName(seriesFile));
  }
  if (seriesFile.empty() || !seriesClosed) return;
  closed.seriesFile = seriesFile;
  seriesClosed(closed);
}

// The shown time, the replay mode and the view belong to the display and stay.
void VehicleRun::Reset() {
  if (vehicle != nullptr) vehicle->Init(*console);
  historyRow = 0;
  replay.Restart();
  CloseSeries(false);
  if (!seriesFile.empty()) StartSeries();
  ReadDriverView();
}

FrameOutcome VehicleRun::AdvanceFrame(const FrameRequest& request) {
  FrameOutcome outcome;
  const int steps = StepsDue(request.elapsedMs, request.pace);
  const bool wasRunning = running;
  for (int i = 0; i < steps; ++i) {
    if (DecideStepInputs(request.levers) != StepDecision::kStep) break;
    StepVehicle();
    if (!running) break;
    ++outcome.steps;
  }
  outcome.stoppedItself = wasRunning && !running;
  if (outcome.steps > 0 && format == ResultFormat::kHdf5) replay.Recording().Flush();
  ReadDriverView();
  return outcome;
}

// Step k + 1 since the start ends at the simulated time (k + 1) DT, whatever the
// frames and the shown time did meanwhile. A step that breaks the vehicle state
// (the vehicle system names it on the console) stops the run until a reset.
void VehicleRun::StepVehicle() {
  if (vehicle == nullptr) return;
  if (!replay.Step()) {
    running = false;
    return;
  }
  appliedTraction = replay.TractionForce();
}

// The wall-clock time that passes while running, times the pace, is owed to the
// vehicle and paid in whole steps. A frame makes at most MaxPacedSteps of them
// and the debt never exceeds that many, so that after a stall the run goes on
// from where it was instead of racing to catch up.
int VehicleRun::StepsDue(int elapsedMs, float pace) {
  if (!realTimePacing) return 1;
  const int passedMs = lastFrameMs < 0 ? 0 : std::max(0, elapsedMs - lastFrameMs);
  lastFrameMs = elapsedMs;
  if (!running) {
    pacingDebt = 0.0;
    return 0;
  }
  const int maxSteps = MaxPacedSteps(pace);
  const double timeStep = replay.TimeStep();
  const double maxDebt = maxSteps * timeStep;
  pacingDebt = std::min(pacingDebt + passedMs / 1000.0 * static_cast<double>(pace), maxDebt);
  const int steps = std::min(static_cast<int>(pacingDebt / timeStep), maxSteps);
  pacingDebt -= steps * timeStep;
  return steps;
}

// A replayed history supplies one row per step: the brake inputs of every axle,
// then the traction. When it runs out the run stops and takes the lever's inputs
// from then on. Columns the history lacks count as zero.
StepDecision VehicleRun::DecideStepInputs(const LeverLevels& levers) {
  if (predefinedForces) {
    if (!running) return StepDecision::kNone;
    if (historyRow >= replay.History().num_rows()) {
      *console << kEndOfDataMessage << std::flush;
      running = false;
      predefinedForces = false;
      return StepDecision::kEndOfData;
    }
    InputsOfRow(replay.History(), historyRow, replay.BrakeDemand(), replay.TractionForce());
    ++historyRow;
    return StepDecision::kStep;
  }
  std::fill(replay.BrakeDemand().begin(), replay.BrakeDemand().end(),
            static_cast<double>(levers.brake) * kMaxBrakeInput);
  replay.TractionForce() = static_cast<double>(levers.traction) * kMaxTractionForce;
  return running ? StepDecision::kStep : StepDecision::kNone;
}

// The forces are those the last step applied, whether the history or the lever
// asked for them; before the first step of a run none acts.
void VehicleRun::ReadDriverView() {
  if (vehicle == nullptr) return;
  readout.speedKmh = VehicleSpeedKmh(*vehicle);
  readout.distance = DistanceRun(*vehicle);
  const bool stepped = replay.Steps() > 0;
  readout.tractionKn = stepped ? appliedTraction / kNewtonsPerKn : 0.0;
  readout.brakeKn = stepped ? TreadBrakeForce(*vehicle) / kNewtonsPerKn : 0.0;
  ReadSlipLamps(*vehicle, readout.slipLamps);
  ReadWspLamps(*vehicle, readout.wspLamps);
  ReadLineReadout(*vehicle, readout.line);
}
