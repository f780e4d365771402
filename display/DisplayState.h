#pragma once

// The state of the simulator window and everything it does with it that needs
// no window, in three parts: the view (ViewState.h), the controls and the HUD
// (HudControls.h) and the run of the vehicle (VehicleRun.h), joined here with
// the scene they draw. The window-system callbacks (Window.cpp) only translate
// their events into these calls and draw what this state holds.

#include <ostream>
#include <string>
#include <vector>

#include "display/HudControls.h"
#include "display/OverlayFont.h"
#include "display/SceneGeometry.h"
#include "display/SceneRenderer.h"
#include "display/Textures.h"
#include "display/VehicleRun.h"
#include "display/ViewState.h"
#include "vehicle/Kelvra.h"
#include "visual/StyleManager.h"

// What the run driver hands to the display.
struct DisplayData {
  int resultValueCount = 0;  // number of DOF displacements at the front of q
  // The radius of every wheel in the model file, in the vehicle's axle order:
  // a wheel turns by its travel over its radius.
  std::vector<double> wheelRadii;
  BackgroundRecord background;
  std::vector<StyleLink> links;
  StyleManager::StyleLists styles;
  VehicleRunData run;
};

// Copies the StyleManager's link list and its nine style lists into `data`.
void CopyVisualModel(const StyleManager& styleManager, DisplayData& data);

inline constexpr int kInitialWindowWidth = 1024;
inline constexpr int kInitialWindowHeight = 768;
inline constexpr int kTimerRate = 60;  // ticks per second requested

// The drawn turn of a wheel that has travelled `travel` metres on its tread:
// rolling forwards (+x) turns it clockwise; a wheel without a radius stands.
double WheelTurn(double travel, double radius);

// The drawing state q: the displacement half of the linear state (velocities come
// first) for the first `dofCount` entries, then the turn of every wheel, all
// times `scale`. q keeps its length.
void BuildDrawingState(const Kelvra& vehicle, int dofCount, const std::vector<double>& wheelRadii,
                       float scale, std::vector<float>& q);

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
  // vehicle's log and the display's messages; places the controls and texts.
  void SetUp(Kelvra& vehicleSystem, DisplayData data, std::ostream& consoleStream);

  // --- Window events -------------------------------------------------------
  void Reshape(int width, int height);
  void MousePress(MouseButton button, int x, int y);
  void MouseRelease(MouseButton button);
  void MouseWheel(int direction) { view.Wheel(direction); }
  void Motion(int x, int y);
  void Key(unsigned char key);
  void Special(SpecialKey key);
  // Flips the switch of a menu entry; false for "Quit" and unknown entries,
  // which have none.
  bool ToggleMenuEntry(int entry);
  // The entry's label for the present state of its switch; empty for unknown entries.
  const char* MenuLabel(int entry) const;

  // --- One frame -------------------------------------------------------------
  WorldView View() const { return view.View(controls.windowWidth, controls.windowHeight); }
  // Everything a frame does before drawing: glides the zoom, steps the vehicle
  // with this frame's inputs, advances the shown time and rebuilds q.
  // `elapsedMs` is the window system's clock, read by real-time pacing only.
  void AdvanceFrame(int elapsedMs = 0);
  // The first frame frames the whole scene; true when it did so now.
  bool FitViewToScene(const BoundingBox& scene);
  void FollowDrawingState() { view.Follow(q); }

  ViewState view;
  HudControls controls;
  VehicleRun run;
  FrameRateCounter frameRate;

  // The scene and what it is drawn with.
  SceneRenderer renderer;
  std::vector<StyleLink> links;
  StyleManager::StyleLists styles;
  OverlayFont font;
  FontTextures fontTextures;
  ImageTextures imageTextures;
  int resultValueCount = 0;
  std::vector<double> wheelRadii;
  // Drawing state: the DOF displacements, then one turn per wheel, all scaled.
  std::vector<float> q;

 private:
  // The switch a menu entry flips; null for "Quit" and unknown entries.
  template <typename Self>
  static auto MenuSwitch(Self& self, int entry) -> decltype(&self.view.follow);
};
