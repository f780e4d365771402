#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "model/ModelParameters.h"
#include "vehicle/WheelSlideProtection.h"

namespace {

constexpr double kDt = 0.005;  // s, the controller's sample time

TWheelSlideProtection Controller(std::size_t axles, WheelSlideSettings settings = {}) {
  settings.enabled = true;
  TWheelSlideProtection wsp;
  std::ostringstream log;
  EXPECT_TRUE(wsp.SetPar(axles, kDt, settings, log)) << log.str();
  return wsp;
}

// A vehicle of body mass M on n wheels, each with the reduced mass m of its
// wheelset and the normal force N; w_i the wheels' circumferential speeds,
// s_i = v - w_i their slips:
//   M v' = -sum A_i,   m w_i' = A_i + g_i T - f_i B,   A_i = mu(s_i) N
// with brake force B and traction T at the tread, shared out by the
// controller (f_i, g_i). The adhesion rises to its optimum mu_p at slip s0
// and falls beyond it towards half of that over a few m/s, as on wet rail:
//   mu(s) = mu_p 2x / (1 + x^2)                    x = |s| / s0 <= 1
//   mu(s) = mu_p (1 + exp(-(|s| - s0) / 3 m/s)) / 2   beyond,
// with the sign of s. A braked wheel does not turn backwards. Integrated by
// the midpoint rule on 0.5 ms substeps, inside the adhesion's time constant
// m s0 / (2 mu_p N) of 3 ms and more.
struct Plant {
  static constexpr int kMostWheels = 4;
  int wheels = 4;
  double bodyMass = 41000.0;     // kg
  double reducedMass = 500.0;    // kg per wheelset
  double normalForce = 98100.0;  // N per wheel
  double muPeak = 0.08;
  double peakSlip = 0.2;  // m/s
  double v = 14.0;        // m/s
  double x = 0.0;         // m
  std::vector<double> w;

  double Mu(double slip) const {
    const double r = std::fabs(slip) / peakSlip;
    const double shape = r <= 1.0 ? 2.0 * r / (1.0 + r * r)
                                  : 0.5 + 0.5 * std::exp(-(std::fabs(slip) - peakSlip) / 3.0);
    return std::copysign(muPeak * shape, slip);
  }
  // The deceleration with every wheel at the optimum.
  double BestDeceleration() const { return wheels * muPeak * normalForce / bodyMass; }

