#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "PointMassVehicle.h"
#include "display/DisplayState.h"
#include "results/StepRecorder.h"
#include "support/TestSupport.h"

namespace {

constexpr int kAxles = 2;

class DisplayStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string log;
    ASSERT_TRUE(CreatePointMassVehicle(vehicle, folder, kAxles, log)) << log;
    Start(DisplayData());
  }

  // A fresh display on the vehicle with the given data; one DOF is drawn.
  void Start(DisplayData data) {
    data.resultValueCount = 1;
    display = std::make_unique<DisplayState>();
    display->SetUp(vehicle, std::move(data), console);
  }

  // A history whose row k brakes axle j with 100 (k + 1) (j + 1) and pulls with 1000 (k + 1).
  static Matrix History(int rows) {
    Matrix history(rows, kAxles + 1, 0.0);
    for (int k = 0; k < rows; ++k) {
      for (int j = 0; j < kAxles; ++j) history[k][j] = 100.0 * (k + 1) * (j + 1);
      history[k][kAxles] = 1000.0 * (k + 1);
    }
    return history;
  }

  void Click(float x, float y) {
    display->MousePress(MouseButton::kLeft, static_cast<int>(x), static_cast<int>(y));
    display->MouseRelease(MouseButton::kLeft);
  }

  testing_support::TempFolder folder;
  Kelvra vehicle;
  std::ostringstream console;
  std::unique_ptr<DisplayState> display;
};

// A second vehicle of the same model, stepped by hand as the display should.
class ReferenceVehicle {
 public:
  explicit ReferenceVehicle(const testing_support::TempFolder& folder) {
    std::string log;
    created = CreatePointMassVehicle(vehicle, folder, kAxles, log);
  }
  void Step(std::vector<double> brakes, double traction) {
    vehicle.DoStep(brakes, traction);
    ++steps;
    recorder.Record(steps * 0.005, brakes, traction, vehicle);
  }
  const std::vector<double>& State() const { return vehicle.LinearState(); }
  // Records the steps from now on, as the console run does, into `file`.
  void Record(const std::string& file) {
    ASSERT_TRUE(recorder.Open(file, kAxles));
    recorder.RecordInitial(vehicle);
  }
  // The recorded text.
  std::string Series(const std::string& file) {
    EXPECT_TRUE(recorder.Close());
    return testing_support::ReadFile(file);
  }
  bool created = false;
  Kelvra vehicle;
  StepRecorder recorder;
  int steps = 0;
};

TEST_F(DisplayStateTest, FirstPressOnTheScaleSliderSetsTheScaleFromItsEnds) {
  struct Case {
    float x;
    float scale;
  };
  // Track from x 220 to 370 at y 728, 18 high: 50^(2v - 1).
  for (const Case c : {Case{220.0f, 0.02f}, Case{295.0f, 1.0f}, Case{370.0f, 50.0f}}) {
    Start(DisplayData());
    display->MousePress(MouseButton::kLeft, static_cast<int>(c.x), 737);
    EXPECT_NEAR(display->controls.deformationScale, c.scale, c.scale * 1e-5) << c.x;
    EXPECT_TRUE(display->controls.scaleSlider.active);
    EXPECT_FALSE(display->view.panning);
  }
  display->Motion(220, 737);  // dragged to the left end
  EXPECT_NEAR(display->controls.deformationScale, 0.02f, 1e-7);
  display->MouseRelease(MouseButton::kLeft);
  EXPECT_FALSE(display->controls.scaleSlider.active);
  display->Motion(370, 737);  // released: no longer follows
  EXPECT_NEAR(display->controls.deformationScale, 0.02f, 1e-7);
}

TEST_F(DisplayStateTest, PressOnTheTimeStepSliderGrabsItAndPacesTheShownTime) {
  display->MousePress(MouseButton::kLeft, 370, 707);  // right end of the track at y 698
  EXPECT_TRUE(display->controls.timeStepSlider.active);
  EXPECT_NEAR(display->controls.timeStepFactor, 50.0f, 1e-3);
  EXPECT_NEAR(display->controls.displayStep, 0.25, 1e-6);
  display->Motion(220, 707);
  EXPECT_NEAR(display->controls.displayStep, 0.0001, 1e-9);
  EXPECT_FLOAT_EQ(display->controls.deformationScale, 1.0f);  // the other slider is untouched
  display->MouseRelease(MouseButton::kLeft);
  display->AdvanceFrame();
  EXPECT_NEAR(display->controls.displayTime, 0.0001, 1e-9);
}

TEST_F(DisplayStateTest, LeverPositionsGiveLevelsAndInputsForEveryAxle) {
  struct Case {
    int y;  // press on the lever track, x 965 .. 983, y 603 .. 713
    const char* traction;
    const char* brake;
    double tractionForce;
    double brakeInput;
  };
  const Case cases[] = {
      {603, "Trac.: 1.00", "Brake: 0.00", 100000.0, 0.0},
      {713, "Trac.: 0.00", "Brake: 1.00", 0.0, 25000.0},
      {658, "Trac.: 0.00", "Brake: 0.00", 0.0, 0.0},
  };
  for (const Case& c : cases) {
    Start(DisplayData());
    display->MousePress(MouseButton::kLeft, 974, c.y);
    EXPECT_TRUE(display->controls.lever.active);
    display->AdvanceFrame();
    EXPECT_EQ(display->controls.HudString(kHudTraction), c.traction);
    EXPECT_EQ(display->controls.HudString(kHudBrake), c.brake);
    EXPECT_DOUBLE_EQ(display->run.TractionForce(), c.tractionForce);
    EXPECT_EQ(display->run.BrakeDemand(), std::vector<double>(kAxles, c.brakeInput));
  }
}

