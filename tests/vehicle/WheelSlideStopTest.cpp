// Wheel slide protection on the shipped vehicle's full brake against the best
// a constant brake gain can do without it.
//
// The full brake asks 25000 per axle, 12.5 kN at each tread (brake force
// radius 0.5), from 14 m/s, the demo's braking speed. Without the unit the
// stop is shortest at the gain that keeps every wheel just rolling; the unit,
// at gain 1.0, must stop within 1.1 times that distance.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "setup/VehicleSetUp.h"
#include "support/ShippedVehicle.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempFolder;

constexpr double kTimeStep = 0.005;
constexpr double kStartSpeed = 14.0;  // m/s
constexpr double kFullBrake = 25000.0;

// Replaces the first `from` in `text` by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(std::string::npos, at) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// The shipped vehicle at adhesion `mu`, brake gain `gain`, started rolling at
// kStartSpeed, with its WSP line `wsp`.
std::string Model(double mu, double gain, const std::string& wsp) {
  std::string text = ReadFile(testing_support::ShippedModelFile(testing_support::DataDir()));
  std::ostringstream adhesion, brake;
  adhesion << mu << " 0.2 5 1 1";
  brake << "BRKSYS " << gain << " 0.05";
  text = Replaced(text, "0.1 0.2 5 1 1", adhesion.str());
  text = Replaced(text, "BRKSYS 1 0.05", brake.str());
  text = Replaced(text, "V0 0", "V0 14");
  const std::size_t at = text.find("\nWSP ") + 1;
  return text.substr(0, at) + wsp + text.substr(text.find('\n', at));
}

// The distance the mean wheelset runs under the full brake until the vehicle
// has slowed below 0.05 m/s.
double StoppingDistance(double mu, double gain, const std::string& wsp) {
  TempFolder folder;
  folder.Write("model.in", Model(mu, gain, wsp));
  VehicleSetUp setUp;
  EXPECT_TRUE(setUp.Build((folder.Path() / "model.in").string(), kTimeStep)) << setUp.Failure();
  Kelvra kelvra;
  std::ostringstream log;
  EXPECT_TRUE(setUp.CreateVehicle(kelvra, log)) << log.str();
  const std::vector<double> demand(4, kFullBrake);
  auto mean = [](const std::vector<double>& values) {
    double sum = 0.0;
    for (double v : values) sum += v;
    return sum / static_cast<double>(values.size());
  };
  for (int k = 0; k < 20000 && mean(kelvra.VehicleSpeed()) > 0.05; ++k) {
    EXPECT_TRUE(kelvra.DoStep(demand, 0.0));
  }
  return mean(kelvra.Position());
}

TEST(WheelSlideStopTest, TheFullBrakeWithTheUnitStopsAlmostAsShortAsTheBestConstantGain) {
  const struct {
    double mu;
    double lowestGain;  // the gains tried step by 0.02 from here, the best among them
  } levels[] = {{0.08, 0.46}, {0.12, 0.70}};
  for (const auto& level : levels) {
    SCOPED_TRACE(testing::Message() << "adhesion " << level.mu);
    std::vector<double> distances;
    for (int k = 0; k <= 10; ++k) {
      distances.push_back(StoppingDistance(level.mu, level.lowestGain + 0.02 * k, "WSP 0"));
    }
    const auto best = std::min_element(distances.begin(), distances.end());
    // The best gain lies inside the range tried: the gains on either side stop later.
    EXPECT_NE(distances.begin(), best);
    EXPECT_NE(distances.end() - 1, best);
    const double locked = StoppingDistance(level.mu, 1.0, "WSP 0");
    const double protectedStop = StoppingDistance(level.mu, 1.0, "WSP 1");
    EXPECT_GT(locked, 1.15 * *best);
    EXPECT_LT(protectedStop, 1.1 * *best);
    // Nothing stops shorter than every wheel at the top of its adhesion: the
    // rail carries the static loads of 392400 N in all and decelerates the
    // bodies' 41000 kg, v^2 / (2 a) with a = mu 392400 N / 41000 kg.
    const double ideal = kStartSpeed * kStartSpeed / (2.0 * level.mu * 392400.0 / 41000.0);
    EXPECT_GT(protectedStop, ideal);
  }
}

}  // namespace
