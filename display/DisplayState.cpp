#include "display/DisplayState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>
#include <type_traits>
#include <utility>

namespace {

constexpr float kFactorRange = 50.0f;  // sliders span 1/50 .. 50
constexpr float kMinFactor = 1.0f / kFactorRange;
constexpr float kKeyStep = 1.1f;       // per key press, in single precision
constexpr float kGlideFactor = 1.03f;  // per frame
constexpr float kGlideTolerance = 0.01f;
constexpr float kWheelFactor = 1.3f;  // per wheel notch
constexpr float kMinZoom = 0.0001f;
constexpr float kMaxZoom = 10000.0f;
constexpr float kFitMargin = 30.0f;  // pixels left around the fitted scene
constexpr float kOpacityStep = 0.1f;
constexpr int kMaxPacedSteps = 10;  // per frame under real-time pacing

const char* const kMenuLabels[kMenuEntryCount][2] = {
    // {switch on, switch off}
    {"Hide Bodies", "Show Bodies"},
    {"Hide Nodes", "Show Nodes"},
    {"Hide Springs/Dampers", "Show Springs/Dampers"},
    {"Hide External Forces", "Show External Forces"},
    {"Hide Out. Displacements", "Show Out. Displacements"},
    {"Hide center points", "Show center points"},
    {"Unfollow Object", "Follow Object"},
    {"Hide Grid", "Show Grid"},
    {"Hide UI", "Show UI"},
    {"Hide Background Image", "Show Background Image"},
    {"Disable Antialiasing", "Enable Antialiasing"},
    {"Quit", "Quit"},
};

float ClampZoom(float z) {
  return std::clamp(z, kMinZoom, kMaxZoom);
}

}  // namespace

void CopyVisualModel(const StyleManager& styleManager, DisplayData& data) {
  data.links = styleManager.Links();
  std::apply(
      [&](auto&... lists) {
        ((lists = styleManager.Styles<typename std::decay_t<decltype(lists)>::value_type>()), ...);
      },
      data.styles);
}

LeverLevels LeverLevelsOf(float leverValue) {
  if (leverValue > 0.5f) return {(leverValue - 0.5f) * 2.0f, 0.0f};
  return {0.0f, (0.5f - leverValue) * 2.0f};
}

float SliderFactor(float value) {
  return std::pow(kFactorRange, 2.0f * value - 1.0f);
}

float SliderValueOf(float factor) {
  return (std::log(factor) / std::log(kFactorRange) + 1.0f) * 0.5f;
}

void FrameRateCounter::Tick(int elapsedMs) {
  ++ticks;
  if (elapsedMs < nextMarkMs) return;
  framesPerSecond = ticks;
  nextMarkMs = elapsedMs + 1000;
  ticks = 0;
}

void DisplayState::SetUp(Kelvra& vehicleSystem, DisplayData data, std::ostream& consoleStream) {
  vehicle = &vehicleSystem;
  console = &consoleStream;
  resultValueCount = std::max(0, data.resultValueCount);
  history = data.externalForceHistory;
  predefinedForces = data.predefinedForces;
  realTimePacing = data.realTimePacing && data.vehicleTimeStep > 0.0;
  vehicleTimeStep = data.vehicleTimeStep;
  renderer.background = data.background;
  links = std::move(data.links);
  styles = std::move(data.styles);
  seriesPrefix = std::move(data.seriesPrefix);
  warnUnwritable = std::move(data.warnUnwritable);

  const int axles = std::max(0, vehicle->AxleCount());
  brakeDemand.assign(static_cast<std::size_t>(axles), 0.0);
  q.assign(static_cast<std::size_t>(resultValueCount + axles), 0.0f);
  slipLamps.assign(static_cast<std::size_t>(axles), 0);
  driverPanel = DriverPanelAt(windowWidth, axles);
  ReadDriverView();

  scaleSlider.SetUp(true, 220.0f, 728.0f, 150.0f, 18.0f);
  timeStepSlider.SetUp(true, 220.0f, 698.0f, 150.0f, 18.0f);
  lever.SetUp(false, 965.0f, 603.0f, 18.0f, 110.0f);
  startStopButton.SetUp(startStopLabel, 20.0f, 20.0f, 100.0f, 30.0f, 2.0f, font, fontTextures,
                        kOverlayTextSize);
  resetButton.SetUp(resetLabel, 140.0f, 20.0f, 100.0f, 30.0f, 2.0f, font, fontTextures,
                    kOverlayTextSize);
  leverResetButton.SetUp(leverResetLabel, 874.0f, 658.0f, 60.0f, 30.0f, 2.0f, font, fontTextures,
                         kOverlayTextSize);
  hudTexts = {{
      {"Time: %6.4f", 20.0f, 678.0f},
      {"Timestep: %6.4f", 20.0f, 693.0f},
      {"Def. scale: %4.2f", 20.0f, 718.0f},
      {"Trac.: %4.2f", 894.0f, 588.0f},
      {"Brake: %4.2f", 894.0f, 738.0f},
  }};
}

