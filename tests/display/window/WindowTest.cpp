// The program's window on a virtual X server, driven as a user drives it:
// xdotool presses the controls, ImageMagick's import takes screenshots, and the
// window is closed the way a window manager closes it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "WindowFiles.h"
#include "XSession.h"
#include "support/Hdf5Reading.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::TempFolder;

constexpr int kWidth = 1024;  // the window's size and place: top-left corner of the screen
constexpr int kHeight = 768;
const char* const kEndOfData =
    "End of pre-defined external force data, simulation stopped.\n"
    "Switching to Real-Time mode, continue simulation using the 'Start' button.\n";
// A history of three steps of traction, which the window replays before it waits.
const char* const kThreeRowsOfTraction =
    "EFD 3 5\n"
    "0 0 0 0 20000\n"
    "0 0 0 0 20000\n"
    "0 0 0 0 20000\n";

void Pause(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

// Polls `done` every 100 ms until it holds or `timeout` passes; true when it held.
// A loaded machine may draw a handful of frames per second: every wait for
// something the window shows is a deadline, never a fixed sleep.
template <typename Condition>
bool WaitFor(Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    Pause(std::chrono::milliseconds(100));
  }
  return true;
}

// The program running in the background in `folder`, its console in files there.
class Program {
 public:
  Program(const fs::path& folder, const std::string& arguments)
      : outFile(folder / "console.txt"), errorFile(folder / "errors.txt") {
    const std::string command = "cd '" + folder.string() + "' && exec '" +
                                testing_support::KelvraBinary().string() + "' " + arguments +
                                " < /dev/null > console.txt 2> errors.txt";
    pid = fork();
    if (pid == 0) {
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Program() {
    if (pid > 0 && !exited) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Running() {
    Poll();
    return pid > 0 && !exited;
  }
  // True when the program ended within `timeout`.
  bool WaitForExit(std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (Running() && std::chrono::steady_clock::now() < end) Pause(100ms);
    return exited;
  }
  int ExitCode() const { return exitCode; }
  std::string Console() const { return testing_support::ReadFile(outFile); }
  // Both streams and, once ended, the exit code: what a failed check shows.
  std::string Report() {
    std::string report =
        Console() + "\n-- standard error:\n" + testing_support::ReadFile(errorFile);
    if (!Running()) report += "\n-- exit code " + std::to_string(exitCode);
    return report;
  }

 private:
  void Poll() {
    if (pid <= 0 || exited) return;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) != pid) return;
    exited = true;
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  fs::path outFile;
  fs::path errorFile;
  pid_t pid = -1;
  bool exited = false;
  int exitCode = -1;
};

// The simulator's window once it has drawn its first frame, which writes the
// frame rate into its title; 0 when it did not appear in time.
unsigned long FindWindow(Program& program, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (program.Running() && std::chrono::steady_clock::now() < end) {
    std::istringstream ids(
        Capture("xdotool search --name 'Real-time 17DoF train simulator \\[FPS: ' 2>/dev/null"));
    unsigned long id = 0;
    if (ids >> id) return id;
    Pause(200ms);
  }
  return 0;
}

// Until the run driver hands the graphics path to the display, the program ends
// at once without a window and says nothing of a display.
bool DisplayStarted(Program& program) {
  return program.Running() || program.Console().find("Starting up display...") != std::string::npos;
}

void Click(unsigned long window, int x, int y, int button = 1) {
  const std::string command = "xdotool mousemove --window " + std::to_string(window) + " " +
                              std::to_string(x) + " " + std::to_string(y) + " click " +
                              std::to_string(button);
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

struct Rgb {
  int r, g, b;
};

struct Region {
  int x0, y0, x1, y1;  // x0 <= x < x1, y0 <= y < y1, window pixels, y down
};

// The window's part of the screen, one RGB triple per pixel, top row first.
class Screenshot {
 public:
  bool Take(const fs::path& file) {
    const std::string command = "import -window root -crop " + std::to_string(kWidth) + "x" +
                                std::to_string(kHeight) +
                                "+0+0 +repage -depth 8 'ppm:" + file.string() + "'";
    if (std::system(command.c_str()) != 0) return false;
    std::ifstream in(file, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    in.get();
    if (magic != "P6" || width != kWidth || height != kHeight || maxValue != 255) return false;
    pixels.resize(static_cast<std::size_t>(width) * height * 3);
    in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(in);
  }

  bool Empty() const { return pixels.empty(); }

  Rgb At(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * kWidth + x) * 3;
    return {pixels[i], pixels[i + 1], pixels[i + 2]};
  }

  int Count(Region region, Rgb colour, int tolerance) const {
    int count = 0;
    if (Empty()) return count;
    for (int y = region.y0; y < region.y1; ++y) {
      for (int x = region.x0; x < region.x1; ++x) {
        const Rgb p = At(x, y);
        if (std::abs(p.r - colour.r) <= tolerance && std::abs(p.g - colour.g) <= tolerance &&
            std::abs(p.b - colour.b) <= tolerance) {
          ++count;
        }
      }
    }
    return count;
  }

  // Pixels that are text (near white) in one screenshot and not in the other:
  // the text changed, whatever the scene behind a translucent panel did.
  int TextDifferences(const Screenshot& other, Region region) const {
    if (Empty() || other.Empty()) return (region.x1 - region.x0) * (region.y1 - region.y0);
    int count = 0;
    for (int y = region.y0; y < region.y1; ++y) {
      for (int x = region.x0; x < region.x1; ++x) {
        if (IsText(At(x, y)) != IsText(other.At(x, y))) ++count;
      }
    }
    return count;
  }

  // Every pixel counts as different when either screenshot failed.
  int Differences(const Screenshot& other, Region region) const {
    if (Empty() || other.Empty()) return (region.x1 - region.x0) * (region.y1 - region.y0);
    int count = 0;
    for (int y = region.y0; y < region.y1; ++y) {
      for (int x = region.x0; x < region.x1; ++x) {
        const Rgb a = At(x, y);
        const Rgb b = other.At(x, y);
        if (a.r != b.r || a.g != b.g || a.b != b.b) ++count;
      }
    }
    return count;
  }

 private:
  static bool IsText(Rgb p) { return p.r > 230 && p.g > 230 && p.b > 230; }

  std::vector<unsigned char> pixels;
};

// Where the window shows what, after its first reshape to 1024 x 768.
constexpr Region kWholeWindow{0, 0, kWidth, kHeight};
constexpr Region kScene{0, 170, kWidth, 550};  // between the driver's and the lower panels
constexpr Region kTimeText{20, 673, 20 + 12 * 11, 695};  // "Time: %6.4f"
constexpr Region kTractionText{894, 568, kWidth, 590};   // "Trac.: %4.2f"
constexpr Region kStartStopButton{20, 20, 120, 50};
constexpr Region kTimeStepText{20, 698, 20 + 16 * 11, 720};  // "Timestep: %6.4f"
constexpr Region kSpeedText{686, 8, 686 + 18 * 11, 30};      // "Speed: %6.1f km/h"
constexpr Region kForceTexts{686, 68, 686 + 21 * 11,
                             120};  // "Traction: ..." and "Tread brake: ..."

constexpr Rgb kClearColour{84, 156, 204};   // (0.33, 0.61, 0.8): sky above, water below
constexpr Rgb kCarBody{150, 24, 20};        // the car picture's red
constexpr Rgb kPanelOutline{55, 181, 229};  // (0.2157, 0.7098, 0.898)
constexpr Rgb kWhite{255, 255, 255};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { folder.CopyShippedData(); }

  Screenshot Shoot() {
    Screenshot shot;
    const fs::path file = folder.Path() / ("shot" + std::to_string(shots++) + ".ppm");
    EXPECT_TRUE(shot.Take(file)) << "no screenshot";
    return shot;
  }

  // A shot taken once `changed` tells it apart from `before`; an empty shot
  // when that did not happen within the deadline.
  template <typename Changed>
  Screenshot ShootOnce(Changed changed) {
    Screenshot shot;
    if (!WaitFor([&] {
          shot = Shoot();
          return changed(shot);
        })) {
      return Screenshot();
    }
    return shot;
  }

  // While running, the shown time advances with every frame. Once the first
  // frame's fit has glided back to the start zoom, the vehicle at rest gives
  // the same scene frame after frame: two shots whose times differ (so at
  // least one frame lies between them) show the same scene.
  bool WaitForStillScene(Screenshot& shot) {
    Screenshot previous = Shoot();
    return WaitFor([&] {
      shot = Shoot();
      if (shot.Differences(previous, kTimeText) == 0) return false;
      const bool still = shot.Differences(previous, kScene) == 0;
      previous = shot;
      return still;
    });
  }

  void Close(Program& program, unsigned long window) {
    ASSERT_TRUE(SendWindowClose(window));
    ASSERT_TRUE(program.WaitForExit(20s)) << "the window closed but the program runs on";
    EXPECT_EQ(program.ExitCode(), 0) << program.Report();
  }

  TempFolder folder;
  int shots = 0;
};

TEST_F(WindowTest, ShowsTheVehicleAndAnswersStopLeverStartResetAndClose) {
  Program program(folder.Path(), "");
  const unsigned long window = FindWindow(program, 60s);
  if (window == 0 && !DisplayStarted(program)) GTEST_SKIP() << "the program opens no window";
  ASSERT_NE(window, 0u) << program.Report();

  Screenshot start;
  ASSERT_TRUE(WaitForStillScene(start)) << "the view never settled";
  EXPECT_GT(start.Count(kWholeWindow, kClearColour, 2), 5000) << "no sky or water";
  EXPECT_GT(start.Count(kScene, kCarBody, 3), 8000) << "no car body";
  EXPECT_GT(start.Count(kWholeWindow, kPanelOutline, 3), 500) << "no HUD panels";
  EXPECT_GT(start.Count(kTimeText, kWhite, 25), 40) << "no HUD text";
  EXPECT_GT(start.Count(kTimeStepText, kWhite, 25), 40) << "no HUD text";
  EXPECT_GT(start.Count(kSpeedText, kWhite, 25), 40) << "no speed readout";

  // "Stop": the button reads "Start", and the time stands still from then on.
  Click(window, 70, 35);
  const Screenshot stopped =
      ShootOnce([&](const Screenshot& s) { return s.Differences(start, kStartStopButton) > 20; });
  ASSERT_FALSE(stopped.Empty()) << "the button never read \"Start\"";
  Pause(1500ms);
  const Screenshot stillStopped = Shoot();
  EXPECT_EQ(stillStopped.Differences(stopped, kTimeText), 0);
  EXPECT_EQ(stillStopped.TextDifferences(stopped, kSpeedText), 0);

  // The lever near its top: the traction level changes.
  Click(window, 984, 612);
  EXPECT_FALSE(ShootOnce([&](const Screenshot& s) {
                 return s.Differences(start, kTractionText) > 20;
               }).Empty())
      << "the traction level stands still";

  // "Start" again with traction: the vehicle pulls away, the view follows it
  // along the track, and the speed and the applied traction show on the panel.
  Click(window, 70, 35);
  const Screenshot moved = ShootOnce([&](const Screenshot& s) {
    return s.Differences(start, kScene) > 1000 && s.TextDifferences(start, kSpeedText) > 20;
  });
  ASSERT_FALSE(moved.Empty()) << "the vehicle never moved";
  EXPECT_GT(moved.TextDifferences(start, kForceTexts), 20) << "no traction on the panel";
  EXPECT_EQ(moved.Differences(start, kStartStopButton), 0);  // "Stop" again

  // "Reset": the vehicle back at rest where it started and the lever centred.
  Click(window, 190, 35);
  const Screenshot reset = ShootOnce([&](const Screenshot& s) {
    return s.Differences(start, kScene) < 50 && s.Differences(start, kTractionText) == 0;
  });
  EXPECT_FALSE(reset.Empty()) << "the reset vehicle is not where it started";

  // The reset closed the first series: the session's record stands already,
  // lists it and has no exit status while the window is open.
  nlohmann::json early;
  EXPECT_TRUE(WaitFor([&] {
    for (const auto& entry : fs::directory_iterator(folder.Path() / "results")) {
      if (entry.path().extension() != ".json") continue;
      early = nlohmann::json::parse(testing_support::ReadFile(entry.path()), nullptr, false);
      return !early.is_discarded();
    }
    return false;
  })) << "no record after the reset";
  EXPECT_TRUE(early["exit_status"].is_null()) << early;
  ASSERT_EQ(early["files"].size(), 1u) << early;
  EXPECT_EQ(early["files"][0]["kind"], "time_series");

  Close(program, window);
  const std::string console = program.Console();
  EXPECT_NE(console.find("openIL: fonts/default_normal.png loaded and converted successfully\n"),
            std::string::npos)
      << console;
  EXPECT_NE(console.find("Close display window to exit!\n"), std::string::npos) << console;

  // One time series up to the reset, one after it, each complete; the record lists both.
  const std::vector<fs::path> series = WindowSeries(folder.Path());
  ASSERT_EQ(series.size(), 2u);
  std::vector<std::string> expected;
  for (const fs::path& file : series) {
    EXPECT_TRUE(CompleteSeries(testing_support::ReadFile(file))) << file;
    expected.push_back("time_series results/" + file.filename().string());
  }
  ExpectSessionRecord(folder.Path(), expected);
}

TEST_F(WindowTest, RecordedHistoryEndsWithTheMessageAndTheWindowWaitsForStart) {
  folder.Write("three_rows.in", kThreeRowsOfTraction);
  Program program(folder.Path(), "--states --modes --history three_rows.in");
  const unsigned long window = FindWindow(program, 60s);
  if (window == 0 && !DisplayStarted(program)) GTEST_SKIP() << "the program opens no window";
  ASSERT_NE(window, 0u) << program.Report();
  WaitFor([&] { return program.Console().find(kEndOfData) != std::string::npos; });
  const bool relabelled = WaitFor([&] { return Shoot().Count(kStartStopButton, kWhite, 25) > 20; });
  Close(program, window);
  const std::string console = program.Console();
  const std::size_t at = console.find(kEndOfData);
  ASSERT_NE(at, std::string::npos) << console;
  EXPECT_EQ(console.find(kEndOfData, at + 1), std::string::npos) << "told twice";
  EXPECT_NE(console.find("Connecting external force data...\n"), std::string::npos) << console;
  EXPECT_TRUE(relabelled) << "no button label";

  // The window's time series, states and modes are the console run's, row for row.
  const std::vector<fs::path> windowSeries = WindowSeries(folder.Path());
  ASSERT_EQ(windowSeries.size(), 1u);
  const std::string seriesName = "results/" + windowSeries[0].filename().string();
  ExpectSessionRecord(folder.Path(),
                      {"modes results/realtime_modes.csv", "time_series " + seriesName,
                       "states " + StatesName(seriesName)},
                      "three_rows.in");
  const testing_support::ProcessResult consoleRun = testing_support::RunIn(
      folder.Path(), "'" + testing_support::KelvraBinary().string() +
                         "' --console --states --modes --history three_rows.in");
  ASSERT_EQ(consoleRun.exitCode, 0) << consoleRun.err;
  fs::path consoleSeries;
  for (const auto& entry : fs::directory_iterator(folder.Path() / "results")) {
    const std::string name = entry.path().filename().string();
    // The run's own series, not its summary beside it.
    if (name.rfind("_kelvra_result_", 0) == 0 && entry.path().extension() == ".csv" &&
        name.find("_summary") == std::string::npos && name.find("_states") == std::string::npos &&
        name.find("_modes") == std::string::npos) {
      consoleSeries = entry.path();
    }
  }
  ASSERT_FALSE(consoleSeries.empty()) << consoleRun.out;
  EXPECT_EQ(testing_support::ReadFile(windowSeries[0]), testing_support::ReadFile(consoleSeries));
  const auto states = [](const fs::path& series) {
    return testing_support::ReadFile(series.parent_path() /
                                     (series.stem().string() + "_states.csv"));
  };
  EXPECT_EQ(states(windowSeries[0]), states(consoleSeries));
  EXPECT_NE(states(consoleSeries), "");
  const std::string consoleModes = testing_support::ReadFile(
      consoleSeries.parent_path() / (consoleSeries.stem().string() + "_modes.csv"));
  EXPECT_EQ(testing_support::ReadFile(folder.Path() / "results/realtime_modes.csv"), consoleModes);
  EXPECT_NE(consoleModes, "");
}

// Under --format hdf5 the window's rows reach its file frame by frame. A reset
// closes the file whole and starts another, which is whole when closing the
// window ends the process: the first holds the console run's series and states
// row for row (a window run has no summary), the second starts as they do.
// Both carry the record of the window's run as attributes, and the session's
// record lists them with their datasets.
TEST_F(WindowTest, Hdf5FilesOfTheWindowHoldTheConsoleRunsTables) {
  folder.Write("three_rows.in", kThreeRowsOfTraction);
  Program program(folder.Path(), "--states --format hdf5 --history three_rows.in");
  const unsigned long window = FindWindow(program, 60s);
  if (window == 0 && !DisplayStarted(program)) GTEST_SKIP() << "the program opens no window";
  ASSERT_NE(window, 0u) << program.Report();
  EXPECT_TRUE(WaitFor([&] { return program.Console().find(kEndOfData) != std::string::npos; }));
  Click(window, 190, 35);  // "Reset"
  EXPECT_TRUE(WaitFor([&] { return Hdf5Files(folder.Path(), "realtime_").size() == 2u; }));
  Close(program, window);
  std::vector<std::string> written;
  for (const fs::path& file : WindowSeries(folder.Path())) {
    EXPECT_EQ(".h5", file.extension());
    written.push_back("hdf5 results/" + file.filename().string());
  }
  ExpectSessionRecord(folder.Path(), written, "three_rows.in");

  const testing_support::ProcessResult consoleRun = testing_support::RunIn(
      folder.Path(), "'" + testing_support::KelvraBinary().string() +
                         "' --console --states --format hdf5 --history three_rows.in");
  ASSERT_EQ(consoleRun.exitCode, 0) << consoleRun.err;
  const std::vector<fs::path> windowFiles = Hdf5Files(folder.Path(), "realtime_");
  const std::vector<fs::path> consoleFiles = Hdf5Files(folder.Path(), "_kelvra_result_");
  ASSERT_EQ(2u, windowFiles.size());
  ASSERT_EQ(1u, consoleFiles.size());
  std::map<std::string, testing_support::Hdf5Group> console;
  ASSERT_TRUE(testing_support::ReadHdf5Groups(consoleFiles[0], console));
  // The files' names are random numbers: either may be the first.
  std::map<std::string, testing_support::Hdf5Group> shown[2];
  ASSERT_TRUE(testing_support::ReadHdf5Groups(windowFiles[0], shown[0]));
  ASSERT_TRUE(testing_support::ReadHdf5Groups(windowFiles[1], shown[1]));
  const auto rowsOf = [](const std::map<std::string, testing_support::Hdf5Group>& tables) {
    const auto series = tables.find("series");
    return series == tables.end() || series->second.datasets.empty()
               ? 0u
               : series->second.datasets[0].values.size();
  };
  const int first = rowsOf(shown[0]) == 4u ? 0 : 1;
  EXPECT_TRUE(TablesStartAsTheConsoles(shown[first], console, 4u));
  const std::size_t restarted = rowsOf(shown[1 - first]);
  EXPECT_GE(restarted, 1u);
  EXPECT_TRUE(TablesStartAsTheConsoles(shown[1 - first], console, restarted));
  // Each carries the run's record, the window's own.
  for (const fs::path& file : windowFiles) {
    std::map<std::string, testing_support::Hdf5AttributeValue> attributes;
    ASSERT_TRUE(testing_support::ReadHdf5RootAttributes(file, attributes));
    EXPECT_EQ(std::vector<std::string>{"window"}, attributes["run"].texts);
    EXPECT_EQ(std::vector<std::string>{"three_rows.in"}, attributes["history.path"].texts);
  }
}

// The context menu opens at the pointer, one entry below the other; "Quit" is
// the last one.
// Without a results/ folder the window says so once and runs all the same; at
// the end it says that the session's record is lost too.
TEST_F(WindowTest, QuitFromTheContextMenuEndsTheProgramWithExitCodeZero) {
  fs::remove_all(folder.Path() / "results");
  Program program(folder.Path(), "");
  const unsigned long window = FindWindow(program, 60s);
  if (window == 0 && !DisplayStarted(program)) GTEST_SKIP() << "the program opens no window";
  ASSERT_NE(window, 0u) << program.Report();
  Click(window, 500, 300, 3);
  const Rgb menuFace{178, 178, 178};
  int bottom = -1;
  WaitFor([&] {
    const Screenshot menu = Shoot();
    for (int y = 300; y < kHeight; ++y) {
      if (menu.Count({505, y, 506, y + 1}, menuFace, 0) == 1) bottom = y;
    }
    return bottom > 450;
  });
  ASSERT_GT(bottom, 450) << "no menu below the pointer";
  Click(window, 505, bottom - 10);
  ASSERT_TRUE(program.WaitForExit(20s)) << "Quit did not end the program";
  EXPECT_EQ(program.ExitCode(), 0) << program.Console();
  const std::string errors = testing_support::ReadFile(folder.Path() / "errors.txt");
  const std::regex warning(
      "Warning - cannot open 'results/realtime_-?[0-9]+\\.csv' for writing; its results are not "
      "saved\\.\n");
  EXPECT_EQ(std::distance(std::sregex_iterator(errors.begin(), errors.end(), warning),
                          std::sregex_iterator()),
            1)
      << errors;
  const std::regex recordLost(
      "Warning - cannot open 'results/realtime_-?[0-9]+\\.json' for writing; its results are "
      "not saved\\.\n");
  EXPECT_TRUE(std::regex_search(errors, recordLost)) << errors;
}

}  // namespace
