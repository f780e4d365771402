#include "framework/WindowRun.h"

#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "display/Window.h"

namespace {

// The record of a window session, named after its first time series
// ("realtime_<n>.json" beside "realtime_<n>.csv" or "realtime_<n>.h5"). Each
// time a series closes, at a reset and at the end, it is rewritten whole with
// every file written so far, so that one stands even should the process be
// killed later; its exit status stays null until the session ends.
class SessionRecord {
 public:
  SessionRecord(const RunRecord& start, const WrittenFiles& earlier, LostResults& lostResults)
      : record(start), lost(&lostResults) {
    record.files = earlier;
  }

  void SeriesClosed(const ClosedSeries& closed) {
    if (fileName.empty()) {
      fileName = std::filesystem::path(closed.seriesFile).replace_extension(".json").string();
    }
    if (closed.seriesWritten && closed.hdf5) {
      record.files.Add(closed.seriesFile, FileKind::Hdf5, closed.hdf5Shape);
    } else if (closed.seriesWritten) {
      record.files.Add(closed.seriesFile, FileKind::TimeSeries);
    }
    if (closed.statesWritten) {
      record.files.Add(StatesFileName(closed.seriesFile), FileKind::States);
    }
    const std::optional<int> status = closed.sessionEnds ? std::optional<int>(0) : std::nullopt;
    int error = 0;
    if (!WriteWholeFile(fileName, ManifestText(record, status), error)) {
      lost->CannotSave(fileName, error);
    }
  }

 private:
  RunRecord record;
  std::string fileName;
  LostResults* lost;
};

}  // namespace

// Each run of the vehicle in the window, from the start or a reset, records
// its time series.
void RunWindow(const RunContext& run, bool realTimeInput, const RunRecord& record, int argc,
               char** argv) {
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
  data.run.seriesClosed = [session = SessionRecord(record, run.report.writtenFiles, lost)](
                              const ClosedSeries& closed) mutable { session.SeriesClosed(closed); };
  for (const Wheel& wheel : setUp.vehicle.Model().Components().Wheels()) {
    data.wheelRadii.push_back(wheel.radius);
  }
  CopyVisualModel(setUp.styleManager, data);
  console << "Starting up display...\n";
  SetUpDisplay(argc, argv, setUp.vehicleSystem, std::move(data));
  console << "Close display window to exit!\n";
  RunDisplay();
}