// The controls keep their distance to the window's lower edge, the lever and its
// reset button also to its right edge.
void DisplayState::Reshape(int width, int height) {
  windowWidth = std::max(1, width);
  windowHeight = std::max(1, height);
  const float w = static_cast<float>(windowWidth);
  const float h = static_cast<float>(windowHeight);
  scaleSlider.MoveTo(220.0f, h - 40.0f);
  timeStepSlider.MoveTo(220.0f, h - 70.0f);
  lever.MoveTo(w - 49.0f, h - 165.0f);
  leverResetButton.x = w - 130.0f;
  leverResetButton.y = h - 125.0f;
  hudTexts[kHudTime].y = h - 95.0f;
  hudTexts[kHudTimestep].y = h - 70.0f;
  hudTexts[kHudDefScale].y = h - 45.0f;
  hudTexts[kHudTraction].x = w - 130.0f;
  hudTexts[kHudTraction].y = h - 200.0f;
  hudTexts[kHudBrake].x = w - 130.0f;
  hudTexts[kHudBrake].y = h - 50.0f;
  driverPanel = DriverPanelAt(windowWidth, static_cast<int>(slipLamps.size()));
}

void DisplayState::ToggleRunning() {
  running = !running;
  startStopLabel = running ? "Stop" : "Start";
}

// The vehicle starts over; the shown time, the replay mode and the view stay.
// Its new run gets a time series of its own, starting again at time 0.
void DisplayState::ResetVehicle() {
  if (vehicle != nullptr) vehicle->Init(*console);
  historyRow = 0;
  lever.SetValue(0.5f);
  if (!series.Close()) WarnUnwritable(seriesFile);
  if (!seriesFile.empty()) StartSeries();
  ReadDriverView();
}

void DisplayState::WarnUnwritable(const std::string& fileName) const {
  if (warnUnwritable) warnUnwritable(fileName);
}

void DisplayState::StartSeries() {
  if (seriesPrefix.empty() || vehicle == nullptr) return;
  // A new number for every run, so that a reset never overwrites the finished file.
  const std::string previous = seriesFile;
  do {
    vehicle->PickResultNumber();
    seriesFile = seriesPrefix + std::to_string(vehicle->ResultNumber()) + ".csv";
  } while (seriesFile == previous);
  stepsRun = 0;
  if (!series.Open(seriesFile, vehicle->AxleCount(), true)) {
    WarnUnwritable(seriesFile);
    return;
  }
  series.RecordInitial(*vehicle);
}

void DisplayState::SetTimeStepFactor(float factor) {
  timeStepFactor = factor;
  displayStep = kBaseDisplayStep * static_cast<double>(factor);
}

// The sliders first, then the buttons; the widgets are hit-tested whether they
// are shown or not.
bool DisplayState::PressWidget(float x, float y) {
  if (scaleSlider.Grab(x, y)) {
    scaleSlider.active = true;
    deformationScale = SliderFactor(scaleSlider.Value());
  } else if (timeStepSlider.Grab(x, y)) {
    timeStepSlider.active = true;
    SetTimeStepFactor(SliderFactor(timeStepSlider.Value()));
  } else if (lever.Grab(x, y)) {
    lever.active = true;
  } else if (startStopButton.Hit(x, y)) {
    startStopButton.pressed = true;
    ToggleRunning();
  } else if (resetButton.Hit(x, y)) {
    resetButton.pressed = true;
    ResetVehicle();
  } else if (leverResetButton.Hit(x, y)) {
    leverResetButton.pressed = true;
    lever.SetValue(0.5f);
  } else {
    return false;
  }
  return true;
}

void DisplayState::MousePress(MouseButton button, int x, int y) {
  if (button == MouseButton::kLeft) {
    if (!PressWidget(static_cast<float>(x), static_cast<float>(y))) panning = true;
    lastMouseX = x;
    lastMouseY = y;
  } else if (button == MouseButton::kMiddle) {
    zoomDragging = true;
    lastMouseY = y;
  }
}