  // One controller step with brake force `brake` and traction `traction` per
  // wheel at the tread, the shares of the controller applied.
  void Step(double brake, double traction, const std::vector<double>& brakeShare,
            const std::vector<double>& tractionShare) {
    const int substeps = 10;
    const double h = kDt / substeps;
    double dw[kMostWheels], mid[kMostWheels];
    auto rates = [&](double vv, const double* ww) {
      double force = 0.0;
      for (int i = 0; i < wheels; ++i) {
        const double a = Mu(vv - ww[i]) * normalForce;
        force += a;
        dw[i] = (a + tractionShare[i] * traction - brakeShare[i] * brake) / reducedMass;
      }
      return -force / bodyMass;
    };
    for (int k = 0; k < substeps; ++k) {
      const double dv = rates(v, w.data());
      for (int i = 0; i < wheels; ++i) mid[i] = w[i] + 0.5 * h * dw[i];
      const double dvMid = rates(v + 0.5 * h * dv, mid);
      x += h * (v + 0.5 * h * dv);
      v += h * dvMid;
      for (int i = 0; i < wheels; ++i) {
        w[i] += h * dw[i];
        if (brake > 0.0) w[i] = std::max(0.0, w[i]);
      }
    }
  }
};

// A run under a constant brake (or traction) per wheel, from the plant's start.
struct Stop {
  double distance = 0.0;        // m, until the vehicle has slowed to `until`
  double largestSlip = 0.0;     // m/s, of any wheel while the vehicle ran above 2 m/s
  double referenceBelow = 0.0;  // m/s, the most the reference fell short of v
  double referenceAbove = 0.0;  // m/s, the most it ran ahead of v
};

Stop Brake(Plant plant, double brake, bool protect, double until) {
  TWheelSlideProtection wsp = Controller(plant.wheels);
  const std::vector<double> demand(plant.wheels, 1.0);
  const std::vector<double> full(plant.wheels, 1.0);
  plant.w.assign(plant.wheels, plant.v);
  Stop stop;
  for (int k = 0; plant.v > until && k < 40000; ++k) {
    // The controller gets the wheel speeds, and nothing else of the plant.
    wsp.DoStep(plant.w, demand, 0.0);
    EXPECT_TRUE(wsp.Finalize());
    stop.referenceBelow = std::max(stop.referenceBelow, plant.v - wsp.ReferenceSpeed());
    stop.referenceAbove = std::max(stop.referenceAbove, wsp.ReferenceSpeed() - plant.v);
    for (double w : plant.w) {
      if (plant.v > 2.0) stop.largestSlip = std::max(stop.largestSlip, plant.v - w);
    }
    plant.Step(brake, 0.0, protect ? wsp.BrakeShareCommitted() : full, full);
  }
  stop.distance = plant.x;
  return stop;
}

// Under a brake that asks twice the adhesion there is, the unprotected wheels
// lock and the vehicle slides on a part of it. Protected, the slip stays
// small, and from 14 m/s down to the unit's lowest speed the vehicle
// decelerates at 90 % or more of what every wheel at the adhesion optimum
// would give, one wheel alone or four that slide together.
TEST(TWheelSlideProtectionTest, HoldsTheSlipNearTheAdhesionOptimum) {
  const struct {
    int wheels;
    double muPeak;
  } cases[] = {{1, 0.08}, {4, 0.04}, {4, 0.08}, {4, 0.15}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.wheels << " wheels, mu " << c.muPeak);
    Plant plant;
    plant.wheels = c.wheels;
    plant.bodyMass = 10250.0 * c.wheels;
    plant.muPeak = c.muPeak;
    const double brake = 2.0 * c.muPeak * plant.normalForce;
    const double until = WheelSlideSettings{}.minSpeed;
    const double best = (plant.v * plant.v - until * until) / (2.0 * plant.BestDeceleration());

    const Stop locked = Brake(plant, brake, false, until);
    EXPECT_GT(locked.largestSlip, 10.0);
    EXPECT_GT(locked.distance, 1.5 * best);

    const Stop kept = Brake(plant, brake, true, until);
    EXPECT_LT(kept.largestSlip, 3.0);
    EXPECT_LT(kept.distance, best / 0.9);
    EXPECT_GT(kept.distance, best);  // nothing beats the optimum
  }
}

// The reference comes from the wheels alone: the fastest of them, and while
// all four slide together it falls at ref_decel, faster than the vehicle
// does. It never runs ahead of the vehicle, and lags it by less than the
// slide threshold.
TEST(TWheelSlideProtectionTest, ReferenceFollowsTheWheelsWithinTheSlideThreshold) {
  Plant plant;
  const Stop run = Brake(plant, 2.0 * plant.muPeak * plant.normalForce, true, 1.0);
  EXPECT_LT(run.referenceAbove, 1e-9);
  EXPECT_GT(run.referenceBelow, 0.0);
  EXPECT_LT(run.referenceBelow, WheelSlideSettings{}.slideDiff);
}

