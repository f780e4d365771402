// The cost of one frame of the simulator window on the shipped vehicle: one
// vehicle step, the background, the grid, every style link and the HUD, with
// the drawing finished (glFinish), as the 16 ms timer asks for it. Variants add
// the time series, written row by row as the window does, and the heaviest
// frame of a run paced by the wall clock: ten steps. Needs an X display; run it
// under a virtual one:
//   xvfb-run -a -s "-screen 0 1280x1024x24" ./kelvra_bench --benchmark_filter=DisplayFrame

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "display/Window.h"
#include "setup/VehicleSetUp.h"
#include "vehicle/Kelvra.h"
#include "visual/StyleManager.h"

namespace {

const std::string kDataDir = std::string(KELVRA_SOURCE_DIR) + "/data/";

// The shipped model, its step matrices, its styles and its vehicle system, set up
// as the program does in graphics mode.
struct ShippedScene {
  VehicleSetUp setUp;
  StyleManager styles;
  Kelvra vehicle;
  std::string error;

  bool Create() {
    double dt = 0.0;
    if (!setUp.CreateLinearModel(kDataDir + "combined_train17_GEN.in") ||
        !setUp.ReadModelFileItems(dt, error) || !setUp.PrepareStepMatrices(dt)) {
      if (error.empty()) error = "coupling data or step matrices failed";
      return false;
    }
    const ComponentManager& c = setUp.Model().Components();
    if (!styles.Create(kDataDir + "combined_styles_GEN.in", c.Bodies(), c.Wheels(), c.Nodes(),
                       c.Forces(), c.ExtForces(), c.Outdisps(), c.Dofs())) {
      error = styles.GetLogText();
      return false;
    }
    setUp.Complete();
    std::ostringstream log;
    if (!setUp.CreateVehicle(vehicle, log)) {
      error = log.str();
      return false;
    }
    return true;
  }
};

// One window for the process; freeglut starts once.
bool OpenWindow() {
  static const bool opened = [] {
    if (std::getenv("DISPLAY") == nullptr) return false;
    int argc = 1;
    char name[] = "kelvra_bench";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB);
    glutInitWindowSize(kInitialWindowWidth, kInitialWindowHeight);
    glutCreateWindow(kWindowTitle);
    glutDisplayFunc([] {});
    StartImageLibrary();
    return true;
  }();
  return opened;
}

enum FrameKind : int { kPlainFrame, kRecordedFrame, kPacedTenSteps };

// The lever at three quarters: the vehicle pulls away, the wheels turn and the
// view follows the car, as in a real run.
void DisplayFrame(benchmark::State& state) {
  const auto kind = static_cast<FrameKind>(state.range(0));
  if (!OpenWindow()) {
    state.SkipWithError("no X display");
    return;
  }
  static ShippedScene scene;
  static const bool created = scene.Create();
  if (!created) {
    state.SkipWithError(scene.error.c_str());
    return;
  }
  DisplayData data;
  data.resultValueCount = static_cast<int>(scene.setUp.Model().Components().Dofs().size());
  data.background.fileName = kDataDir + "textures/wall2.png";
  data.background.enabled = true;
  CopyVisualModel(scene.styles, data);
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  if (kind != kPlainFrame) data.run.seriesPrefix = (folder / "kelvra_bench_series_").string();
  data.run.realTimePacing = kind == kPacedTenSteps;
  for (const Wheel& wheel : scene.setUp.Model().Components().Wheels()) {
    data.wheelRadii.push_back(wheel.radius);
  }
  std::ostringstream console;
  scene.vehicle.Init(console);
  DisplayState display;
  display.SetUp(scene.vehicle, data, console);
  display.font.pictureFile = kDataDir + "fonts/default_normal.png";
  PrepareDrawing(display, console);
  display.Reshape(kInitialWindowWidth, kInitialWindowHeight);
  display.run.StartSeries();
  display.controls.lever.SetValue(0.75f);
  // A stall of a second before every paced frame: the frame owes the most steps.
  const auto owe = [&] {
    if (kind == kPacedTenSteps) display.run.lastFrameMs = glutGet(GLUT_ELAPSED_TIME) - 1000;
  };
  for (int i = 0; i < 200; ++i) {  // past the first fit and the glide
    owe();
    DrawFrame(display);
  }
  glFinish();

  for (auto _ : state) {
    owe();
    DrawFrame(display);
    glFinish();
  }
  state.counters["zoom"] = display.view.zoom;
  state.counters["stepsPerFrame"] =
      static_cast<double>(display.run.StepsRun()) / static_cast<double>(200 + state.iterations());
  display.run.EndSession();
  if (!display.run.SeriesFile().empty()) std::filesystem::remove(display.run.SeriesFile());
}
BENCHMARK(DisplayFrame)
    ->ArgName("kind")
    ->Arg(kPlainFrame)
    ->Arg(kRecordedFrame)
    ->Arg(kPacedTenSteps)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace
