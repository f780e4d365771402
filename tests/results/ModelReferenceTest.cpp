// The reference integration of a run's model against the closed-form motion of
// the single-mass vehicle whose wheels roll under a constant traction.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "results/ModelReference.h"
#include "support/SingleMassVehicle.h"
#include "support/TestSupport.h"

namespace {

// With a constant adhesion coefficient mu and slip s = v - w inside the band L,
// every axle's adhesion is C s / L (C = mu N), and
//   M v' = F - n C s / L,   m w' = C s / L,
// so s' = F / M - k s with k = (C / L)(n / M + 1 / m): s = F / (M k) (1 - e^-kt),
// and the momentum M v + n m w = F t gives v = (F t + n m s) / (M + n m).
TEST(ModelReferenceTest, RollingWheelsFollowTheClosedForm) {
  struct Case {
    int axles;
    double traction;
  };
  for (const Case c : {Case{2, 10000.0}, Case{1, -4000.0}, Case{4, 20000.0}}) {
    SCOPED_TRACE(c.axles);
    SingleMassVehicle vehicle(c.axles, 0.005);
    std::string text = vehicle.ParameterText();
    // The coefficient 0.3 whatever the slip (a limit ratio of 1).
    for (std::size_t at = text.find("0.3 0.5 5"); at != std::string::npos;
         at = text.find("0.3 0.5 5")) {
      text.replace(at, 9, "0.3 1 5");
    }
    testing_support::TempFolder folder;
    folder.Write("model.in", text);
    Kelvra kelvra;
    std::ostringstream log;
    ASSERT_TRUE(vehicle.Create(kelvra, (folder.Path() / "model.in").string(), log)) << log.str();

    const int n = c.axles;
    const int inputs = 2 * n + 1;
    Matrix a(2, 2, 0.0);
    a[1][0] = 1.0;
    Matrix f(2, inputs, 0.0);
    for (int i = 0; i < n; ++i) f[0][i] = -1.0 / vehicle.mass;
    f[0][inputs - 1] = 1.0 / vehicle.mass;
    // The vehicle's model holds the wheels: no normal force from the state,
    // the speed and position of every axle the mass's.
    const ReferenceModelData model{a, f, kelvra.Model()};
    ModelReference reference;
    std::string reason;
    ASSERT_TRUE(reference.SetUp(model, kelvra, 0.0, reason)) << reason;

    const int steps = 200;
    Matrix history(steps, inputs, 0.0);
    for (int k = 0; k < steps; ++k) history[k][n] = c.traction;
    SpeedSeries speeds;
    ASSERT_TRUE(reference.Run(history, steps, speeds));
    ASSERT_EQ(static_cast<std::size_t>(steps + 1), speeds.SampleCount());

    const double m = vehicle.reducedMass;
    const double M = vehicle.mass;
    const double capacity = 0.3 * vehicle.axleLoad;
    const double k = capacity / vehicle.lim * (n / M + 1.0 / m);
    for (int step = 0; step <= steps; step += 20) {
      const double t = step * vehicle.dt;
      const double slip = c.traction / (M * k) * (1.0 - std::exp(-k * t));
      const double v = (c.traction * t + n * m * slip) / (M + n * m);
      for (int axle = 0; axle < n; ++axle) {
        EXPECT_NEAR(v, speeds.Speed(static_cast<std::size_t>(step), axle), 1e-9) << t;
      }
      EXPECT_FALSE(speeds.Sliding(static_cast<std::size_t>(step)));
    }
  }
}

}  // namespace