TEST_F(DisplayStateTest, FramesStepTheVehicleWithTheLeversInputs) {
  ReferenceVehicle reference(folder);
  ASSERT_TRUE(reference.created);
  display->controls.lever.SetValue(0.75f);  // half traction
  for (int frame = 0; frame < 3; ++frame) {
    display->AdvanceFrame();
    reference.Step({0.0, 0.0}, 50000.0);
    EXPECT_EQ(vehicle.LinearState(), reference.State()) << frame;
  }
  EXPECT_GT(vehicle.LinearState()[0], 0.0);  // moving forwards
  EXPECT_NEAR(display->controls.displayTime, 0.015, 1e-12);
}

TEST_F(DisplayStateTest, RealTimePacingStepsAsOftenAsTheWallClockAsks) {
  ReferenceVehicle reference(folder);
  ASSERT_TRUE(reference.created);
  DisplayData data;
  data.run.realTimePacing = true;
  Start(data);
  display->controls.lever.SetValue(1.0f);
  int steps = 0;
  // 0, 16, 33 and 52 ms: 0, then 16 / 5 = 3, (1 + 17) / 5 = 3 and (3 + 19) / 5 = 4 steps.
  for (const int ms : {0, 16, 33, 52}) display->AdvanceFrame(ms);
  for (; steps < 10; ++steps) reference.Step({0.0, 0.0}, 100000.0);
  EXPECT_EQ(vehicle.LinearState(), reference.State());
  EXPECT_NEAR(display->controls.displayTime, 10 * 0.005, 1e-12);

  display->AdvanceFrame(5052);  // after a stall of five seconds: ten steps at most
  for (int i = 0; i < 10; ++i) reference.Step({0.0, 0.0}, 100000.0);
  EXPECT_EQ(vehicle.LinearState(), reference.State());
  display->AdvanceFrame(5053);  // and no backlog left to race through
  EXPECT_EQ(vehicle.LinearState(), reference.State());

  display->Key('p');
  display->AdvanceFrame(6000);  // stopped: the clock runs on, the vehicle waits
  display->Key('p');
  display->AdvanceFrame(6004);
  EXPECT_EQ(vehicle.LinearState(), reference.State());
  display->AdvanceFrame(6007);  // 7 ms since the restart: one step
  reference.Step({0.0, 0.0}, 100000.0);
  EXPECT_EQ(vehicle.LinearState(), reference.State());
}

// Paced by the wall clock the shown time is the simulated time, whatever the
// time-step factor; the frame that meets the end of the history makes no step
// and adds no time.
TEST_F(DisplayStateTest, PacedReplayShowsTheSimulatedTimeAndRecordsEveryStep) {
  ReferenceVehicle reference(folder);
  ASSERT_TRUE(reference.created);
  const std::string referenceFile = (folder.Path() / "reference.csv").string();
  reference.Record(referenceFile);
  DisplayData data;
  data.run.realTimePacing = true;
  data.run.externalForceHistory = History(3);
  data.run.predefinedForces = true;
  data.run.seriesPrefix = (folder.Path() / "realtime_").string();
  Start(data);
  display->run.StartSeries();
  for (int i = 0; i < 5; ++i) display->Key('w');
  for (const int ms : {0, 16, 33}) display->AdvanceFrame(ms);  // 3 steps due, then 3 more
  EXPECT_FALSE(display->run.Running());
  EXPECT_EQ(display->controls.displayTime, 3 * 0.005);

  const Matrix rows = History(3);
  for (int k = 0; k < 3; ++k) reference.Step({rows[k][0], rows[k][1]}, rows[k][2]);
  EXPECT_EQ(testing_support::ReadFile(display->run.SeriesFile()), reference.Series(referenceFile));
}

