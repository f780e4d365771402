#pragma once

// Where every control, HUD text and panel of the window stands, computed in one
// place from the window's size. From about 640 x 400 pixels up the controls keep
// their distances to the window edges they belong to at full size; a smaller
// window shrinks every size and distance by one factor, so that the panels and
// their contents never meet.

#include <array>
#include <vector>

#include "display/DriverView.h"
#include "display/Widgets.h"

inline constexpr float kOverlayTextSize = 22.0f;
// The smallest window that holds the HUD at full size.
inline constexpr int kFullSizeWidth = 640;
inline constexpr int kFullSizeHeight = 400;

// The HUD values, in the order of their texts.
enum HudItem : int { kHudTime, kHudTimestep, kHudDefScale, kHudTraction, kHudBrake, kHudItemCount };

struct TextPlace {
  float x = 0.0f;  // top-left corner
  float y = 0.0f;
};

struct SliderPlace {
  float x = 0.0f;  // top-left corner
  float y = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
};

struct ButtonPlace {
  float x = 0.0f;  // top-left corner
  float y = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
};

struct HudLayout {
  float scale = 1.0f;  // of every size and distance
  float textSize = kOverlayTextSize;
  // The values and their sliders at the bottom left, the lever at the bottom right.
  PixelRect valuesPanel;
  PixelRect leverPanel;
  SliderPlace scaleSlider;
  SliderPlace timeStepSlider;
  SliderPlace lever;
  ButtonPlace startStop;
  ButtonPlace reset;
  ButtonPlace leverReset;
  std::array<TextPlace, kHudItemCount> texts{};
  DriverPanel driver;

  // What the HUD covers of the scene: its three panels and the two buttons at
  // the top left.
  std::vector<PixelRect> Covering() const;
};

// The scale of the HUD in a window of this size: 1 from 640 x 400 up (wider for
// a vehicle of more than six axles, whose slip lamps widen the driver's panel,
// or of more than four with `wspLamps`, the slide protection's panel beside it).
float HudScale(int width, int height, int axles, bool wspLamps = false);

// The layout of a window of `width` x `height` with `axles` slip lamps, and as
// many lamps of the wheel slide protection with `wspLamps`. Until the window
// system reports the window's size for the first time (`reshaped` false) the
// lever, its reset button and the HUD texts stand a little apart from where
// every later size puts them.
HudLayout LayoutHud(int width, int height, int axles, bool reshaped = true, bool wspLamps = false);

// The rectangle a text of `characters` characters covers at `place`.
PixelRect TextRect(const TextPlace& place, int characters, float textSize);
// The track of a slider and the face of a button.
PixelRect SliderRect(const SliderPlace& place);
PixelRect ButtonRect(const ButtonPlace& place);
