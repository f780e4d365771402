#pragma once

// The state of the simulator window and everything it does with it that needs
// no window: the widgets and HUD texts and where they stand, the mouse, wheel and
// keyboard handling, the context menu's switches, and the work of one frame up to
// the drawing (the shown time, the zoom glide, the inputs of the vehicle step, the
// step itself and the drawing state). The window-system callbacks (Window.cpp)
// only translate their events into these calls and draw what this state holds.

#include <array>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "display/DriverView.h"
#include "display/OverlayFont.h"
#include "display/SceneGeometry.h"
#include "display/SceneRenderer.h"
#include "display/Textures.h"
#include "display/Widgets.h"
#include "linalg/Matrix.h"
#include "vehicle/Kelvra.h"
#include "vehicle/StepRecorder.h"
#include "visual/StyleManager.h"

// What the run driver hands to the display.
struct DisplayData {
  int resultValueCount = 0;       // number of DOF displacements at the front of q
  Matrix externalForceHistory;    // rows of brake inputs (columns 0..c-1) and traction (column c)
  bool predefinedForces = false;  // replay the history, one row per frame
  BackgroundRecord background;
  std::vector<StyleLink> links;
  StyleManager::StyleLists styles;
  // Off: one vehicle step per frame, as the timer paces the frames. On: as many
  // steps of `vehicleTimeStep` as keep the simulated time with the wall clock.
  bool realTimePacing = false;
  double vehicleTimeStep = 0.005;  // seconds
  // The time series of every vehicle run goes to "<seriesPrefix><result number>.csv";
  // without a prefix none is written.
  std::string seriesPrefix;
  // Told the name of a result file that cannot be opened for writing.
  std::function<void(const std::string&)> warnUnwritable;
};

// Copies the StyleManager's link list and its nine style lists into `data`.
void CopyVisualModel(const StyleManager& styleManager, DisplayData& data);

inline constexpr int kInitialWindowWidth = 1024;
inline constexpr int kInitialWindowHeight = 768;
inline constexpr int kTimerRate = 60;  // ticks per second requested
inline constexpr float kOverlayTextSize = 22.0f;

// The lever's full travel: traction at the top, the brakes of every axle at the bottom.
inline constexpr double kMaxTractionForce = 100000.0;
inline constexpr double kMaxBrakeInput = 25000.0;
// The shown time advances by this times the time-step factor per running frame.
inline constexpr double kBaseDisplayStep = 0.005;
// Drawn rotation of a wheelset per metre of wheel travel.
inline constexpr double kWheelTurnPerTravel = -0.46;

inline constexpr const char* kEndOfDataMessage =
    "End of pre-defined external force data, simulation stopped.\n"
    "Switching to Real-Time mode, continue simulation using the 'Start' button.\n";

// Traction and brake levels, each 0..1: the upper half of the lever pulls, the lower brakes.
struct LeverLevels {
  float traction = 0.0f;
  float brake = 0.0f;
};
LeverLevels LeverLevelsOf(float leverValue);

// A slider value v as the factor 50^(2v - 1): 0.02 at 0, 1 in the middle, 50 at 1.
float SliderFactor(float value);
// The slider value of a factor: the inverse of SliderFactor.
float SliderValueOf(float factor);

// The context menu's entries, numbered as the menu passes them back.
enum MenuEntry : int {
  kMenuBodies = 1,
  kMenuNodes,
  kMenuForces,
  kMenuExtForces,
  kMenuOutDisps,
  kMenuCentrePoints,
  kMenuFollow,
  kMenuGrid,
  kMenuUi,
  kMenuBackground,
  kMenuAntialiasing,
  kMenuQuit,
};
inline constexpr int kMenuEntryCount = 12;

enum class MouseButton { kLeft, kMiddle, kOther };
enum class SpecialKey { kF1, kF2, kOther };

// What the frame does with the vehicle.
enum class StepDecision {
  kNone,       // stopped: no step
  kStep,       // step with `brakeDemand` and `tractionForce`
  kEndOfData,  // the recorded history ran out: stopped, no step
};

// One HUD value: its printf format (one double) and the top-left corner of its text.
struct HudText {
  const char* format = "";
  float x = 0.0f;
  float y = 0.0f;
};
enum HudItem : int { kHudTime, kHudTimestep, kHudDefScale, kHudTraction, kHudBrake, kHudItemCount };
using HudBuffer = std::array<char, 100>;

// The two panels behind the HUD values and controls: the values and sliders at
// the bottom left, the lever at the bottom right.
PixelRect ValuesPanel(int windowHeight);
PixelRect LeverPanel(int windowWidth, int windowHeight);

// The lines of the driver's panel.
enum DriverItem : int { kDriverSpeed, kDriverDistance, kDriverItemCount };

// Ticks per second, counted over whole seconds of the elapsed time.
struct FrameRateCounter {
  int ticks = 0;
  int nextMarkMs = 1000;
  int framesPerSecond = 0;

  void Tick(int elapsedMs);
};

// The display holds pointers into itself (the buttons' labels and font), so it
// is neither copied nor moved: there is one for the whole process.
class DisplayState {
 public:
  DisplayState() = default;
  DisplayState(const DisplayState&) = delete;
  DisplayState& operator=(const DisplayState&) = delete;

  // Takes the vehicle to step, the run driver's data and the stream for the
  // vehicle's log and the display's messages; places the widgets and texts.
  void SetUp(Kelvra& vehicleSystem, DisplayData data, std::ostream& consoleStream);