// Each run of the vehicle has its own file, starting at time 0; the file of the
// run before stays complete. Each file is told once closed, at the reset and
// at the end of the session.
TEST_F(DisplayStateTest, ResetStartsANewTimeSeriesAtTimeZero) {
  std::vector<ClosedSeries> closed;
  DisplayData data;
  data.run.seriesPrefix = (folder.Path() / "realtime_").string();
  data.run.seriesClosed = [&](const ClosedSeries& series) { closed.push_back(series); };
  Start(data);
  display->run.StartSeries();
  const std::string first = display->run.SeriesFile();
  ASSERT_EQ(first.rfind(data.run.seriesPrefix, 0), 0u);
  display->controls.lever.SetValue(1.0f);
  for (int frame = 0; frame < 3; ++frame) display->AdvanceFrame();
  const std::string firstRun = testing_support::ReadFile(first);
  EXPECT_EQ(std::count(firstRun.begin(), firstRun.end(), '\n'), 5);  // header, initial, 3 steps

  EXPECT_TRUE(closed.empty());
  Click(190.0f, 35.0f);  // "Reset"
  const std::string second = display->run.SeriesFile();
  EXPECT_NE(second, first);
  EXPECT_EQ(testing_support::ReadFile(first), firstRun);
  ASSERT_EQ(closed.size(), 1u);
  EXPECT_EQ(closed[0].seriesFile, first);
  EXPECT_TRUE(closed[0].seriesWritten);
  EXPECT_FALSE(closed[0].statesWritten);  // not asked for
  EXPECT_FALSE(closed[0].sessionEnds);
  display->AdvanceFrame();
  const std::string secondRun = testing_support::ReadFile(second);
  std::istringstream lines(secondRun);
  std::string header, initial, step;
  std::getline(lines, header);
  std::getline(lines, initial);
  std::getline(lines, step);
  EXPECT_EQ(header, firstRun.substr(0, firstRun.find('\n')));
  EXPECT_EQ(initial.substr(0, initial.find(',')), "0");
  EXPECT_EQ(step.substr(0, step.find(',')), "0.005");
  EXPECT_FALSE(std::getline(lines, step));

  display->run.EndSession();
  ASSERT_EQ(closed.size(), 2u);
  EXPECT_EQ(closed[1].seriesFile, second);
  EXPECT_TRUE(closed[1].seriesWritten);
  EXPECT_TRUE(closed[1].sessionEnds);
}

TEST_F(DisplayStateTest, WithoutAResultsFolderTheRunWarnsOnceAndGoesOn) {
  std::vector<std::string> warned;
  DisplayData data;
  data.run.seriesPrefix = (folder.Path() / "missing" / "realtime_").string();
  data.run.warnUnwritable = [&](const std::string& file) { warned.push_back(file); };
  std::vector<ClosedSeries> closed;
  data.run.seriesClosed = [&](const ClosedSeries& series) { closed.push_back(series); };
  Start(data);
  display->run.StartSeries();
  display->controls.lever.SetValue(1.0f);
  for (int frame = 0; frame < 3; ++frame) display->AdvanceFrame();
  ASSERT_EQ(warned.size(), 1u);
  EXPECT_EQ(warned[0], display->run.SeriesFile());
  EXPECT_GT(vehicle.LinearState()[0], 0.0);
  EXPECT_FALSE(folder.Exists("missing"));
  // The session's end tells of the series, which was not written.
  display->run.EndSession();
  ASSERT_EQ(closed.size(), 1u);
  EXPECT_EQ(closed[0].seriesFile, warned[0]);
  EXPECT_FALSE(closed[0].seriesWritten);
  EXPECT_EQ(warned.size(), 1u);
}

TEST_F(DisplayStateTest, DriverReadoutShowsTheSpeedInKmhAndTheDistanceRun) {
  EXPECT_EQ(DriverString(display->run.Readout(), kDriverSpeed), "Speed:    0.0 km/h");
  EXPECT_EQ(DriverString(display->run.Readout(), kDriverDistance), "Dist.:      0.0 m");
  display->controls.lever.SetValue(1.0f);
  for (int frame = 0; frame < 200; ++frame) display->AdvanceFrame();
  // The point mass's state is (v, x): every wheelset moves with it.
  const double v = vehicle.LinearState()[0];
  const double x = vehicle.LinearState()[1];
  EXPECT_GT(v, 1.0);
  EXPECT_NEAR(display->run.Readout().speedKmh, 3.6 * v, 1e-9);
  EXPECT_NEAR(display->run.Readout().distance, x, 1e-9);
  char expected[64];
  std::snprintf(expected, sizeof expected, "Speed: %6.1f km/h", 3.6 * v);
  EXPECT_EQ(DriverString(display->run.Readout(), kDriverSpeed), expected);
}

// Pulling, the wheels roll with the mass; the full brake locks them.
TEST_F(DisplayStateTest, SlipLampsLightWhileTheWheelsSlide) {
  display->controls.lever.SetValue(1.0f);
  for (int frame = 0; frame < 200; ++frame) display->AdvanceFrame();
  EXPECT_EQ(display->run.Readout().slipLamps, std::vector<unsigned char>(kAxles, 0));
  display->controls.lever.SetValue(0.0f);
  for (int frame = 0; frame < 20; ++frame) display->AdvanceFrame();
  EXPECT_EQ(display->run.Readout().slipLamps, std::vector<unsigned char>(kAxles, 1));
  for (int j = 0; j < kAxles; ++j) {
    EXPECT_GT(vehicle.VehicleSpeed()[j] - vehicle.WheelSpeed()[j], 0.5) << j;
  }
  Click(190.0f, 35.0f);  // "Reset": at rest, the lamps go out at once
  EXPECT_EQ(display->run.Readout().slipLamps, std::vector<unsigned char>(kAxles, 0));
  EXPECT_EQ(display->run.Readout().speedKmh, 0.0);
}