// Wheel speeds handed in directly: the reference is the fastest wheel
// braking or coasting and the slowest under traction, and it moves away from
// the last estimate no faster than the vehicle can.
TEST(TWheelSlideProtectionTest, ReferenceIsBoundByTheVehiclesAccelerations) {
  const WheelSlideSettings s;
  const struct {
    const char* name;
    std::vector<double> before, after;
    double brake, traction;
    double reference;  // after one step with `after`
  } cases[] = {
      {"one wheel slows", {10, 10, 10, 10}, {10, 5, 10, 10}, 1, 0, 10},
      {"all slow", {10, 10, 10, 10}, {5, 5, 5, 5}, 1, 0, 10 - s.refDecel * kDt},
      {"all slow, coasting", {10, 10, 10, 10}, {5, 5, 5, 5}, 0, 0, 10 - s.refDecel * kDt},
      {"one speeds up", {10, 10, 10, 10}, {10, 10, 12, 10}, 1, 0, 12},
      {"one spins", {10, 10, 10, 10}, {10, 10, 12, 10}, 0, 1000, 10},
      {"all spin", {10, 10, 10, 10}, {12, 12, 12, 12}, 0, 1000, 10 + s.refAccel * kDt},
      {"backwards, one slows", {-10, -10, -10, -10}, {-10, -5, -10, -10}, 1, 0, -10},
      {"backwards, all spin",
       {-10, -10, -10, -10},
       {-12, -12, -12, -12},
       0,
       -1000,
       -10 - s.refAccel * kDt},
  };
  for (const auto& c : cases) {
    TWheelSlideProtection wsp = Controller(4);
    const std::vector<double> demand(4, c.brake);
    wsp.DoStep(c.before, demand, c.traction);
    ASSERT_TRUE(wsp.Finalize());
    EXPECT_DOUBLE_EQ(c.before[0], wsp.ReferenceSpeed()) << c.name;
    wsp.DoStep(c.after, demand, c.traction);
    ASSERT_TRUE(wsp.Finalize());
    EXPECT_DOUBLE_EQ(c.reference, wsp.ReferenceSpeed()) << c.name;
  }
}

// A wheel that stays at rest while the others slow with the vehicle (a
// seized axle): its valve vents, and safety_time after the brake was first
// reduced it is re-applied in full and stays applied; releasing the brake
// re-arms the timer. The other axles are left alone throughout.
TEST(TWheelSlideProtectionTest, SafetyTimerReappliesABrakeReducedTooLong) {
  const WheelSlideSettings s;
  TWheelSlideProtection wsp = Controller(4);
  const std::vector<double> demand(4, 1.0), released(4, 0.0);
  double v = 20.0;
  auto step = [&](const std::vector<double>& d) {
    v -= 1.0 * kDt;
    wsp.DoStep({v, v, v, 0.0}, d, 0.0);
    EXPECT_TRUE(wsp.Finalize());
  };
  const int refillSteps = static_cast<int>(std::lround(1.0 / (s.refillRate * kDt)));
  int timedOutAt = -1;
  for (int k = 0; k < 1000; ++k) {
    step(demand);
    if (k == 0) {
      EXPECT_EQ(WspValve::Dump, wsp.Valve()[3]);
    }
    for (int i = 0; i < 3; ++i) {
      ASSERT_EQ(WspValve::Refill, wsp.Valve()[i]) << k;
    }
    if (timedOutAt < 0 && wsp.TimedOut()[3] != 0) timedOutAt = k;
    if (timedOutAt >= 0) {
      ASSERT_EQ(WspValve::Refill, wsp.Valve()[3]) << k;
    }
    if (timedOutAt >= 0 && k >= timedOutAt + refillSteps) {
      ASSERT_EQ(1.0, wsp.BrakeShare()[3]) << k;
    }
  }
  EXPECT_NEAR(s.safetyTime, (timedOutAt + 1) * kDt, 1.5 * kDt);

  step(released);
  EXPECT_EQ(0, wsp.TimedOut()[3]);
  step(demand);
  EXPECT_EQ(WspValve::Dump, wsp.Valve()[3]);
}

// As the brake comes on, every wheelset swings back on its suspension: the
// wheels dip for a moment faster than slide_decel below the reference and
// then roll on with the vehicle. The unit vents on the dip; the wheels never
// turn, and once vented in full they get their brake back, well before the
// safety timer would take the unit off them.
TEST(TWheelSlideProtectionTest, WheelsThatDipWithoutSlidingGetTheirBrakeBack) {
  const WheelSlideSettings s;
  TWheelSlideProtection wsp = Controller(4);
  const std::vector<double> demand(4, 1.0);
  double w = 14.0;
  bool vented = false;
  for (int k = 0; k < 400; ++k) {
    const double rate = k < 10 ? -8.0 : k < 40 ? 0.5 : -0.7;  // m/s2: dip, back, rolling
    w += rate * kDt;
    wsp.DoStep({w, w, w, w}, demand, 0.0);
    ASSERT_TRUE(wsp.Finalize());
    vented = vented || wsp.Valve()[0] == WspValve::Dump;
  }
  EXPECT_TRUE(vented);
  const double back = 1.0 / s.dumpRate + 1.0 / s.refillRate + 40 * kDt;
  EXPECT_LT(back, 400 * kDt);
  EXPECT_EQ((std::vector<double>(4, 1.0)), wsp.BrakeShare());
  EXPECT_EQ((std::vector<std::uint8_t>(4, 0)), wsp.TimedOut());
}

