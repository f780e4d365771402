#include "display/Window.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "display/DrawRoutines.h"

namespace {

// The one display of the process, shared by the window-system callbacks.
std::unique_ptr<DisplayState> display;

constexpr Rgba kClearColour{0.33f, 0.61f, 0.8f, 1.0f};
constexpr Rgba kPanelFill{0.0f, 0.0f, 0.0f, 0.5f};

void SetWorldProjection(const WorldView& view) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(view.MinX(), view.MaxX(), view.MinY(), view.MaxY(), -100.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void ApplyAntialiasing(bool on) {
  for (const GLenum capability : {GL_LINE_SMOOTH, GL_POLYGON_SMOOTH}) {
    if (on) {
      glEnable(capability);
    } else {
      glDisable(capability);
    }
  }
}

void SetInitialGlState() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  ApplyAntialiasing(true);
  glShadeModel(GL_SMOOTH);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glAlphaFunc(GL_GREATER, 0.01f);
  glHint(GL_LINE_SMOOTH_HINT, GL_DONT_CARE);
  glClearColor(kClearColour[0], kClearColour[1], kClearColour[2], kClearColour[3]);
  glClearDepth(2.0);
}

// The background needs a texture slot, which only a background registered
// before the pictures were loaded has. Grid labels keep clear of the HUD.
void DrawScene(DisplayState& d, const WorldView& view) {
  if (d.renderer.background.slot >= 0) d.renderer.DrawBackground(view, d.imageTextures);
  if (d.renderer.grid) {
    const std::vector<PixelRect> covered =
        d.controls.showUi ? d.controls.layout.Covering() : std::vector<PixelRect>();
    d.renderer.DrawGrid(view, d.font, d.fontTextures, covered);
  }
  d.renderer.DrawLinks(d.q, d.links, d.styles, d.imageTextures);
}

void DrawPanel(const PixelRect& r) {
  DrawFramedRectangle(kPanelFill, kHighlightBlue, r.left, r.right, r.top, r.bottom, 2.0f);
}

// Speed, distance and the applied forces, then a lamp per axle that lights in
// the accent colour while its wheel slides, each with its axle's number.
void DrawDriverPanel(const DisplayState& d) {
  const DriverPanel& p = d.controls.layout.driver;
  const DriverReadout& readout = d.run.Readout();
  const float size = p.textSize;
  DrawPanel(p.frame);
  HudBuffer text;
  for (int item = 0; item < kDriverItemCount; ++item) {
    FormatDriverText(readout, item, text);
    DrawText(text.data(), p.textX, p.lineY[item], size, kWhite, d.font, d.fontTextures);
  }
  DrawText(kSlipLabel, p.textX, p.slipY, size, kWhite, d.font, d.fontTextures);
  for (std::size_t i = 0; i < readout.slipLamps.size(); ++i) {
    const PixelRect lamp = p.Lamp(static_cast<int>(i));
    DrawFramedRectangle(readout.slipLamps[i] != 0 ? kHighlightBlue : kPanelFill, kHighlightBlue,
                        lamp.left, lamp.right, lamp.top, lamp.bottom, 2.0f);
    const std::string number = std::to_string(i + 1);
    const float x = 0.5f * (lamp.left + lamp.right - TextWidth(d.font, number, size));
    const float y = 0.5f * (lamp.top + lamp.bottom - size);
    DrawText(number, x, y, size, kWhite, d.font, d.fontTextures);
  }
}

// Under the driver's panel while the wheel slide protection is on: a lamp per
// axle, dark while its valve lets the brake follow the demand, half lit while
// it holds the brake and lit while it vents it.
void DrawWspLamps(const DisplayState& d) {
  const DriverReadout& readout = d.run.Readout();
  if (readout.wspLamps.empty()) return;
  const DriverPanel& p = d.controls.layout.driver;
  const float size = p.textSize;
  DrawPanel(p.wspFrame);
  DrawText(kWspLabel, p.wspTextX, p.wspY, size, kWhite, d.font, d.fontTextures);
  for (std::size_t i = 0; i < readout.wspLamps.size(); ++i) {
    const PixelRect lamp = p.WspLamp(static_cast<int>(i));
    const auto valve = static_cast<WspValve>(readout.wspLamps[i]);
    const Rgba fill = valve == WspValve::Dump   ? kHighlightBlue
                      : valve == WspValve::Hold ? kHighlightBlueTranslucent
                                                : kPanelFill;
    DrawFramedRectangle(fill, kHighlightBlue, lamp.left, lamp.right, lamp.top, lamp.bottom, 2.0f);
    const std::string number = std::to_string(i + 1);
    const float x = 0.5f * (lamp.left + lamp.right - TextWidth(d.font, number, size));
    const float y = 0.5f * (lamp.top + lamp.bottom - size);
    DrawText(number, x, y, size, kWhite, d.font, d.fontTextures);
  }
}

// Under the vehicle, where the line is not level or the adhesion not the
// same everywhere: the gradient and the adhesion level its axles meet.
void DrawLineReadout(const DisplayState& d) {
  const std::string text = LineReadoutText(d.run.Readout().line);
  if (text.empty()) return;
  const float size = d.controls.layout.textSize;
  const float width = TextWidth(d.font, text, size);
  const PixelRect at = LineReadoutRect(d.View(), d.view.followX, width, size);
  DrawPanel({at.left - 0.3f * size, at.right + 0.3f * size, at.top - 0.15f * size,
             at.bottom + 0.15f * size});
  DrawText(text, at.left, at.top, size, kWhite, d.font, d.fontTextures);
}

// Two translucent panels behind the values and controls, the five values, the
// sliders and the buttons, in window pixels with y down; then the driver's panel.
void DrawHud(const DisplayState& d) {
  const HudControls& c = d.controls;
  DrawPanel(c.layout.valuesPanel);
  DrawPanel(c.layout.leverPanel);
  HudBuffer text;
  for (int item = 0; item < kHudItemCount; ++item) {
    c.FormatHudText(item, text);
    const TextPlace& at = c.layout.texts[static_cast<std::size_t>(item)];
    DrawText(text.data(), at.x, at.y, c.layout.textSize, kWhite, d.font, d.fontTextures);
  }
  for (const Slider* s : {&c.scaleSlider, &c.timeStepSlider, &c.lever}) s->Draw();
  for (const Button* b : {&c.startStopButton, &c.resetButton, &c.leverResetButton}) b->Draw();
  DrawDriverPanel(d);
  DrawWspLamps(d);
  DrawLineReadout(d);
}

void DrawOverlay(const DisplayState& d) {
  glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluOrtho2D(0.0, d.controls.windowWidth, d.controls.windowHeight, 0.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, 1.0f);
  if (d.controls.showUi) DrawHud(d);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

void OnDisplay() {
  DrawFrame(*display);
  glutSwapBuffers();
  std::array<char, 128> title;
  std::snprintf(title.data(), title.size(), "%s [FPS: %d]", kWindowTitle,
                display->frameRate.framesPerSecond);
  glutSetWindowTitle(title.data());
}

// A closed window ends the main loop only after the timers of its last pass:
// no frame is asked of a window that is gone.
void OnTimer(int) {
  if (glutGetWindow() == 0) return;
  glutTimerFunc(1000 / kTimerRate, OnTimer, 0);
  display->frameRate.Tick(glutGet(GLUT_ELAPSED_TIME));
  glutPostRedisplay();
}

void OnReshape(int width, int height) {
  display->Reshape(width, height);
  glViewport(0, 0, display->controls.windowWidth, display->controls.windowHeight);
}

MouseButton ButtonOf(int glutButton) {
  if (glutButton == GLUT_LEFT_BUTTON) return MouseButton::kLeft;
  if (glutButton == GLUT_MIDDLE_BUTTON) return MouseButton::kMiddle;
  return MouseButton::kOther;
}

void OnMouse(int button, int state, int x, int y) {
  if (state == GLUT_DOWN) {
    display->MousePress(ButtonOf(button), x, y);
  } else {
    display->MouseRelease(ButtonOf(button));
  }
}

void OnWheel(int, int direction, int, int) {
  display->MouseWheel(direction);
}

void OnMotion(int x, int y) {
  display->Motion(x, y);
}

void OnKeyboard(unsigned char key, int, int) {
  display->Key(key);
}

void OnSpecial(int key, int, int) {
  if (key == GLUT_KEY_F1) display->Special(SpecialKey::kF1);
  if (key == GLUT_KEY_F2) display->Special(SpecialKey::kF2);
}

void OnMenu(int entry) {
  if (entry == kMenuQuit) {
    glutLeaveMainLoop();
    return;
  }
  if (!display->ToggleMenuEntry(entry)) return;
  glutChangeToMenuEntry(entry, display->MenuLabel(entry), entry);
  if (entry == kMenuAntialiasing) ApplyAntialiasing(display->controls.antialiasing);
}

void BuildMenu() {
  glutCreateMenu(OnMenu);
  for (int entry = 1; entry <= kMenuEntryCount; ++entry) {
    glutAddMenuEntry(display->MenuLabel(entry), entry);
  }
  glutAttachMenu(GLUT_RIGHT_BUTTON);
}

}  // namespace

void PrepareDrawing(DisplayState& d, std::ostream& console) {
  LoadImageTextures(ImageFilePaths(std::get<std::vector<ImageStyle>>(d.styles)),
                    d.renderer.background, d.imageTextures, console);
  LoadFontTextures(d.font.pictureFile, d.font.fontSlot, d.fontTextures, console);
  SetInitialGlState();
}

// The view of the frame is set before the zoom glides; the vehicle steps, then
// the scene and the HUD are drawn.
void DrawFrame(DisplayState& d) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  const WorldView view = d.View();
  SetWorldProjection(view);
  d.AdvanceFrame(glutGet(GLUT_ELAPSED_TIME));
  DrawScene(d, view);
  if (d.FitViewToScene(d.renderer.sceneBox)) SetWorldProjection(d.View());
  d.FollowDrawingState();
  DrawOverlay(d);
}

void SetUpDisplay(int argc, char** argv, Kelvra& vehicle, DisplayData data) {
  display = std::make_unique<DisplayState>();
  display->SetUp(vehicle, std::move(data), std::cout);
  glutInit(&argc, argv);
  // Closing the window ends the main loop, as "Quit" does: the session ends
  // after it.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  StartImageLibrary();
}

void RunDisplay() {
  DisplayState& d = *display;
  glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB);
  glutInitWindowPosition(0, 0);
  glutInitWindowSize(d.controls.windowWidth, d.controls.windowHeight);
  glutCreateWindow(kWindowTitle);
  glutSetCursor(GLUT_CURSOR_CROSSHAIR);
  PrepareDrawing(d, std::cout);
  d.run.StartSeries();

  glutDisplayFunc(OnDisplay);
  glutTimerFunc(0, OnTimer, 0);
  glutReshapeFunc(OnReshape);
  glutMouseFunc(OnMouse);
  glutMouseWheelFunc(OnWheel);
  glutMotionFunc(OnMotion);
  glutKeyboardFunc(OnKeyboard);
  glutSpecialFunc(OnSpecial);
  BuildMenu();

  OnDisplay();
  glutMainLoop();
  d.run.EndSession();
  std::exit(0);
}