TEST(WheelSlidesTest, OnlySlipBeyondTheLinearBandCounts) {
  struct Case {
    double vehicleSpeed, wheelSpeed, limit;
    bool slides;
  };
  const Case cases[] = {
      {10.0, 10.0, 0.05, false}, {10.0, 9.96, 0.05, false},        {10.0, 9.9, 0.05, true},
      {10.0, 10.1, 0.05, true},  {0.0, 0.0, 0.0, false},           {1.0, 0.5, 0.5, false},
      {1.0, 0.0, -0.5, true},    {std::nan(""), 0.0, 0.05, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WheelSlides(c.vehicleSpeed, c.wheelSpeed, c.limit), c.slides)
        << c.vehicleSpeed << " " << c.wheelSpeed << " " << c.limit;
  }
}

// The panel shows what the steps applied: the history's traction while it is
// replayed (the lever is not in charge then), the lever's afterwards, and the
// brake force all wheels received at their treads, which fades to nothing as a
// wheel comes to rest.
TEST_F(DisplayStateTest, DriversPanelShowsTheForcesTheStepsApplied) {
  DisplayData data;
  data.run.externalForceHistory = History(2);
  data.run.predefinedForces = true;
  Start(data);
  const auto line = [&](int item) { return DriverString(display->run.Readout(), item); };
  EXPECT_EQ(line(kDriverTraction), "Traction:      0.0 kN");
  display->AdvanceFrame();
  EXPECT_EQ(line(kDriverTraction), "Traction:      1.0 kN");
  EXPECT_EQ(line(kDriverBrake), "Tread brake:   0.0 kN");  // wheels at rest take no brake force
  EXPECT_EQ(display->controls.HudString(kHudTraction), "Trac.: 0.00");
  display->AdvanceFrame();
  EXPECT_EQ(line(kDriverTraction), "Traction:      2.0 kN");
  display->AdvanceFrame();  // the end of the history: no step, the forces stay
  EXPECT_EQ(line(kDriverTraction), "Traction:      2.0 kN");

  Click(70.0f, 35.0f);  // "Start" with the lever at the top
  display->controls.lever.SetValue(1.0f);
  for (int frame = 0; frame < 200; ++frame) display->AdvanceFrame();
  EXPECT_EQ(line(kDriverTraction), "Traction:    100.0 kN");
  // The full brake on both rolling wheels: 25 kN each, of which the brake
  // force radius 0.8 reaches the treads, 40 kN in all.
  display->controls.lever.SetValue(0.0f);
  display->AdvanceFrame();
  EXPECT_EQ(line(kDriverTraction), "Traction:      0.0 kN");
  EXPECT_EQ(line(kDriverBrake), "Tread brake:  40.0 kN");
  display->Key('p');  // paused: moving the lever applies nothing
  display->controls.lever.SetValue(1.0f);
  display->AdvanceFrame();
  EXPECT_EQ(line(kDriverTraction), "Traction:      0.0 kN");
  Click(190.0f, 35.0f);  // "Reset"
  EXPECT_EQ(line(kDriverBrake), "Tread brake:   0.0 kN");
}

// Paced by the wall clock, the time-step control runs the vehicle in slow
// motion or fast forward and its text says so; the shown time is the simulated time.
TEST_F(DisplayStateTest, UnderRealTimePacingTheTimeStepControlSetsThePace) {
  DisplayData data;
  data.run.realTimePacing = true;
  Start(data);
  EXPECT_EQ(display->controls.HudString(kHudTimestep), "Pace:  1.00x");
  for (int i = 0; i < 7; ++i) display->Key('w');
  EXPECT_EQ(display->controls.HudString(kHudTimestep), "Pace:  1.95x fast");
  for (int ms = 0; ms <= 1000; ms += 20) display->AdvanceFrame(ms);
  const double fast = 1.0 / 0.005 * std::pow(1.1, 7);  // steps per wall-clock second
  EXPECT_NEAR(static_cast<double>(display->run.StepsRun()), fast, 1.0);
  EXPECT_NEAR(display->controls.displayTime, display->run.StepsRun() * 0.005, 1e-9);

  for (int i = 0; i < 14; ++i) display->Key('q');
  EXPECT_EQ(display->controls.HudString(kHudTimestep), "Pace:  0.51x slow");
  const std::int64_t before = display->run.StepsRun();
  for (int ms = 1020; ms <= 2000; ms += 20) display->AdvanceFrame(ms);
  const double slow = 1.0 / 0.005 / std::pow(1.1, 7);
  EXPECT_NEAR(static_cast<double>(display->run.StepsRun() - before), slow, 1.0);
}

TEST_F(DisplayStateTest, KeysScaleInSinglePrecisionAndStopAtTheRangeEnds) {
  display->Key('s');
  EXPECT_EQ(display->controls.deformationScale, 1.0f * 1.1f);
  for (int i = 1; i < 50; ++i) display->Key('s');
  EXPECT_EQ(display->controls.deformationScale, 50.0f);
  EXPECT_FLOAT_EQ(display->controls.scaleSlider.Value(), 1.0f);
  EXPECT_FLOAT_EQ(display->controls.scaleSlider.knobX, 220.0f + 150.0f);
  for (int i = 0; i < 100; ++i) display->Key('a');
  EXPECT_EQ(display->controls.deformationScale, 0.02f);
  EXPECT_NEAR(display->controls.scaleSlider.knobX, 220.0f, 1e-4);

  for (int i = 0; i < 50; ++i) display->Key('w');
  EXPECT_EQ(display->controls.timeStepFactor, 50.0f);
  EXPECT_NEAR(display->controls.displayStep, 0.25, 1e-9);
  EXPECT_FLOAT_EQ(display->controls.timeStepSlider.knobX, 370.0f);
  display->Key('q');
  EXPECT_EQ(display->controls.timeStepFactor, 50.0f / 1.1f);
  EXPECT_NEAR(display->controls.displayStep, 0.005 * (50.0f / 1.1f), 1e-12);

  display->Key('S');  // upper case is not a command
  display->Key('x');
  EXPECT_EQ(display->controls.deformationScale, 0.02f);
  EXPECT_EQ(display->controls.timeStepFactor, 50.0f / 1.1f);
}