void DisplayState::MouseRelease(MouseButton button) {
  if (button == MouseButton::kLeft) {
    panning = false;
    for (Slider* s : {&scaleSlider, &timeStepSlider, &lever}) s->active = false;
    for (Button* b : {&startStopButton, &resetButton, &leverResetButton}) b->pressed = false;
  } else if (button == MouseButton::kMiddle) {
    zoomDragging = false;
  }
}

// The target is kept within the range of the drag zoom, so that no number of
// notches can make it zero or infinite.
void DisplayState::MouseWheel(int direction) {
  targetZoom = ClampZoom(direction > 0 ? zoom * kWheelFactor : zoom / kWheelFactor);
}

// Dragging down by a row zooms by the ratio of the new row to the previous one.
// Rows at or above the window's top edge (0 or negative) give no ratio: the drag
// only takes the row as its new reference there.
void DisplayState::Motion(int x, int y) {
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  if (panning) {
    panX -= static_cast<float>(x - lastMouseX) / zoom;
    panY += static_cast<float>(y - lastMouseY) / zoom;
    lastMouseX = x;
    lastMouseY = y;
  } else if (zoomDragging) {
    if (lastMouseY > 0 && y > 0) {
      zoom = ClampZoom(zoom * fy / static_cast<float>(lastMouseY));
      targetZoom = zoom;
    }
    lastMouseY = y;
  } else if (scaleSlider.active) {
    scaleSlider.Drag(fx, fy);
    deformationScale = SliderFactor(scaleSlider.Value());
  } else if (timeStepSlider.active) {
    timeStepSlider.Drag(fx, fy);
    SetTimeStepFactor(SliderFactor(timeStepSlider.Value()));
  } else if (lever.active) {
    lever.Drag(fx, fy);
  }
}

void DisplayState::Key(unsigned char key) {
  switch (key) {
    case 'a':
      deformationScale = std::max(deformationScale / kKeyStep, kMinFactor);
      scaleSlider.SetValue(SliderValueOf(deformationScale));
      break;
    case 's':
      deformationScale = std::min(deformationScale * kKeyStep, kFactorRange);
      scaleSlider.SetValue(SliderValueOf(deformationScale));
      break;
    case 'q':
      SetTimeStepFactor(std::max(timeStepFactor / kKeyStep, kMinFactor));
      timeStepSlider.SetValue(SliderValueOf(timeStepFactor));
      break;
    case 'w':
      SetTimeStepFactor(std::min(timeStepFactor * kKeyStep, kFactorRange));
      timeStepSlider.SetValue(SliderValueOf(timeStepFactor));
      break;
    case 'p':
      running = !running;  // the button keeps its label
      break;
    default:
      break;
  }
}

void DisplayState::Special(SpecialKey key) {
  float& opacity = renderer.imageOpacity;
  if (key == SpecialKey::kF1) opacity = std::max(opacity - kOpacityStep, 0.0f);
  if (key == SpecialKey::kF2) opacity = std::min(opacity + kOpacityStep, 1.0f);
}

bool DisplayState::ToggleMenuEntry(int entry) {
  LayerVisibility& layers = renderer.layers;
  switch (entry) {
    case kMenuBodies:
      layers.bodies = !layers.bodies;
      return true;
    case kMenuNodes:
      layers.nodes = !layers.nodes;
      return true;
    case kMenuForces:
      layers.forces = !layers.forces;
      return true;
    case kMenuExtForces:
      layers.extForces = !layers.extForces;
      return true;
    case kMenuOutDisps:
      layers.outDisps = !layers.outDisps;
      return true;
    case kMenuCentrePoints:
      renderer.centrePoints = !renderer.centrePoints;
      return true;
    case kMenuFollow:
      follow = !follow;
      return true;
    case kMenuGrid:
      renderer.grid = !renderer.grid;
      return true;
    case kMenuUi:
      showUi = !showUi;
      return true;
    case kMenuBackground:
      renderer.background.enabled = !renderer.background.enabled;
      return true;
    case kMenuAntialiasing:
      antialiasing = !antialiasing;
      return true;
    default:
      return false;
  }
}

const char* DisplayState::MenuLabel(int entry) const {
  const LayerVisibility& layers = renderer.layers;
  bool on = true;
  switch (entry) {
    case kMenuBodies:
      on = layers.bodies;
      break;
    case kMenuNodes:
      on = layers.nodes;
      break;
    case kMenuForces:
      on = layers.forces;
      break;
    case kMenuExtForces:
      on = layers.extForces;
      break;
    case kMenuOutDisps:
      on = layers.outDisps;
      break;
    case kMenuCentrePoints:
      on = renderer.centrePoints;
      break;
    case kMenuFollow:
      on = follow;
      break;
    case kMenuGrid:
      on = renderer.grid;
      break;
    case kMenuUi:
      on = showUi;
      break;
    case kMenuBackground:
      on = renderer.background.enabled;
      break;
    case kMenuAntialiasing:
      on = antialiasing;
      break;
    case kMenuQuit:
      break;
    default:
      return "";
  }
  return kMenuLabels[entry - 1][on ? 0 : 1];
}

