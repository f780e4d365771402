#pragma once

// The simulator window: a freeglut window in which every timer tick steps the
// vehicle once, draws the deformed model and overlays the HUD with its sliders
// and buttons. The state behind it lives in DisplayState.h.

#include <ostream>

#include "display/DisplayState.h"
#include "vehicle/Kelvra.h"

inline constexpr const char* kWindowTitle =
    "Kelvra + Tomlex(w/ OpenGL) = Real-time 17DoF train simulator";

// Needs a current OpenGL context. Loads the pictures of the IMAGE styles, the
// background and the font, and sets the drawing state of the window.
void PrepareDrawing(DisplayState& display, std::ostream& console);

// Needs a current OpenGL context prepared by PrepareDrawing. One frame into the
// back buffer: the vehicle steps, then the scene and the HUD are drawn.
void DrawFrame(DisplayState& display);

// Resets the process's display state to its start values with the run driver's
// data, starts the window system with the command-line arguments (it takes the
// ones meant for it out of argv) and the image library. The display steps
// `vehicle`, which must outlive the process's main loop.
void SetUpDisplay(int argc, char** argv, Kelvra& vehicle, DisplayData data);

// Opens the window, loads the pictures, starts the time series, draws the first
// frame and runs the window system's main loop. Closing the window or choosing "Quit" ends the
// session (the time series is closed and told, see VehicleRunData) and the process with exit
// code 0.
[[noreturn]] void RunDisplay();
