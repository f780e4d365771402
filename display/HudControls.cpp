#include "display/HudControls.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr float kFactorRange = 50.0f;  // sliders span 1/50 .. 50
constexpr float kMinFactor = 1.0f / kFactorRange;
constexpr float kKeyStep = 1.1f;  // per key press, in single precision
constexpr float kButtonBorder = 2.0f;
// Paces within half a per cent of the real one read as real time.
constexpr float kRealPaceTolerance = 0.005f;

const char* const kHudFormats[kHudItemCount] = {
    "Time: %6.4f", "Timestep: %6.4f", "Def. scale: %4.2f", "Trac.: %4.2f", "Brake: %4.2f",
};
const char* const kPaceFormats[3] = {"Pace: %5.2fx slow", "Pace: %5.2fx", "Pace: %5.2fx fast"};

void PlaceButton(Button& button, const ButtonPlace& place, float textSize) {
  button.x = place.x;
  button.y = place.y;
  button.width = place.width;
  button.height = place.height;
  button.textSize = textSize;
}

void PlaceSlider(Slider& slider, const SliderPlace& place) {
  slider.Place(place.x, place.y, place.width, place.height);
}

}  // namespace

float SliderFactor(float value) {
  return std::pow(kFactorRange, 2.0f * value - 1.0f);
}

float SliderValueOf(float factor) {
  return (std::log(factor) / std::log(kFactorRange) + 1.0f) * 0.5f;
}

void HudControls::SetUp(int width, int height, int axles, const OverlayFont& font,
                        const FontTextures& fontTextures, bool wspLamps) {
  windowWidth = width;
  windowHeight = height;
  axleCount = axles;
  wspLampRoom = wspLamps;
  layout = LayoutHud(width, height, axles, false, wspLamps);
  scaleSlider.SetUp(true, 0.0f, 0.0f, 0.0f, 0.0f);
  timeStepSlider.SetUp(true, 0.0f, 0.0f, 0.0f, 0.0f);
  lever.SetUp(false, 0.0f, 0.0f, 0.0f, 0.0f);
  startStopButton.SetUp(startStopLabel, 0.0f, 0.0f, 0.0f, 0.0f, kButtonBorder, font, fontTextures,
                        kOverlayTextSize);
  resetButton.SetUp(resetLabel, 0.0f, 0.0f, 0.0f, 0.0f, kButtonBorder, font, fontTextures,
                    kOverlayTextSize);
  leverResetButton.SetUp(leverResetLabel, 0.0f, 0.0f, 0.0f, 0.0f, kButtonBorder, font, fontTextures,
                         kOverlayTextSize);
  ApplyLayout();
}

// A size of 0 counts as 1.
void HudControls::Reshape(int width, int height) {
  windowWidth = std::max(width, 1);
  windowHeight = std::max(height, 1);
  layout = LayoutHud(windowWidth, windowHeight, axleCount, true, wspLampRoom);
  ApplyLayout();
}

void HudControls::ApplyLayout() {
  PlaceSlider(scaleSlider, layout.scaleSlider);
  PlaceSlider(timeStepSlider, layout.timeStepSlider);
  PlaceSlider(lever, layout.lever);
  PlaceButton(startStopButton, layout.startStop, layout.textSize);
  PlaceButton(resetButton, layout.reset, layout.textSize);
  PlaceButton(leverResetButton, layout.leverReset, layout.textSize);
}

void HudControls::SetTimeStepFactor(float factor) {
  timeStepFactor = factor;
  displayStep = kBaseDisplayStep * static_cast<double>(factor);
}

ControlPress HudControls::Press(float x, float y) {
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
    return ControlPress::kStartStop;
  } else if (resetButton.Hit(x, y)) {
    resetButton.pressed = true;
    lever.SetValue(0.5f);
    return ControlPress::kReset;
  } else if (leverResetButton.Hit(x, y)) {
    leverResetButton.pressed = true;
    lever.SetValue(0.5f);
  } else {
    return ControlPress::kMissed;
  }
  return ControlPress::kTaken;
}

bool HudControls::Drag(float x, float y) {
  if (scaleSlider.active) {
    scaleSlider.Drag(x, y);
    deformationScale = SliderFactor(scaleSlider.Value());
  } else if (timeStepSlider.active) {
    timeStepSlider.Drag(x, y);
    SetTimeStepFactor(SliderFactor(timeStepSlider.Value()));
  } else if (lever.active) {
    lever.Drag(x, y);
  } else {
    return false;
  }
  return true;
}

void HudControls::Release() {
  for (Slider* s : {&scaleSlider, &timeStepSlider, &lever}) s->active = false;
  for (Button* b : {&startStopButton, &resetButton, &leverResetButton}) b->pressed = false;
}

bool HudControls::Key(unsigned char key) {
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
      return true;
    default:
      break;
  }
  return false;
}

double HudControls::HudValue(int item) const {
  switch (item) {
    case kHudTime:
      return displayTime;
    case kHudTimestep:
      return pacedRun ? timeStepFactor : displayStep;
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

// Paced by the wall clock the time-step control sets the pace, and its text says
// how fast the run goes against real time.
void HudControls::FormatHudText(int item, HudBuffer& buffer) const {
  buffer[0] = '\0';
  if (item < 0 || item >= kHudItemCount) return;
  const char* format = kHudFormats[item];
  if (item == kHudTimestep && pacedRun) {
    const float off = timeStepFactor - 1.0f;
    format = kPaceFormats[off < -kRealPaceTolerance ? 0 : (off > kRealPaceTolerance ? 2 : 1)];
  }
  std::snprintf(buffer.data(), buffer.size(), format, HudValue(item));
}

std::string HudControls::HudString(int item) const {
  HudBuffer buffer;
  FormatHudText(item, buffer);
  return buffer.data();
}