TEST_F(DisplayStateTest, RecordedHistoryReplaysOneRowPerFrameThenHandsOverToTheLever) {
  ReferenceVehicle reference(folder);
  ASSERT_TRUE(reference.created);
  DisplayData data;
  data.run.externalForceHistory = History(3);
  data.run.predefinedForces = true;
  Start(data);
  const Matrix rows = History(3);
  for (int frame = 0; frame < 3; ++frame) {
    display->AdvanceFrame();
    EXPECT_EQ(display->run.BrakeDemand(), (std::vector<double>{rows[frame][0], rows[frame][1]}));
    EXPECT_EQ(display->run.TractionForce(), rows[frame][2]);
    reference.Step({rows[frame][0], rows[frame][1]}, rows[frame][2]);
    EXPECT_EQ(vehicle.LinearState(), reference.State()) << frame;
  }
  EXPECT_EQ(console.str(), "");

  display->AdvanceFrame();  // frame 4: the history is exhausted
  EXPECT_EQ(console.str(),
            "End of pre-defined external force data, simulation stopped.\n"
            "Switching to Real-Time mode, continue simulation using the 'Start' button.\n");
  EXPECT_FALSE(display->run.Running());
  EXPECT_FALSE(display->run.ReplayingHistory());
  EXPECT_EQ(display->controls.startStopLabel, "Start");
  EXPECT_EQ(vehicle.LinearState(), reference.State());      // no step
  EXPECT_NEAR(display->controls.displayTime, 0.02, 1e-12);  // the stopping frame still counted

  display->AdvanceFrame();  // stopped: nothing happens, no second message
  EXPECT_EQ(vehicle.LinearState(), reference.State());
  EXPECT_EQ(console.str().size(), std::string(kEndOfDataMessage).size());

  Click(70.0f, 35.0f);  // "Start"
  EXPECT_TRUE(display->run.Running());
  EXPECT_EQ(display->controls.startStopLabel, "Stop");
  display->controls.lever.SetValue(1.0f);
  display->AdvanceFrame();
  reference.Step({0.0, 0.0}, 100000.0);
  EXPECT_EQ(vehicle.LinearState(), reference.State());
}

TEST_F(DisplayStateTest, AnEmptyHistoryEndsAtTheFirstFrame) {
  DisplayData data;
  data.run.predefinedForces = true;
  Start(data);
  display->AdvanceFrame();
  EXPECT_EQ(console.str(), kEndOfDataMessage);
  EXPECT_EQ(vehicle.LinearState(), (std::vector<double>{0.0, 0.0}));
}

TEST_F(DisplayStateTest, HistoryWithoutTractionColumnStepsWithZeroForTheMissingColumns) {
  DisplayData data;
  data.run.externalForceHistory = Matrix(1, 1, 700.0);
  data.run.predefinedForces = true;
  Start(data);
  display->AdvanceFrame();
  EXPECT_EQ(display->run.BrakeDemand(), (std::vector<double>{700.0, 0.0}));
  EXPECT_EQ(display->run.TractionForce(), 0.0);
}

TEST_F(DisplayStateTest, ABrokenVehicleStateStopsTheRunUntilReset) {
  DisplayData data;
  data.run.externalForceHistory = Matrix(3, kAxles + 1, 0.0);
  data.run.externalForceHistory[1][kAxles] = std::numeric_limits<double>::infinity();
  data.run.predefinedForces = true;
  Start(data);
  display->AdvanceFrame();
  display->AdvanceFrame();
  const std::string message = console.str();
  EXPECT_NE(std::string::npos, message.find("The simulation stops.")) << message;
  EXPECT_FALSE(display->run.Running());
  EXPECT_EQ(display->controls.startStopLabel, "Start");

  Click(190.0f, 35.0f);  // "Reset"
  EXPECT_FALSE(vehicle.StateBroken());
}

TEST_F(DisplayStateTest, ResetButtonRestartsTheVehicleAndTheReplayButKeepsTheTimeAndMode) {
  DisplayData data;
  data.run.externalForceHistory = History(5);
  data.run.predefinedForces = true;
  Start(data);
  for (int frame = 0; frame < 3; ++frame) display->AdvanceFrame();
  display->controls.lever.SetValue(0.9f);
  ASSERT_NE(vehicle.LinearState()[0], 0.0);
  display->MousePress(MouseButton::kLeft, 190, 35);
  EXPECT_TRUE(display->controls.resetButton.pressed);
  EXPECT_EQ(vehicle.LinearState(), (std::vector<double>{0.0, 0.0}));
  EXPECT_EQ(display->run.HistoryRow(), 0);
  EXPECT_FLOAT_EQ(display->controls.lever.Value(), 0.5f);
  EXPECT_TRUE(display->run.ReplayingHistory());
  EXPECT_NEAR(display->controls.displayTime, 0.015, 1e-12);
  display->MouseRelease(MouseButton::kLeft);
  EXPECT_FALSE(display->controls.resetButton.pressed);
}

