#include "framework/WindowRun.h"

#include <utility>
#include <vector>

#include "display/Window.h"

// Each run of the vehicle in the window, from the start or a reset, records
// its time series.
void RunWindow(const RunContext& run, bool realTimeInput, int argc, char** argv) {
  const RunSettings& settings = run.settings;
  RunSetUp& setUp = run.setUp;
  std::ostream& console = *run.report.console;
  setUp.vehicleSystem.AppendResultText(realTimeInput ? "RTEF+SR+GD" : "STEF+SR+GD");
  // One file for every run of the window, from its start and from each reset.
  WriteModes(run, settings.ResultPath("realtime"));
  DisplayData data;
  const std::vector<Vector>& results = setUp.resultStore.Vectors();
  data.resultValueCount = results.empty() ? 0 : results.front().dim();
  console << "Connecting simulator...\n";
  if (!realTimeInput) {
    console << "Connecting external force data...\n";
    data.run.externalForceHistory = *setUp.inputs.history;
    data.run.predefinedForces = true;
  }
  data.background.fileName = "textures/wall2.png";
  data.background.width = 54.613335f;
  data.background.height = 26.493334f;
  data.background.offsetY = -7.4666667f;
  data.background.enabled = true;
  data.run.realTimePacing = settings.realTimePacing;
  data.run.seriesPrefix = settings.ResultPath("realtime_");
  data.run.format = settings.resultFormat;
  data.run.fileAttributes = settings.recordAttributes;
  data.run.writeStates = settings.writeStates;
  if (settings.writeStates) data.run.stateLayout = StatesLayout(setUp.vehicle.Model());
  LostResults& lost = run.report.lostResults;
  data.run.warnUnwritable = [&lost](const std::string& fileName) { lost.CannotOpen(fileName); };
  for (const Wheel& wheel : setUp.vehicle.Model().Components().Wheels()) {
    data.wheelRadii.push_back(wheel.radius);
  }
  CopyVisualModel(setUp.styleManager, data);
  console << "Starting up display...\n";
  SetUpDisplay(argc, argv, setUp.vehicleSystem, std::move(data));
  console << "Close display window to exit!\n";
  RunDisplay();
}
