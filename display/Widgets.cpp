#include "display/Widgets.h"

#include <algorithm>

namespace {

// NaN, which no comparison passes, ends at 0.
float ClampUnit(float v) {
  return v > 1.0f ? 1.0f : (v > 0.0f ? v : 0.0f);
}

}  // namespace

bool PixelRect::Overlaps(const PixelRect& other) const {
  return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
}

void Slider::SetUp(bool isHorizontal, float left, float top, float trackWidth, float trackHeight) {
  horizontal = isHorizontal;
  x = left;
  y = top;
  width = trackWidth;
  height = trackHeight;
  knobX = x + width * 0.5f;
  knobY = y + height * 0.5f;
  valueX = 0.5f;
  valueY = 0.5f;
  active = false;
}

void Slider::Place(float left, float top, float trackWidth, float trackHeight) {
  x = left;
  y = top;
  width = trackWidth;
  height = trackHeight;
  SetValue(Value());
}

void Slider::SetValue(float v) {
  (horizontal ? valueX : valueY) = ClampUnit(v);
  knobX = valueX * width + x;
  knobY = (1.0f - valueY) * height + y;
}

// The knob may stick out of the track by its radius (half the track's thickness),
// so a press beyond the end of the track but on the knob still grabs it.
bool Slider::Grab(float mx, float my) {
  const float marginX = horizontal ? height * 0.5f : 0.0f;
  const float marginY = horizontal ? 0.0f : width * 0.5f;
  const bool inside =
      x - marginX < mx && mx < x + width + marginX && y - marginY < my && my < y + height + marginY;
  if (!inside) return false;
  Drag(mx, my);
  return true;
}

void Slider::Drag(float mx, float my) {
  knobX = std::clamp(mx, x, x + width);
  knobY = std::clamp(my, y, y + height);
  valueX = (knobX - x) / width;
  valueY = 1.0f - (knobY - y) / height;
}

void Button::SetUp(const std::string& caption, float left, float top, float buttonWidth,
                   float buttonHeight, float border, const OverlayFont& overlayFont,
                   const FontTextures& textures, float labelSize) {
  label = &caption;
  x = left;
  y = top;
  width = buttonWidth;
  height = buttonHeight;
  borderWidth = border;
  font = &overlayFont;
  fontTextures = &textures;
  textSize = labelSize;
  pressed = false;
}

bool Button::Hit(float mx, float my) const {
  const float m = borderWidth;
  return x - m < mx && mx < x + width + m && y - m < my && my < y + height + m;
}

float Button::LabelX() const {
  const float labelWidth =
      font != nullptr && label != nullptr ? TextWidth(*font, *label, textSize) : 0.0f;
  return x + width * 0.5f - labelWidth * 0.5f;
}

float Button::LabelY() const {
  return y + height * 0.5f - textSize * 0.5f;
}