// Traction twice what the adhesion carries, through one wheel: unprotected
// it spins up; protected, the vehicle accelerates at 85 % or more of the
// optimum's rate from rest.
TEST(TWheelSlideProtectionTest, ReducesTractionOnASpinningWheel) {
  for (const bool protect : {false, true}) {
    Plant plant;
    plant.wheels = 1;
    plant.bodyMass = 10250.0;
    plant.v = 0.0;
    plant.w = {0.0};
    TWheelSlideProtection wsp = Controller(1);
    const std::vector<double> released(1, 0.0), full(1, 1.0);
    const double traction = 2.0 * plant.muPeak * plant.normalForce;
    const double time = 10.0;
    for (int k = 0; k < std::lround(time / kDt); ++k) {
      wsp.DoStep(plant.w, released, traction);
      plant.Step(0.0, traction, full, protect ? wsp.TractionShare() : full);
      ASSERT_TRUE(wsp.Finalize());
    }
    const double utilisation = plant.v / (time * plant.BestDeceleration());
    if (protect) {
      EXPECT_GT(utilisation, 0.85);
      EXPECT_LT(plant.w[0] - plant.v, WheelSlideSettings{}.slideDiff + 0.2);
    } else {
      EXPECT_LT(utilisation, 0.7);
      EXPECT_GT(plant.w[0] - plant.v, 10.0);
    }
  }
}

// The section as it stands after its keyword: the switch, then the settings
// on its line, the rest at their defaults; a switched-off section leaves no
// trace in the log. Another section on the same line ends it.
TEST(TWheelSlideProtectionTest, ReadsTheSwitchAndTheSettingsGiven) {
  WheelSlideSettings all;
  all.enabled = true;
  all.refDecel = 1.1;
  all.refAccel = 2.2;
  all.slideDiff = 0.6;
  all.decelDiff = 0.2;
  all.slideDecel = 5;
  all.recoverAccel = 0.5;
  all.dumpRate = 3;
  all.refillRate = 0.8;
  all.safetyTime = 4;
  all.minSpeed = 2;
  WheelSlideSettings two;
  two.enabled = true;
  two.refDecel = 1.1;
  two.refAccel = 2.2;
  WheelSlideSettings off = two;
  off.enabled = false;
  const std::string read = "\nTWheelSlideProtection::ReadPar() successfully finished.\n";
  const struct {
    const char* text;
    WheelSlideSettings settings;
    std::string log;
  } cases[] = {
      {" 0\n", WheelSlideSettings{}, ""},
      {" 0 1.1 2.2\n", off, ""},
      {"\n 1\nV0 0\n", WheelSlideSettings{.enabled = true}, read},
      {" 1 1.1 2.2 V0 5\n", two, read},
      {" 1 1.1 2.2 0.6 0.2 5 0.5 3 0.8 4 2\n2 3\n", all, read},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.text);
    std::ostringstream log;
    TWheelSlideProtection wsp;
    EXPECT_TRUE(wsp.ReadPar(in, log)) << c.text;
    EXPECT_EQ(c.log, log.str()) << c.text;
    EXPECT_EQ(c.settings, wsp.Settings()) << c.text;
    EXPECT_TRUE(wsp.SetPar(4, kDt, log));
    EXPECT_EQ(4u, wsp.AxleNum());
  }
}

