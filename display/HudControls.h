#pragma once

// The controls and the head-up display of the window: the sliders, the lever,
// the buttons and the HUD values with the settings they edit (deformation
// scale, time-step factor, the shown time) and the keyboard. Every position
// comes from the layout (HudLayout.h); what the Start/Stop and Reset buttons do
// to the vehicle run is the display's business, told by the press results.

#include <array>
#include <string>

#include "display/HudLayout.h"
#include "display/OverlayFont.h"
#include "display/Textures.h"
#include "display/VehicleRun.h"
#include "display/Widgets.h"

// The shown time advances by this times the time-step factor per running frame.
inline constexpr double kBaseDisplayStep = 0.005;

// A slider value v as the factor 50^(2v - 1): 0.02 at 0, 1 in the middle, 50 at 1.
float SliderFactor(float value);
// The slider value of a factor: the inverse of SliderFactor.
float SliderValueOf(float factor);

// What a left press on the controls asks of the display.
enum class ControlPress {
  kMissed,     // on no control: the view pans
  kTaken,      // a slider or the lever's reset button took it
  kStartStop,  // toggle running and relabel the button
  kReset,      // start the vehicle over
};

class HudControls {
 public:
  // Places the controls and texts for a window of `width` x `height` before its
  // first reshape, with room for the slide protection's lamps with
  // `wspLamps`; the buttons draw their labels with `font`.
  void SetUp(int width, int height, int axles, const OverlayFont& font,
             const FontTextures& fontTextures, bool wspLamps = false);
  // Moves and sizes every control and text for the new window size.
  void Reshape(int width, int height);

  // Sliders first, then the buttons; the controls are hit whether shown or not.
  ControlPress Press(float x, float y);
  // Moves the held slider; false when none is held.
  bool Drag(float x, float y);
  // Lets go of every slider and button.
  void Release();
  // The keys of the deformation scale and the time-step factor; true for "p",
  // which pauses or resumes the run without relabelling the button.
  bool Key(unsigned char key);
  // The Start/Stop button's label for the run state.
  void ShowRunning(bool running) { startStopLabel = running ? "Stop" : "Start"; }

  // Under real-time pacing the time-step control sets the pace of the run.
  void SetPaced(bool paced) { pacedRun = paced; }
  float Pace() const { return timeStepFactor; }

  // The lever's levels for this frame; read once per frame.
  void ReadLever() { levers = LeverLevelsOf(lever.Value()); }

  double HudValue(int item) const;
  // The item's text formatted into `buffer` (cut at 99 characters).
  void FormatHudText(int item, HudBuffer& buffer) const;
  std::string HudString(int item) const;

  int windowWidth = 1024;
  int windowHeight = 768;
  HudLayout layout;
  bool showUi = true;
  bool antialiasing = true;
  double displayTime = 0.0;               // seconds shown as "Time"
  double displayStep = kBaseDisplayStep;  // seconds per running frame
  float timeStepFactor = 1.0f;            // 0.02 .. 50
  float deformationScale = 1.0f;          // 0.02 .. 50, multiplies every drawn displacement
  LeverLevels levers;

  Slider scaleSlider;
  Slider timeStepSlider;
  Slider lever;
  std::string startStopLabel = "Stop";
  std::string resetLabel = "Reset";
  std::string leverResetLabel = "Reset";
  Button startStopButton;
  Button resetButton;
  Button leverResetButton;

 private:
  void ApplyLayout();
  void SetTimeStepFactor(float factor);

  int axleCount = 0;
  bool wspLampRoom = false;
  bool pacedRun = false;
};
