#include "display/DisplayState.h"

#include <algorithm>
#include <tuple>
#include <type_traits>
#include <utility>

namespace {

constexpr float kOpacityStep = 0.1f;

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

}  // namespace

void CopyVisualModel(const StyleManager& styleManager, DisplayData& data) {
  data.links = styleManager.Links();
  std::apply(
      [&](auto&... lists) {
        ((lists = styleManager.Styles<typename std::decay_t<decltype(lists)>::value_type>()), ...);
      },
      data.styles);
}

double WheelTurn(double travel, double radius) {
  return radius > 0.0 ? -travel / radius : 0.0;
}

void BuildDrawingState(const Kelvra& vehicle, int dofCount, const std::vector<double>& wheelRadii,
                       float scale, std::vector<float>& q) {
  const std::vector<double>& state = vehicle.LinearState();
  const std::vector<double>& travel = vehicle.WheelTravel();
  const std::size_t n = std::min(static_cast<std::size_t>(std::max(dofCount, 0)), q.size());
  for (std::size_t j = 0; j < n; ++j) {
    q[j] = n + j < state.size() ? static_cast<float>(state[n + j]) : 0.0f;
  }
  for (std::size_t j = 0; n + j < q.size(); ++j) {
    const double radius = j < wheelRadii.size() ? wheelRadii[j] : 0.0;
    q[n + j] = j < travel.size() ? static_cast<float>(WheelTurn(travel[j], radius)) : 0.0f;
  }
  for (float& value : q) value *= scale;
}

void FrameRateCounter::Tick(int elapsedMs) {
  ++ticks;
  if (elapsedMs < nextMarkMs) return;
  framesPerSecond = ticks;
  nextMarkMs = elapsedMs + 1000;
  ticks = 0;
}

void DisplayState::SetUp(Kelvra& vehicleSystem, DisplayData data, std::ostream& consoleStream) {
  resultValueCount = std::max(0, data.resultValueCount);
  wheelRadii = std::move(data.wheelRadii);
  renderer.background = data.background;
  links = std::move(data.links);
  styles = std::move(data.styles);
  run.SetUp(vehicleSystem, std::move(data.run), consoleStream);
  const int axles = std::max(0, vehicleSystem.AxleCount());
  q.assign(static_cast<std::size_t>(resultValueCount + axles), 0.0f);
  controls.SetUp(kInitialWindowWidth, kInitialWindowHeight, axles, font, fontTextures,
                 vehicleSystem.LineParts().Wsp.Enabled());
  controls.SetPaced(run.Paced());
}

void DisplayState::Reshape(int width, int height) {
  controls.Reshape(width, height);
}

void DisplayState::MousePress(MouseButton button, int x, int y) {
  if (button == MouseButton::kMiddle) {
    view.StartZoomDrag(y);
    return;
  }
  if (button != MouseButton::kLeft) return;
  switch (controls.Press(static_cast<float>(x), static_cast<float>(y))) {
    case ControlPress::kMissed:
      view.StartPanning(x, y);
      break;
    case ControlPress::kStartStop:
      run.SetRunning(!run.Running());
      controls.ShowRunning(run.Running());
      break;
    case ControlPress::kReset:
      run.Reset();
      break;
    case ControlPress::kTaken:
      break;
  }
}

void DisplayState::MouseRelease(MouseButton button) {
  if (button == MouseButton::kLeft) {
    view.StopPanning();
    controls.Release();
  } else if (button == MouseButton::kMiddle) {
    view.StopZoomDrag();
  }
}

// A drag moves the view when it started on empty space, else the held control.
void DisplayState::Motion(int x, int y) {
  if (!view.Drag(x, y)) controls.Drag(static_cast<float>(x), static_cast<float>(y));
}

void DisplayState::Key(unsigned char key) {
  if (controls.Key(key)) run.SetRunning(!run.Running());
}

void DisplayState::Special(SpecialKey key) {
  float& opacity = renderer.imageOpacity;
  if (key == SpecialKey::kF1) opacity = std::max(opacity - kOpacityStep, 0.0f);
  if (key == SpecialKey::kF2) opacity = std::min(opacity + kOpacityStep, 1.0f);
}

// One table for the switching and the labels: bool* or const bool* after `self`.
template <typename Self>
auto DisplayState::MenuSwitch(Self& self, int entry) -> decltype(&self.view.follow) {
  auto& layers = self.renderer.layers;
  switch (entry) {
    case kMenuBodies:
      return &layers.bodies;
    case kMenuNodes:
      return &layers.nodes;
    case kMenuForces:
      return &layers.forces;
    case kMenuExtForces:
      return &layers.extForces;
    case kMenuOutDisps:
      return &layers.outDisps;
    case kMenuCentrePoints:
      return &self.renderer.centrePoints;
    case kMenuFollow:
      return &self.view.follow;
    case kMenuGrid:
      return &self.renderer.grid;
    case kMenuUi:
      return &self.controls.showUi;
    case kMenuBackground:
      return &self.renderer.background.enabled;
    case kMenuAntialiasing:
      return &self.controls.antialiasing;
    default:
      return nullptr;
  }
}

bool DisplayState::ToggleMenuEntry(int entry) {
  bool* on = MenuSwitch(*this, entry);
  if (on == nullptr) return false;
  *on = !*on;
  return true;
}

const char* DisplayState::MenuLabel(int entry) const {
  if (entry < 1 || entry > kMenuEntryCount) return "";
  const bool* on = MenuSwitch(*this, entry);
  return kMenuLabels[entry - 1][on == nullptr || *on ? 0 : 1];
}

// Paced by the frames, the shown time advances by the display step in every
// frame that starts running. Paced by the wall clock, it is the simulated time:
// it advances by the vehicle's time step for every step made.
void DisplayState::AdvanceFrame(int elapsedMs) {
  view.GlideZoom();
  controls.ReadLever();
  if (run.Running() && !run.Paced()) controls.displayTime += controls.displayStep;
  const FrameOutcome outcome = run.AdvanceFrame({controls.levers, controls.Pace(), elapsedMs});
  if (run.Paced()) controls.displayTime += outcome.steps * run.TimeStep();
  if (outcome.stoppedItself) controls.ShowRunning(false);
  if (run.Vehicle() != nullptr) {
    BuildDrawingState(*run.Vehicle(), resultValueCount, wheelRadii, controls.deformationScale, q);
  }
}

bool DisplayState::FitViewToScene(const BoundingBox& scene) {
  return view.FitToScene(scene, controls.windowWidth, controls.windowHeight);
}
