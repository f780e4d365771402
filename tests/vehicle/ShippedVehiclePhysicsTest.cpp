// The coupled step on the shipped vehicle against numbers worked out by hand.
//
// Masses: car 31000 kg, two bogies of 3000 kg, four wheelsets of 1000 kg; each
// wheel's rotation carries a reduced mass of 500 kg at the tread. A rolling
// wheel turns with the vehicle, so traction accelerates all of it:
//   a = T / (31000 + 2 * 3000 + 4 * 1000 + 4 * 500) = T / 43000.
// The brake acts between bogie and wheelset, so it reaches the rail only
// through the adhesion of its wheel, and at the tread only with the brake force
// radius 0.5: per axle r B = 0.5 B, and with rolling wheels
//   a = -4 * 0.5 * B / 43000.
// A sliding wheel no longer turns with the vehicle; the vehicle (41000 kg
// without the wheels' reduced masses) is then slowed only by the sliding
// adhesion mu(slip) N, which falls with the slip.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "support/ShippedVehicle.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

namespace {

constexpr double kTimeStep = 0.005;  // s, as shipped
constexpr int kAxles = 4;
constexpr double kRollingMass = 43000.0;    // kg, vehicle and the wheels' reduced masses
constexpr double kSlidingMass = 41000.0;    // kg, vehicle without the wheels
constexpr double kBrakeRadius = 0.5;        // brake force radius ratio
constexpr double kWheelMass = 500.0;        // kg, reduced mass of one wheel at the tread
constexpr double kFullTraction = 100000.0;  // N
constexpr double kFullBrake = 25000.0;      // per axle

int StepsOf(double seconds) {
  return static_cast<int>(std::lround(seconds / kTimeStep));
}

class ShippedVehiclePhysicsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    built = shipped.Build(testing_support::ShippedModelFile(testing_support::DataDir()), kTimeStep);
  }

  void SetUp() override { ASSERT_TRUE(built) << shipped.Failure(); }

  // The shipped settings, or ITER `iter` with the shipped SUBDIV.
  void Create(int iter = -1) {
    std::ostringstream log;
    const bool created = iter < 0 ? shipped.CreateVehicle(kelvra, log)
                                  : shipped.CreateVehicle(kelvra, iter, 10, log);
    ASSERT_TRUE(created) << log.str();
    lim = kelvra.Dynamics().AxleRot.Lim();
  }

  // Steps for `seconds` with the same brake demand on every axle.
  void Run(double seconds, double brake, double traction) {
    const std::vector<double> demand(kAxles, brake);
    for (int k = StepsOf(seconds); k > 0; --k) ASSERT_TRUE(kelvra.DoStep(demand, traction));
  }

  // Full traction for 6 s from standstill, then 4 s of coasting for the
  // suspension to settle: about 14 m/s.
  void Approach() {
    Run(6.0, 0.0, kFullTraction);
    Run(4.0, 0.0, 0.0);
  }

  // The car body's longitudinal speed (the first DOF).
  double Speed() const { return kelvra.LinearState()[0]; }
  double Slip(int axle) const { return kelvra.VehicleSpeed()[axle] - kelvra.WheelSpeed()[axle]; }
  double LargestSlip() const {
    double largest = 0.0;
    for (int i = 0; i < kAxles; ++i) largest = std::max(largest, std::fabs(Slip(i)));
    return largest;
  }

  // Deceleration between 1 s and 3 s after applying `brake` at about 14 m/s,
  // and the largest slip of any wheel over those 3 s.
  void Brake(double brake, double& deceleration, double& largestSlip) {
    Approach();
    largestSlip = 0.0;
    const std::vector<double> demand(kAxles, brake);
    double speedAtOneSecond = 0.0;
    for (int k = 1; k <= StepsOf(3.0); ++k) {
      ASSERT_TRUE(kelvra.DoStep(demand, 0.0));
      largestSlip = std::max(largestSlip, LargestSlip());
      if (k == StepsOf(1.0)) speedAtOneSecond = Speed();
    }
    deceleration = (speedAtOneSecond - Speed()) / 2.0;
  }

  static inline VehicleSetUp shipped;
  static inline bool built = false;
  Kelvra kelvra;
  double lim = 0.0;
};

TEST_F(ShippedVehiclePhysicsTest, TractionAcceleratesTheVehicleWithItsRollingWheels) {
  const double expected = kFullTraction / kRollingMass;  // 2.3256 m/s^2
  for (int iter : {3, 0}) {
    SCOPED_TRACE("ITER " + std::to_string(iter));
    Create(iter);
    Run(2.0, 0.0, kFullTraction);
    const double v2 = Speed();
    Run(1.0, 0.0, kFullTraction);
    EXPECT_NEAR(expected, Speed() - v2, 1e-5 * expected);
    // Every wheel is accelerated by its own adhesion, m a, which takes a slip
    // well inside the band.
    for (int i = 0; i < kAxles; ++i) {
      EXPECT_NEAR(kWheelMass * expected, kelvra.AdhesionForce()[i], 1e-3 * kWheelMass * expected)
          << "axle " << i;
      EXPECT_GT(Slip(i), 0.0) << "axle " << i;
      EXPECT_LT(Slip(i), 0.2 * lim) << "axle " << i;
    }
  }
}