TEST_F(DisplayStateTest, LeverResetButtonCentresTheLever) {
  display->controls.lever.SetValue(0.1f);
  display->MousePress(MouseButton::kLeft, 900, 670);
  EXPECT_TRUE(display->controls.leverResetButton.pressed);
  EXPECT_FLOAT_EQ(display->controls.lever.Value(), 0.5f);
  EXPECT_FALSE(display->view.panning);
}

TEST_F(DisplayStateTest, KeyPStopsWithoutRelabellingTheButton) {
  display->Key('p');
  EXPECT_FALSE(display->run.Running());
  EXPECT_EQ(display->controls.startStopLabel, "Stop");
  display->controls.lever.SetValue(1.0f);
  display->AdvanceFrame();
  EXPECT_EQ(display->controls.displayTime, 0.0);
  EXPECT_EQ(vehicle.LinearState(), (std::vector<double>{0.0, 0.0}));
  Click(70.0f, 35.0f);  // the button toggles the run state as it stands
  EXPECT_TRUE(display->run.Running());
  EXPECT_EQ(display->controls.startStopLabel, "Stop");
}

TEST_F(DisplayStateTest, HiddenControlsStillTakePresses) {
  ASSERT_TRUE(display->ToggleMenuEntry(kMenuUi));
  EXPECT_FALSE(display->controls.showUi);
  Click(70.0f, 35.0f);
  EXPECT_FALSE(display->run.Running());
  EXPECT_EQ(display->controls.startStopLabel, "Start");
  display->MousePress(MouseButton::kLeft, 370, 737);
  EXPECT_NEAR(display->controls.deformationScale, 50.0f, 1e-3);
}

TEST_F(DisplayStateTest, MenuEntriesFlipTheirSwitchesAndRelabel) {
  struct Case {
    int entry;
    const char* on;
    const char* off;
  };
  const Case cases[] = {
      {kMenuBodies, "Hide Bodies", "Show Bodies"},
      {kMenuNodes, "Hide Nodes", "Show Nodes"},
      {kMenuForces, "Hide Springs/Dampers", "Show Springs/Dampers"},
      {kMenuExtForces, "Hide External Forces", "Show External Forces"},
      {kMenuOutDisps, "Hide Out. Displacements", "Show Out. Displacements"},
      {kMenuCentrePoints, "Hide center points", "Show center points"},
      {kMenuFollow, "Unfollow Object", "Follow Object"},
      {kMenuGrid, "Hide Grid", "Show Grid"},
      {kMenuUi, "Hide UI", "Show UI"},
      {kMenuBackground, "Hide Background Image", "Show Background Image"},
      {kMenuAntialiasing, "Disable Antialiasing", "Enable Antialiasing"},
  };
  DisplayData data;
  data.background.enabled = true;
  Start(data);
  for (const Case& c : cases) {
    EXPECT_STREQ(display->MenuLabel(c.entry), c.on) << c.entry;
    EXPECT_TRUE(display->ToggleMenuEntry(c.entry));
    EXPECT_STREQ(display->MenuLabel(c.entry), c.off) << c.entry;
  }
  const SceneRenderer& r = display->renderer;
  EXPECT_FALSE(r.layers.Shows("BODY") || r.layers.Shows("NODE") || r.layers.Shows("FORCE") ||
               r.layers.Shows("EXTFORCE") || r.layers.Shows("OUTDISP"));
  EXPECT_FALSE(r.centrePoints || r.grid || r.background.enabled);
  EXPECT_FALSE(display->view.follow || display->controls.showUi || display->controls.antialiasing);
  for (const Case& c : cases) display->ToggleMenuEntry(c.entry);
  for (const Case& c : cases) EXPECT_STREQ(display->MenuLabel(c.entry), c.on) << c.entry;

  EXPECT_STREQ(display->MenuLabel(kMenuQuit), "Quit");
  EXPECT_FALSE(display->ToggleMenuEntry(kMenuQuit));
  EXPECT_FALSE(display->ToggleMenuEntry(13));
  EXPECT_STREQ(display->MenuLabel(0), "");
}

TEST_F(DisplayStateTest, UnfollowedViewStaysWhereItWas) {
  display->controls.lever.SetValue(1.0f);
  for (int frame = 0; frame < 20; ++frame) display->AdvanceFrame();
  display->FollowDrawingState();
  const float x = display->view.followX;
  EXPECT_GT(x, 0.0f);
  display->ToggleMenuEntry(kMenuFollow);
  for (int frame = 0; frame < 20; ++frame) display->AdvanceFrame();
  display->FollowDrawingState();
  EXPECT_EQ(display->view.followX, x);
  EXPECT_GT(display->q[0], x);
}