// The study path WSP.<name> of every setting changes the number that the
// section reads as that setting, and no other.
TEST(TWheelSlideProtectionTest, EachSettingsStudyPathReachesTheNumberReadForIt) {
  constexpr double WheelSlideSettings::*kFileOrder[] = {
      &WheelSlideSettings::refDecel,   &WheelSlideSettings::refAccel,
      &WheelSlideSettings::slideDiff,  &WheelSlideSettings::decelDiff,
      &WheelSlideSettings::slideDecel, &WheelSlideSettings::recoverAccel,
      &WheelSlideSettings::dumpRate,   &WheelSlideSettings::refillRate,
      &WheelSlideSettings::safetyTime, &WheelSlideSettings::minSpeed};
  ASSERT_EQ(std::size(kFileOrder), std::size(kWheelSlideSettingNames));
  const std::string line = "WSP 1 1.5 2.5 0.4 0.15 4 1 4 1 3 1\n";
  for (std::size_t k = 0; k < std::size(kFileOrder); ++k) {
    const std::string path = std::string("WSP.") + kWheelSlideSettingNames[k];
    std::string text = line;
    std::string error;
    ASSERT_TRUE(SetModelParameter(text, path, "0.3", error)) << path << ": " << error;
    std::istringstream in(text.substr(3));
    std::ostringstream log;
    TWheelSlideProtection wsp;
    ASSERT_TRUE(wsp.ReadPar(in, log)) << path << log.str();
    WheelSlideSettings expected{.enabled = true};
    expected.*kFileOrder[k] = 0.3;
    EXPECT_EQ(expected, wsp.Settings()) << path;
  }
}

// A unit that steps needs a time step; one switched off goes with any vehicle.
TEST(TWheelSlideProtectionTest, OnlyAUnitSwitchedOnNeedsATimeStep) {
  std::ostringstream log;
  TWheelSlideProtection wsp;
  EXPECT_TRUE(wsp.SetPar(4, std::nan(""), WheelSlideSettings{}, log));
  EXPECT_EQ("", log.str());
  EXPECT_FALSE(wsp.SetPar(4, 0.0, WheelSlideSettings{.enabled = true}, log));
  EXPECT_EQ("\nError - WSP: the time step 0 s must be above 0.\n", log.str());
}

TEST(TWheelSlideProtectionTest, RefusesSettingsThatCannotWork) {
  const struct {
    const char* text;
    const char* reason;
  } cases[] = {
      {" 2\n", "the switch must be 0 or 1, not '2'"},
      {" on\n", "the switch must be 0 or 1, not 'on'"},
      {"\n", "the switch must be 0 or 1, not ''"},
      {"\nV0 0\n", "the switch must be 0 or 1, not 'V0'"},
      {" 1 fast\n", "the setting ref_decel 'fast' is no number"},
      {" 1 1.5 2.5s\n", "the setting ref_accel '2.5s' is no number"},
      {" 1 xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\n",
       "the setting ref_decel 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...' is no number"},
      {" 1 1 1 1 0.5 1 1 1 1 1 1 1\n", "its line has 11 settings, at most 10 are known"},
      {" 1 0\n", "ref_decel must be above 0"},
      {" 1 1.5 2.5 0.4 0.4\n", "slide_diff must be above decel_diff"},
      {" 1 1.5 2.5 0.4 0.15 4 -1\n", "recover_accel must not be below 0"},
      {" 1 1.5 2.5 0.4 0.15 4 1 4 1 0\n", "safety_time must be above 0"},
      {" 1 1.5 2.5 0.4 0.15 4 1 4 1 3 -1\n", "min_speed must not be below 0"},
      {" 1 1.5 2.5 0.4 0.15 4 1 4 1 inf\n", "the setting safety_time 'inf' is no number"},
      {" 0 1.5 2.5 0.4 0.4\n", "slide_diff must be above decel_diff"},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.text);
    std::ostringstream log;
    TWheelSlideProtection wsp;
    EXPECT_FALSE(wsp.ReadPar(in, log)) << c.text;
    EXPECT_EQ(std::string("\nError - WSP: ") + c.reason +
                  ".\n\nTWheelSlideProtection::ReadPar() is not successfull.\n",
              log.str())
        << c.text;
    EXPECT_EQ(WheelSlideSettings{}, wsp.Settings()) << c.text;
  }
}

}  // namespace