// Up to about 16 kN per axle every wheel keeps rolling (slip inside the LIM
// band) and the deceleration is 4 r B / 43000.
TEST_F(ShippedVehiclePhysicsTest, BrakeBelowTheAdhesionLimitDeceleratesWithRollingWheels) {
  for (double brake : {10000.0, 16000.0}) {
    SCOPED_TRACE("brake " + std::to_string(brake));
    Create();
    double deceleration = 0.0, largestSlip = 0.0;
    Brake(brake, deceleration, largestSlip);
    const double expected = kAxles * kBrakeRadius * brake / kRollingMass;
    EXPECT_NEAR(expected, deceleration, 1e-3 * expected);
    EXPECT_LT(largestSlip, lim);
  }
}

// Beyond the limit the lightest loaded wheels lock first: wheels 1 and 3, at
// the -x end of their bogies, which trail in +x travel. At the full brake all
// four slide, and the vehicle decelerates less than at 16 kN: the sliding
// adhesion, mu(slip) N per wheel, on the vehicle without its wheels.
TEST_F(ShippedVehiclePhysicsTest, FullBrakeLocksEveryWheelAndDeceleratesLess) {
  Create();
  double deceleration = 0.0, largestSlip = 0.0;
  Brake(18000.0, deceleration, largestSlip);
  EXPECT_GT(largestSlip, 100.0 * lim) << "at 18 kN some wheel already slides";
  for (int i = 0; i < kAxles; ++i) {
    EXPECT_EQ(i % 2 == 0, Slip(i) > lim) << "at 18 kN, wheel " << i + 1;
  }

  Create();
  Brake(kFullBrake, deceleration, largestSlip);
  const double speed = Speed();
  ASSERT_GT(speed, 10.0);
  for (int i = 0; i < kAxles; ++i) EXPECT_GT(Slip(i), 100.0 * lim) << "axle " << i;
  EXPECT_LT(deceleration, 0.5 * kAxles * kBrakeRadius * 16000.0 / kRollingMass);

  // Momentum of the sliding vehicle over one more second.
  double impulse = 0.0;
  const std::vector<double> demand(kAxles, kFullBrake);
  for (int k = 0; k < StepsOf(1.0); ++k) {
    ASSERT_TRUE(kelvra.DoStep(demand, 0.0));
    for (double adhesion : kelvra.AdhesionForce()) impulse += adhesion * kTimeStep;
  }
  EXPECT_NEAR(impulse / kSlidingMass, speed - Speed(), 0.02 * impulse / kSlidingMass);
}

// A wheel at rest takes no brake force, so a braked vehicle at rest stays
// exactly where it is.
TEST_F(ShippedVehiclePhysicsTest, StandstillWithBrakesAppliedStaysAtRest) {
  Create();
  Run(2.0, kFullBrake, 0.0);
  for (double x : kelvra.LinearState()) EXPECT_EQ(0.0, x);
  for (const std::vector<double>* perAxle :
       {&kelvra.WheelSpeed(), &kelvra.WheelTravel(), &kelvra.AdhesionForce(), &kelvra.BrakeForce(),
        &kelvra.VehicleSpeed()}) {
    for (double value : *perAxle) EXPECT_EQ(0.0, value);
  }
  for (int i = 0; i < kAxles; ++i) {
    EXPECT_TRUE(std::isfinite(kelvra.AdhesionCapacity()[i]));
    EXPECT_EQ(98100.0, kelvra.NormalForce()[i]);
  }
}

int Sign(double x) {
  return (x > 0.0) - (x < 0.0);
}

// Counts the values whose sign differs from both neighbours' (+ - + or - + -).
class AlternationCounter {
 public:
  void Add(double x) {
    older = old;
    old = newest;
    newest = Sign(x);
    if (old != 0 && newest == older && old == -newest) ++count;
  }
  int Count() const { return count; }

 private:
  int older = 0, old = 0, newest = 0, count = 0;
};

// The brake factor of a nearly locked wheel is evaluated once per pass and held
// over the step; with the shipped ITER the committed result does not flip from
// step to step: the locked wheels' speeds and brake forces keep their signs
// from the brake application until the vehicle stops.
TEST_F(ShippedVehiclePhysicsTest, FullBrakeIsSmoothWithTheShippedIterations) {
  Create();
  ASSERT_EQ(3, kelvra.Dynamics().AxleRot.Iter());
  Run(6.0, 0.0, kFullTraction);
  Run(2.0, 0.0, 0.0);
  std::vector<AlternationCounter> speed(kAxles), brake(kAxles);
  const std::vector<double> demand(kAxles, kFullBrake);
  int steps = 0;
  for (; Speed() > 0.0 && steps < StepsOf(60.0); ++steps) {
    ASSERT_TRUE(kelvra.DoStep(demand, 0.0));
    for (int i = 0; i < kAxles; ++i) {
      speed[i].Add(kelvra.WheelSpeed()[i]);
      brake[i].Add(kelvra.BrakeForce()[i]);
    }
  }
  ASSERT_LT(steps, StepsOf(60.0)) << "the vehicle must stop";
  for (int i = 0; i < kAxles; ++i) {
    EXPECT_EQ(0, speed[i].Count()) << "axle " << i;
    EXPECT_EQ(0, brake[i].Count()) << "axle " << i;
  }
}

}  // namespace
