#include "display/HudLayout.h"

#include <algorithm>

namespace {

// The grid's value labels run down a column ending this far from the right
// edge; the driver's panel stays left of it.
constexpr float kLabelColumnClearance = 95.0f;
// Right of the buttons at the top left, with a gap.
constexpr float kButtonsRight = 250.0f;

// A vehicle with many axles widens the driver's panel, and the slide
// protection's beside it; the window must then be wider to hold them beside
// the buttons at full size.
float FullSizeWidth(int axles, bool wspLamps) {
  const DriverPanel panel = DriverPanelAt(0.0f, axles, 1.0f);
  const float left = wspLamps ? panel.wspFrame.left : panel.frame.left;
  return std::max(static_cast<float>(kFullSizeWidth),
                  kButtonsRight + (panel.frame.right - left) + kLabelColumnClearance);
}

}  // namespace

float HudScale(int width, int height, int axles, bool wspLamps) {
  const float sx = static_cast<float>(width) / FullSizeWidth(axles, wspLamps);
  const float sy = static_cast<float>(height) / static_cast<float>(kFullSizeHeight);
  return std::clamp(std::min(sx, sy), 0.0f, 1.0f);
}

// Positions are written as distances from the window edge an item belongs to:
// the left or right edge, the top or bottom edge, all times the scale.
HudLayout LayoutHud(int width, int height, int axles, bool reshaped, bool wspLamps) {
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  const float s = HudScale(width, height, axles, wspLamps);
  HudLayout l;
  l.scale = s;
  l.textSize = s * kOverlayTextSize;
  l.valuesPanel = {-2.0f, s * 400.0f, h - s * 120.0f, h + 2.0f};
  l.leverPanel = {w - s * 150.0f, w + 2.0f, h - s * 210.0f, h + 2.0f};
  l.scaleSlider = {s * 220.0f, h - s * 40.0f, s * 150.0f, s * 18.0f};
  l.timeStepSlider = {s * 220.0f, h - s * 70.0f, s * 150.0f, s * 18.0f};
  l.startStop = {s * 20.0f, s * 20.0f, s * 100.0f, s * 30.0f};
  l.reset = {s * 140.0f, s * 20.0f, s * 100.0f, s * 30.0f};
  if (reshaped) {
    l.lever = {w - s * 49.0f, h - s * 165.0f, s * 18.0f, s * 110.0f};
    l.leverReset = {w - s * 130.0f, h - s * 125.0f, s * 60.0f, s * 30.0f};
    l.texts = {{{s * 20.0f, h - s * 95.0f},
                {s * 20.0f, h - s * 70.0f},
                {s * 20.0f, h - s * 45.0f},
                {w - s * 130.0f, h - s * 200.0f},
                {w - s * 130.0f, h - s * 50.0f}}};
  } else {
    l.lever = {w - s * 59.0f, h - s * 165.0f, s * 18.0f, s * 110.0f};
    l.leverReset = {w - s * 150.0f, h - s * 110.0f, s * 60.0f, s * 30.0f};
    l.texts = {{{s * 20.0f, h - s * 90.0f},
                {s * 20.0f, h - s * 75.0f},
                {s * 20.0f, h - s * 50.0f},
                {w - s * 130.0f, h - s * 180.0f},
                {w - s * 130.0f, h - s * 30.0f}}};
  }
  l.driver = DriverPanelAt(w - s * kLabelColumnClearance, axles, s);
  return l;
}

std::vector<PixelRect> HudLayout::Covering() const {
  return {valuesPanel, leverPanel, driver.frame, ButtonRect(startStop), ButtonRect(reset)};
}

PixelRect TextRect(const TextPlace& place, int characters, float textSize) {
  return {place.x, place.x + 0.5f * textSize * static_cast<float>(characters), place.y,
          place.y + textSize};
}

PixelRect SliderRect(const SliderPlace& place) {
  return {place.x, place.x + place.width, place.y, place.y + place.height};
}

PixelRect ButtonRect(const ButtonPlace& place) {
  return {place.x, place.x + place.width, place.y, place.y + place.height};
}