  // --- Window events -------------------------------------------------------
  void Reshape(int width, int height);
  void MousePress(MouseButton button, int x, int y);
  void MouseRelease(MouseButton button);
  void MouseWheel(int direction);
  void Motion(int x, int y);
  void Key(unsigned char key);
  void Special(SpecialKey key);
  // Flips the switch of a menu entry; false for "Quit" and unknown entries,
  // which have none.
  bool ToggleMenuEntry(int entry);
  // The entry's label for the present state of its switch; empty for unknown entries.
  const char* MenuLabel(int entry) const;

  // --- One frame -------------------------------------------------------------
  // The world rectangle shown: centred on the followed point plus the pan.
  WorldView View() const;
  // Everything a frame does before drawing: glides the zoom, steps the vehicle
  // with this frame's inputs, advancing the shown time by a display step per
  // step, and rebuilds q. `elapsedMs` is the window system's clock, read by
  // real-time pacing only.
  void AdvanceFrame(int elapsedMs = 0);
  // Vehicle steps due in this frame: 1 without pacing.
  int StepsDue(int elapsedMs);
  // One step with the frame's inputs, recorded in the time series.
  void StepVehicle();
  void GlideZoom();
  StepDecision DecideStepInputs();
  void BuildDrawingState();
  // The first frame frames the whole scene; true when it did so now.
  bool FitViewToScene(const BoundingBox& scene);
  // The view keeps the followed point (q[0], q[1]) in its centre.
  void FollowDrawingState();

  // --- HUD -------------------------------------------------------------------
  double HudValue(int item) const;
  // The item's text formatted into `buffer` (cut at 99 characters).
  void FormatHudText(int item, HudBuffer& buffer) const;
  std::string HudString(int item) const;

  // --- Driver's panel --------------------------------------------------------
  // Speed, distance and slip lamps of the vehicle as it stands.
  void ReadDriverView();
  // The panel is drawn only where it covers none of the other controls.
  bool DriverPanelFits() const;
  void FormatDriverText(int item, HudBuffer& buffer) const;
  std::string DriverString(int item) const;

  // --- Time series -----------------------------------------------------------
  // Starts the time series of the vehicle as it stands: a new result number
  // names a new file, which gets the initial row at time 0. Each row reaches
  // the file at once, so closing the window loses none.
  void StartSeries();

  // Window and run.
  int windowWidth = kInitialWindowWidth;
  int windowHeight = kInitialWindowHeight;
  bool running = true;
  double displayTime = 0.0;               // seconds shown as "Time"
  double displayStep = kBaseDisplayStep;  // seconds per running frame
  float timeStepFactor = 1.0f;            // 0.02 .. 50
  float deformationScale = 1.0f;          // 0.02 .. 50, multiplies every drawn displacement
  FrameRateCounter frameRate;

  // View.
  float zoom = 30.0f;        // pixels per world unit
  float targetZoom = 30.0f;  // the zoom glides towards it
  float panX = 0.0f;
  float panY = 0.0f;
  float followX = 0.0f;
  float followY = 0.0f;
  bool follow = true;
  bool fitPending = true;

  // Layers and look; the scene renderer holds the per-kind switches, the centre
  // points, the grid, the background and the image opacity.
  bool showUi = true;
  bool antialiasing = true;
  SceneRenderer renderer;
  std::vector<StyleLink> links;
  StyleManager::StyleLists styles;
  OverlayFont font;
  FontTextures fontTextures;
  ImageTextures imageTextures;

  // Inputs of the vehicle step.
  Kelvra* vehicle = nullptr;
  bool realTimePacing = false;
  double vehicleTimeStep = 0.005;
  int lastFrameMs = -1;     // clock of the previous frame, -1 before the first
  double pacingDebt = 0.0;  // simulated seconds the vehicle is behind the wall clock
  std::ostream* console = nullptr;
  bool predefinedForces = false;
  Matrix history;
  int historyRow = 0;  // next row of the history to replay
  LeverLevels levers;
  std::vector<double> brakeDemand;  // one per axle
  double tractionForce = 0.0;

  // Time series of the vehicle since its start or last reset.
  std::string seriesPrefix;
  std::function<void(const std::string&)> warnUnwritable;
  StepRecorder series;
  std::string seriesFile;     // empty while none is written
  std::int64_t stepsRun = 0;  // vehicle steps since the start or the last reset

  // Driver's panel.
  DriverPanel driverPanel;
  double speedKmh = 0.0;
  double distanceRun = 0.0;              // metres
  std::vector<unsigned char> slipLamps;  // one per axle, 1 while its wheel slides

  // Drawing state: the DOF displacements, then one rotation per axle, all scaled.
  int resultValueCount = 0;
  std::vector<float> q;

  // Controls.
  Slider scaleSlider;
  Slider timeStepSlider;
  Slider lever;
  std::string startStopLabel = "Stop";
  std::string resetLabel = "Reset";
  std::string leverResetLabel = "Reset";
  Button startStopButton;
  Button resetButton;
  Button leverResetButton;
  std::array<HudText, kHudItemCount> hudTexts{};

  // Mouse.
  bool panning = false;
  bool zoomDragging = false;
  int lastMouseX = 0;
  int lastMouseY = 0;

 private:
  void ToggleRunning();
  void ResetVehicle();
  void SetTimeStepFactor(float factor);
  bool PressWidget(float x, float y);
  void WarnUnwritable(const std::string& fileName) const;
};