WorldView DisplayState::View() const {
  WorldView view;
  view.centreX = followX + panX;
  view.centreY = followY + panY;
  view.zoom = zoom;
  view.width = static_cast<float>(windowWidth);
  view.height = static_cast<float>(windowHeight);
  return view;
}

// Paced by the frames, the shown time advances by the display step in every
// running frame. Paced by the wall clock, it is the simulated time: it advances
// by the vehicle's time step for every step made.
void DisplayState::AdvanceFrame(int elapsedMs) {
  const int steps = StepsDue(elapsedMs);
  GlideZoom();
  levers = LeverLevelsOf(lever.Value());
  for (int i = 0; i < steps; ++i) {
    if (running && !realTimePacing) displayTime += displayStep;
    if (DecideStepInputs() != StepDecision::kStep) break;
    StepVehicle();
    if (realTimePacing) displayTime += vehicleTimeStep;
  }
  BuildDrawingState();
  ReadDriverView();
}

// Step k + 1 since the start ends at the simulated time (k + 1) DT, whatever the
// frames and the shown time did meanwhile. A step that breaks the vehicle state
// (the vehicle system names it on the console) stops the run until "Reset".
void DisplayState::StepVehicle() {
  if (vehicle == nullptr) return;
  vehicle->DoStep(brakeDemand, tractionForce);
  if (vehicle->StateBroken()) {
    running = false;
    startStopLabel = "Start";
    return;
  }
  ++stepsRun;
  series.Record(static_cast<double>(stepsRun) * vehicleTimeStep, brakeDemand, tractionForce,
                *vehicle);
}

// The wall-clock time that passes while running is owed to the vehicle and paid
// in whole steps. A frame makes at most kMaxPacedSteps of them and the debt
// never exceeds that many, so that after a stall the run goes on from where it
// was instead of racing to catch up.
int DisplayState::StepsDue(int elapsedMs) {
  if (!realTimePacing) return 1;
  const int passedMs = lastFrameMs < 0 ? 0 : std::max(0, elapsedMs - lastFrameMs);
  lastFrameMs = elapsedMs;
  if (!running) {
    pacingDebt = 0.0;
    return 0;
  }
  const double maxDebt = kMaxPacedSteps * vehicleTimeStep;
  pacingDebt = std::min(pacingDebt + passedMs / 1000.0, maxDebt);
  const int steps = std::min(static_cast<int>(pacingDebt / vehicleTimeStep), kMaxPacedSteps);
  pacingDebt -= steps * vehicleTimeStep;
  return steps;
}

// A few per cent per frame, never overshooting the target.
void DisplayState::GlideZoom() {
  if (std::fabs(zoom - targetZoom) < kGlideTolerance) return;
  zoom = zoom < targetZoom ? std::min(zoom * kGlideFactor, targetZoom)
                           : std::max(zoom / kGlideFactor, targetZoom);
}

// A replayed history supplies one row per running frame: the brake inputs of
// every axle, then the traction. When it runs out the display stops and takes
// the lever's inputs from then on. Columns the history lacks count as zero.
StepDecision DisplayState::DecideStepInputs() {
  const std::size_t axles = brakeDemand.size();
  if (predefinedForces) {
    if (!running) return StepDecision::kNone;
    if (historyRow >= history.num_rows()) {
      *console << kEndOfDataMessage << std::flush;
      running = false;
      predefinedForces = false;
      startStopLabel = "Start";
      return StepDecision::kEndOfData;
    }
    const std::size_t columns = static_cast<std::size_t>(history.num_cols());
    const auto cell = [&](std::size_t column) {
      return column < columns ? history[historyRow][static_cast<int>(column)] : 0.0;
    };
    for (std::size_t j = 0; j < axles; ++j) brakeDemand[j] = cell(j);
    tractionForce = cell(axles);
    ++historyRow;
    return StepDecision::kStep;
  }
  std::fill(brakeDemand.begin(), brakeDemand.end(),
            static_cast<double>(levers.brake) * kMaxBrakeInput);
  tractionForce = static_cast<double>(levers.traction) * kMaxTractionForce;
  return running ? StepDecision::kStep : StepDecision::kNone;
}

