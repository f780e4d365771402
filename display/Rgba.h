#pragma once

// A colour as red, green, blue and alpha, each in [0, 1].
struct Rgba {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float a = 1.0f;
};

// The highlight colour of the user interface: the knob outline, the pressed button, the HUD frames.
inline constexpr Rgba kHighlightBlue{0.2157f, 0.7098f, 0.898f, 1.0f};
inline constexpr Rgba kHighlightBlueTranslucent{0.2157f, 0.7098f, 0.898f, 0.5f};
