#pragma once

// The on-screen controls: a slider with a round knob and a push button. Positions
// are overlay pixels, origin at the window's top-left corner, y down.

#include <string>

#include "display/Colours.h"
#include "display/OverlayFont.h"
#include "display/Textures.h"

// A rectangle in overlay pixels; left < right and top < bottom.
struct PixelRect {
  float left = 0.0f;
  float right = 0.0f;
  float top = 0.0f;
  float bottom = 0.0f;

  // True when the two share interior points; touching edges do not overlap.
  bool Overlaps(const PixelRect& other) const;
};

struct Slider {
  float width = 0.0f;
  float height = 0.0f;
  float x = 0.0f;  // left edge
  float y = 0.0f;  // top edge
  float knobX = 0.0f;
  float knobY = 0.0f;
  float valueX = 0.5f;  // 0 at the left edge, 1 at the right
  float valueY = 0.5f;  // 1 at the top edge, 0 at the bottom
  bool horizontal = true;
  bool active = false;  // the slider holds the mouse
  Rgba fillColor = kHighlightBlueTranslucent;
  Rgba lineColor = kHighlightBlue;

  // Places the slider with its knob centred and both values at 0.5.
  void SetUp(bool isHorizontal, float left, float top, float trackWidth, float trackHeight);
  // Moves the slider to a new top-left corner and size, keeping its value.
  void Place(float left, float top, float trackWidth, float trackHeight);
  // Stores v, clamped to [0, 1], as the value along the track and moves the knob to it.
  void SetValue(float v);
  // valueX for a horizontal slider, valueY for a vertical one.
  float Value() const { return horizontal ? valueX : valueY; }
  // On a press inside the track widened by the knob radius along it (strictly
  // inside), jumps the knob to the press and returns true; otherwise changes nothing.
  bool Grab(float mx, float my);
  // Moves the knob to the mouse, clamped to the track, and updates both values.
  void Drag(float mx, float my);
  void Draw() const;
};

struct Button {
  float width = 0.0f;
  float height = 0.0f;
  float x = 0.0f;  // left edge
  float y = 0.0f;  // top edge
  bool pressed = false;
  Rgba fillColor{0.2f, 0.2f, 0.2f, 1.0f};
  Rgba borderColor{0.5f, 0.5f, 0.5f, 1.0f};
  float borderWidth = 0.0f;  // outline width, also the hit margin
  const OverlayFont* font = nullptr;
  float textSize = 22.0f;
  const FontTextures* fontTextures = nullptr;
  const std::string* label = nullptr;  // owned by the caller, who may change it at any time

  // The button keeps references to `caption`, `overlayFont` and `textures`.
  void SetUp(const std::string& caption, float left, float top, float buttonWidth,
             float buttonHeight, float border, const OverlayFont& overlayFont,
             const FontTextures& textures, float labelSize);
  // True when the press lies strictly inside the button widened by the border width.
  bool Hit(float mx, float my) const;
  // Top-left corner of the centred label.
  float LabelX() const;
  float LabelY() const;
  void Draw() const;
};