// A wheel rolls when its turn is its travel over its radius: the contact point
// then stands still on the rail while the wheel moves on.
TEST_F(DisplayStateTest, DrawingStateHoldsScaledDisplacementsThenWheelTurnsOfRollingWheels) {
  DisplayData data;
  data.wheelRadii = {0.46, 0.25};
  Start(data);
  display->controls.lever.SetValue(1.0f);
  for (int frame = 0; frame < 40; ++frame) display->AdvanceFrame();
  display->controls.deformationScale = 2.0f;
  display->AdvanceFrame();
  const std::vector<float>& q = display->q;
  ASSERT_EQ(q.size(), 1u + kAxles);
  // The state is (v, x): q[0] is the displacement, not the velocity.
  EXPECT_FLOAT_EQ(q[0], static_cast<float>(2.0 * vehicle.LinearState()[1]));
  for (int j = 0; j < kAxles; ++j) {
    const double travel = vehicle.WheelTravel()[j];
    EXPECT_GT(travel, 0.0);
    // Rolling forwards turns a wheel clockwise: the arc its rim turns through
    // equals the distance its tread travelled.
    EXPECT_NEAR(-q[1 + j] / 2.0 * data.wheelRadii[j], travel, 1e-6 * travel) << j;
  }
}

TEST(WheelTurnTest, WheelsWithoutARadiusStandStill) {
  EXPECT_DOUBLE_EQ(WheelTurn(0.46 * 3.0, 0.46), -3.0);
  EXPECT_EQ(WheelTurn(1.0, 0.0), 0.0);
  EXPECT_EQ(WheelTurn(1.0, -0.5), 0.0);
}

TEST_F(DisplayStateTest, ReshapeMovesControlsAndTextsWithTheWindowEdges) {
  display->controls.lever.SetValue(1.0f);
  display->Reshape(800, 600);
  EXPECT_EQ(display->controls.scaleSlider.x, 220.0f);
  EXPECT_EQ(display->controls.scaleSlider.y, 560.0f);
  EXPECT_EQ(display->controls.timeStepSlider.y, 530.0f);
  EXPECT_EQ(display->controls.lever.x, 751.0f);
  EXPECT_EQ(display->controls.lever.y, 435.0f);
  EXPECT_EQ(display->controls.lever.knobY, 435.0f);  // value kept: knob at the top
  EXPECT_EQ(display->controls.scaleSlider.knobX, 295.0f);
  EXPECT_EQ(display->controls.leverResetButton.x, 670.0f);
  EXPECT_EQ(display->controls.leverResetButton.y, 475.0f);
  EXPECT_EQ(display->controls.startStopButton.x, 20.0f);
  EXPECT_EQ(display->controls.resetButton.x, 140.0f);
  const float expected[kHudItemCount][2] = {
      {20, 505}, {20, 530}, {20, 555}, {670, 400}, {670, 550}};
  for (int i = 0; i < kHudItemCount; ++i) {
    EXPECT_EQ(display->controls.layout.texts[i].x, expected[i][0]) << i;
    EXPECT_EQ(display->controls.layout.texts[i].y, expected[i][1]) << i;
  }
  display->Reshape(0, 0);
  EXPECT_EQ(display->controls.windowWidth, 1);
  EXPECT_EQ(display->controls.windowHeight, 1);
}

TEST_F(DisplayStateTest, TextsStandAtTheirFirstPlacesBeforeAnyReshape) {
  const float expected[kHudItemCount][2] = {
      {20, 678}, {20, 693}, {20, 718}, {894, 588}, {894, 738}};
  for (int i = 0; i < kHudItemCount; ++i) {
    EXPECT_EQ(display->controls.layout.texts[i].x, expected[i][0]) << i;
    EXPECT_EQ(display->controls.layout.texts[i].y, expected[i][1]) << i;
  }
  EXPECT_EQ(display->controls.HudString(kHudTime), "Time: 0.0000");
  EXPECT_EQ(display->controls.HudString(kHudTimestep), "Timestep: 0.0050");
  EXPECT_EQ(display->controls.HudString(kHudDefScale), "Def. scale: 1.00");
}

TEST_F(DisplayStateTest, ZoomDragFromTheTopRowIsGuarded) {
  display->MousePress(MouseButton::kMiddle, 500, 0);
  display->Motion(500, 100);  // no ratio from row 0
  EXPECT_EQ(display->view.zoom, 30.0f);
  display->Motion(500, 200);  // from row 100 to 200: twice the zoom
  EXPECT_FLOAT_EQ(display->view.zoom, 60.0f);
  EXPECT_EQ(display->view.targetZoom, display->view.zoom);
  display->Motion(500, -5);  // dragged above the window
  EXPECT_FLOAT_EQ(display->view.zoom, 60.0f);
  EXPECT_TRUE(std::isfinite(display->view.zoom));
  display->MouseRelease(MouseButton::kMiddle);
  display->Motion(500, 400);
  EXPECT_FLOAT_EQ(display->view.zoom, 60.0f);
}

TEST_F(DisplayStateTest, ZoomDragIsClampedToItsRange) {
  display->MousePress(MouseButton::kMiddle, 500, 1);
  display->Motion(500, 700);
  display->Motion(500, 1);  // 30 * 700 = 21000, clamped, then / 700
  EXPECT_FLOAT_EQ(display->view.zoom, 10000.0f / 700.0f);
}

