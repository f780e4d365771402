#pragma once

// Colours of the display: the visual model's RGBA arrays (red, green, blue,
// alpha in [0, 1]) and the highlight colours of the user interface.

#include "visual/StyleRecords.h"

// The knob outline, the HUD frames; translucent: the knob fill and the pressed button.
inline constexpr Rgba kHighlightBlue{0.2157f, 0.7098f, 0.898f, 1.0f};
inline constexpr Rgba kHighlightBlueTranslucent{0.2157f, 0.7098f, 0.898f, 0.5f};
inline constexpr Rgba kWhite{1.0f, 1.0f, 1.0f, 1.0f};