// The displacement half of the linear state (velocities come first), then the
// drawn turn of every wheelset from its travel.
void DisplayState::BuildDrawingState() {
  if (vehicle == nullptr) return;
  const std::vector<double>& state = vehicle->LinearState();
  const std::vector<double>& travel = vehicle->WheelTravel();
  const std::size_t n = static_cast<std::size_t>(resultValueCount);
  const std::size_t axles = q.size() - n;
  for (std::size_t j = 0; j < n; ++j) {
    q[j] = n + j < state.size() ? static_cast<float>(state[n + j]) : 0.0f;
  }
  for (std::size_t j = 0; j < axles; ++j) {
    q[n + j] = j < travel.size() ? static_cast<float>(kWheelTurnPerTravel * travel[j]) : 0.0f;
  }
  for (float& value : q) value *= deformationScale;
}

// The scene's box fills the window less a margin, centred. A box without width
// or height gives no zoom along that side; one without both leaves the zoom.
bool DisplayState::FitViewToScene(const BoundingBox& scene) {
  if (!fitPending) return false;
  fitPending = false;
  panX = 0.5f * (scene.minX + scene.maxX);
  panY = 0.5f * (scene.minY + scene.maxY);
  const float spanX = scene.maxX - scene.minX;
  const float spanY = scene.maxY - scene.minY;
  float fit = kMaxZoom;
  bool fitted = false;
  if (spanX > 0.0f) {
    fit = std::min(fit, (static_cast<float>(windowWidth) - kFitMargin) / spanX);
    fitted = true;
  }
  if (spanY > 0.0f) {
    fit = std::min(fit, (static_cast<float>(windowHeight) - kFitMargin) / spanY);
    fitted = true;
  }
  if (fitted && fit > 0.0f) zoom = ClampZoom(fit);
  return true;
}

void DisplayState::FollowDrawingState() {
  if (!follow) return;
  followX = q.size() > 0 ? q[0] : 0.0f;
  followY = q.size() > 1 ? q[1] : 0.0f;
}

double DisplayState::HudValue(int item) const {
  switch (item) {
    case kHudTime:
      return displayTime;
    case kHudTimestep:
      return displayStep;
    case kHudDefScale:
      return deformationScale;
    case kHudTraction:
      return levers.traction;
    case kHudBrake:
      return levers.brake;
    default:
      return 0.0;
  }
}

void DisplayState::FormatHudText(int item, HudBuffer& buffer) const {
  buffer[0] = '\0';
  if (item < 0 || item >= kHudItemCount) return;
  std::snprintf(buffer.data(), buffer.size(), hudTexts[static_cast<std::size_t>(item)].format,
                HudValue(item));
}

std::string DisplayState::HudString(int item) const {
  HudBuffer buffer;
  FormatHudText(item, buffer);
  return buffer.data();
}

PixelRect ValuesPanel(int windowHeight) {
  const float h = static_cast<float>(windowHeight);
  return {-2.0f, 400.0f, h - 120.0f, h + 2.0f};
}

PixelRect LeverPanel(int windowWidth, int windowHeight) {
  const float w = static_cast<float>(windowWidth);
  const float h = static_cast<float>(windowHeight);
  return {w - 150.0f, w + 2.0f, h - 210.0f, h + 2.0f};
}

void DisplayState::ReadDriverView() {
  if (vehicle == nullptr) return;
  speedKmh = VehicleSpeedKmh(*vehicle);
  distanceRun = DistanceRun(*vehicle);
  ReadSlipLamps(*vehicle, slipLamps);
}

bool DisplayState::DriverPanelFits() const {
  const PixelRect& panel = driverPanel.frame;
  return !panel.Overlaps(ValuesPanel(windowHeight)) &&
         !panel.Overlaps(LeverPanel(windowWidth, windowHeight)) &&
         !panel.Overlaps(startStopButton.Outline()) && !panel.Overlaps(resetButton.Outline());
}

void DisplayState::FormatDriverText(int item, HudBuffer& buffer) const {
  buffer[0] = '\0';
  if (item == kDriverSpeed) std::snprintf(buffer.data(), buffer.size(), kSpeedFormat, speedKmh);
  if (item == kDriverDistance) {
    std::snprintf(buffer.data(), buffer.size(), kDistanceFormat, distanceRun);
  }
}

std::string DisplayState::DriverString(int item) const {
  HudBuffer buffer;
  FormatDriverText(item, buffer);
  return buffer.data();
}