TEST_F(DisplayStateTest, WheelSetsTheTargetAndTheZoomGlidesWithoutOvershoot) {
  display->MouseWheel(1);
  EXPECT_FLOAT_EQ(display->view.targetZoom, 39.0f);
  float previous = display->view.zoom;
  int frames = 0;
  while (display->view.zoom != display->view.targetZoom && frames < 100) {
    display->view.GlideZoom();
    EXPECT_LE(display->view.zoom, 39.0f);
    EXPECT_GT(display->view.zoom, previous);
    previous = display->view.zoom;
    ++frames;
  }
  EXPECT_EQ(frames, 9);  // 30 * 1.03^9 = 39.14 > 39: the ninth frame lands on the target
  display->MouseWheel(-1);
  EXPECT_FLOAT_EQ(display->view.targetZoom, 30.0f);
  for (int i = 0; i < 100; ++i) display->view.GlideZoom();
  EXPECT_EQ(display->view.zoom, display->view.targetZoom);

  for (int i = 0; i < 1000; ++i) {
    display->MouseWheel(1);
    display->view.zoom = display->view.targetZoom;
  }
  EXPECT_EQ(display->view.targetZoom, 10000.0f);
}

TEST_F(DisplayStateTest, FirstFrameFitsTheSceneOnceAndGlidesBack) {
  BoundingBox scene;
  scene.Include(-10.0f, -2.0f);
  scene.Include(10.0f, 4.0f);
  EXPECT_TRUE(display->FitViewToScene(scene));
  EXPECT_FLOAT_EQ(display->view.panX, 0.0f);
  EXPECT_FLOAT_EQ(display->view.panY, 1.0f);
  EXPECT_FLOAT_EQ(display->view.zoom, (1024.0f - 30.0f) / 20.0f);  // width limits: 49.7 < 738 / 6
  EXPECT_EQ(display->view.targetZoom, 30.0f);
  scene.Include(100.0f, 100.0f);
  EXPECT_FALSE(display->FitViewToScene(scene));
  EXPECT_FLOAT_EQ(display->view.zoom, 49.7f);
  display->view.GlideZoom();
  EXPECT_FLOAT_EQ(display->view.zoom, 49.7f / 1.03f);
}

TEST_F(DisplayStateTest, FitOfASceneWithoutExtentKeepsTheZoom) {
  EXPECT_TRUE(display->FitViewToScene(BoundingBox()));
  EXPECT_EQ(display->view.zoom, 30.0f);
  Start(DisplayData());
  BoundingBox line;
  line.Include(0.0f, 3.0f);  // a vertical line: only the height limits
  display->FitViewToScene(line);
  EXPECT_FLOAT_EQ(display->view.zoom, (768.0f - 30.0f) / 3.0f);
}

TEST_F(DisplayStateTest, PanningMovesTheViewAgainstTheDrag) {
  display->MousePress(MouseButton::kLeft, 500, 300);  // on no control
  EXPECT_TRUE(display->view.panning);
  display->Motion(530, 315);
  EXPECT_FLOAT_EQ(display->view.panX, -1.0f);
  EXPECT_FLOAT_EQ(display->view.panY, 0.5f);
  const WorldView view = display->View();
  EXPECT_FLOAT_EQ(view.centreX, -1.0f);
  EXPECT_FLOAT_EQ(view.MaxX() - view.MinX(), 1024.0f / 30.0f);
  display->MouseRelease(MouseButton::kLeft);
  EXPECT_FALSE(display->view.panning);
}

TEST_F(DisplayStateTest, FunctionKeysStepTheImageOpacityWithinItsRange) {
  display->Special(SpecialKey::kF2);
  EXPECT_EQ(display->renderer.imageOpacity, 1.0f);
  for (int i = 0; i < 3; ++i) display->Special(SpecialKey::kF1);
  EXPECT_NEAR(display->renderer.imageOpacity, 0.7f, 1e-6);
  for (int i = 0; i < 20; ++i) display->Special(SpecialKey::kF1);
  EXPECT_EQ(display->renderer.imageOpacity, 0.0f);
  display->Special(SpecialKey::kOther);
  EXPECT_EQ(display->renderer.imageOpacity, 0.0f);
}

TEST(FrameRateCounterTest, CountsTheTicksOfEachWholeSecond) {
  FrameRateCounter counter;
  for (int ms = 16; ms < 1000; ms += 16) counter.Tick(ms);
  EXPECT_EQ(counter.framesPerSecond, 0);
  counter.Tick(1008);  // the 63rd tick reaches the mark
  EXPECT_EQ(counter.framesPerSecond, 63);
  for (int ms = 1024; ms < 2008; ms += 32) counter.Tick(ms);
  counter.Tick(2008);
  EXPECT_EQ(counter.framesPerSecond, 32);
}

TEST(SliderFactorTest, FactorsAndValuesAreInverse) {
  EXPECT_NEAR(SliderFactor(0.0f), 0.02f, 1e-7);
  EXPECT_FLOAT_EQ(SliderFactor(0.5f), 1.0f);
  EXPECT_NEAR(SliderFactor(1.0f), 50.0f, 1e-4);
  for (const float v : {0.0f, 0.1f, 0.5f, 0.77f, 1.0f}) {
    EXPECT_NEAR(SliderValueOf(SliderFactor(v)), v, 1e-6) << v;
  }
}

}  // namespace
