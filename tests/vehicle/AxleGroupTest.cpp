#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "vehicle/AxleGroup.h"
#include "vehicle/AxleIntegrator.h"

namespace {

// The integration of one axle written out in scalar code, one stage after the
// other: the oracle every lane must match bit for bit.
struct ScalarAxle {
  double inverseMass, capacity, capacityRate, force, forceRate, speed, speedRate;
  double lim, inverseLim;

  // Lane a of `g` over a step of T.
  static ScalarAxle Of(const AxleGroup& g, std::size_t a, double T, double lim, double inverseLim) {
    return {g.inverseMass[a],
            g.capacity[a],
            (g.capacityEnd[a] - g.capacity[a]) / T,
            g.force[a],
            (g.forceEnd[a] - g.force[a]) / T,
            g.speed[a],
            (g.speedEnd[a] - g.speed[a]) / T,
            lim,
            inverseLim};
  }

  double Sat(double x) const {
    if (std::fabs(lim) > std::fabs(x)) return x * inverseLim;
    return x >= 0.0 ? 1.0 : -1.0;
  }
  double Acceleration(double t, double w) const {
    const double c = capacity + t * capacityRate;
    const double f = force + t * forceRate;
    return (c * Sat(speed + t * speedRate - w) - f) * inverseMass;
  }
  void Integrate(double T, int subdiv, double& w, double& s) const {
    const int substeps = T > 0.0 ? subdiv : 0;
    const double h = T / subdiv;
    const double halfH = h / 2.0;
    for (int n = 0; n < substeps; ++n) {
      const double t = n * h;
      const double k1 = Acceleration(t, w);
      const double w2 = w + halfH * k1;
      const double k2 = Acceleration(t + halfH, w2);
      const double w3 = w + halfH * k2;
      const double k3 = Acceleration(t + halfH, w3);
      const double w4 = w + h * k3;
      const double k4 = Acceleration(t + h, w4);
      s += h / 6.0 * (w + 2.0 * w2 + 2.0 * w3 + w4);
      w = w + h / 6.0 * (k1 + 2.0 * k2 + 2.0 * k3 + k4);
    }
  }
};

bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

using Integration = void (*)(AxleGroup&, double, int, double, double, SlipPattern&);

struct Kernel {
  const char* name;
  Integration integrate;
};

std::vector<Kernel> Kernels() {
  std::vector<Kernel> kernels{{"two lanes", IntegrateAxleGroupInTwos}};
  if (FourLanesAvailable()) kernels.push_back({"four lanes", IntegrateAxleGroupInFours});
  return kernels;
}

// A group whose wheels roll inside the band, slide either way, start on its
// edge, start at rest with a slip of exactly +0 or -0 (sat +1 when lim is 0),
// or roll inside the band with no opposing force at all, all alike (kinds 0 to
// 6) or mixed (7 and beyond), with the slip law of `lim`.
AxleGroup Group(std::mt19937& random, double lim, int kind) {
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  AxleGroup g;
  for (std::size_t a = 0; a < kAxleGroup; ++a) {
    const int axleKind = kind < 7 ? kind : (kind + static_cast<int>(a)) % 7;
    g.inverseMass[a] = 1.0 / (500.0 + 100.0 * unit(random));
    g.capacity[a] = 9000.0 + 3000.0 * unit(random);
    g.capacityEnd[a] = g.capacity[a] + 500.0 * unit(random);
    g.force[a] = 12500.0 * (1.0 + unit(random));
    g.forceEnd[a] = g.force[a] + 5000.0 * unit(random);
    g.speed[a] = 13.0 + unit(random);
    g.speedEnd[a] = g.speed[a] + 0.01 * unit(random);
    const double slip[] = {0.5 * lim * unit(random), 13.0, -3.0, lim, 0.0, 0.0,
                           0.5 * lim * unit(random)};
    g.wheelSpeed[a] = g.speed[a] - slip[axleKind];
    g.wheelTravel[a] = 100.0 * unit(random);
    if (axleKind >= 4) {  // at rest: the first slip is speed + 0 * speed rate - 0
      g.speed[a] = axleKind == 4 ? 0.0 : -0.0;
      g.speedEnd[a] = axleKind == 4 ? 0.0 : -1e-300;
      g.wheelSpeed[a] = 0.0;
      if (axleKind == 5) g.force[a] = -2.0 * g.capacity[a];  // driven forward out of the -0 slip
    }
    if (axleKind == 6) g.force[a] = g.forceEnd[a] = 0.0;
  }
  return g;
}

// Every kernel, from every first guess of the slip pattern, gives exactly the
// oracle's wheel speeds and travels: a guess that does not hold costs time,
// never a bit of the result.
TEST(AxleGroupTest, LanesMatchTheScalarIntegrationBitForBitWhateverTheGuess) {
  std::mt19937 random(19);
  struct Setting {
    double lim;
    double timeStep;
    int subdiv;
  };
  const Setting settings[] = {{0.05, 0.005, 10}, {0.05, 0.01, 7}, {0.0, 0.005, 10},
                              {-0.2, 0.0025, 1}, {0.05, 0.0, 10}, {0.05, -0.005, 10}};
  for (const Setting& setting : settings) {
    const double inverseLim = setting.lim != 0.0 ? 1.0 / setting.lim : 0.0;
    for (int kind = 0; kind < 10; ++kind) {
      const AxleGroup start = Group(random, setting.lim, kind);
      AxleGroup expected = start;
      for (std::size_t a = 0; a < kAxleGroup; ++a) {
        const ScalarAxle axle = ScalarAxle::Of(start, a, setting.timeStep, setting.lim, inverseLim);
        axle.Integrate(setting.timeStep, setting.subdiv, expected.wheelSpeed[a],
                       expected.wheelTravel[a]);
        expected.adhesionForce[a] =
            start.capacityEnd[a] * axle.Sat(start.speedEnd[a] - expected.wheelSpeed[a]);
      }
      for (const Kernel& kernel : Kernels()) {
        for (const SlipPattern guess :
             {SlipPattern::kMixed, SlipPattern::kInBand, SlipPattern::kSlidingForward,
              SlipPattern::kSlidingBackward}) {
          AxleGroup group = start;
          SlipPattern pattern = guess;
          kernel.integrate(group, setting.timeStep, setting.subdiv, setting.lim, inverseLim,
                           pattern);
          for (std::size_t a = 0; a < kAxleGroup; ++a) {
            const std::string where =
                std::string(kernel.name) + ", lim " + std::to_string(setting.lim) + ", kind " +
                std::to_string(kind) + ", guess " + std::to_string(static_cast<int>(guess)) +
                ", axle " + std::to_string(a);
            EXPECT_TRUE(SameBits(expected.wheelSpeed[a], group.wheelSpeed[a]))
                << where << ": " << expected.wheelSpeed[a] << " != " << group.wheelSpeed[a];
            EXPECT_TRUE(SameBits(expected.wheelTravel[a], group.wheelTravel[a])) << where;
            EXPECT_TRUE(SameBits(expected.adhesionForce[a], group.adhesionForce[a])) << where;
          }
        }
      }
    }
  }
}

// The pattern left behind is how the wheels followed the slip law at the end.
TEST(AxleGroupTest, LeavesThePatternOfTheEnd) {
  struct Case {
    double slip;
    SlipPattern pattern;
  };
  const Case cases[] = {{0.01, SlipPattern::kInBand},
                        {5.0, SlipPattern::kSlidingForward},
                        {-5.0, SlipPattern::kSlidingBackward}};
  for (const Kernel& kernel : Kernels()) {
    for (const Case& c : cases) {
      AxleGroup g{};
      for (std::size_t a = 0; a < kAxleGroup; ++a) {
        g.inverseMass[a] = 1.0 / 500.0;
        g.speed[a] = g.speedEnd[a] = 10.0;
        g.wheelSpeed[a] = 10.0 - c.slip;
      }
      SlipPattern pattern = SlipPattern::kMixed;
      kernel.integrate(g, 0.005, 10, 0.05, 20.0, pattern);
      EXPECT_EQ(c.pattern, pattern) << kernel.name << ", slip " << c.slip;
    }
  }
}

// The integrator in groups of four, with the lanes a group does not fill: every
// axle of every count integrates exactly as on its own, step after step.
TEST(AxleGroupTest, EveryAxleCountMatchesTheScalarIntegration) {
  std::mt19937 random(16);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const double dt = 0.005;
  const double lim = 0.05;
  for (const std::size_t axles : {1u, 3u, 4u, 5u, 9u}) {
    std::vector<double> masses(axles), radii(axles);
    for (std::size_t i = 0; i < axles; ++i) {
      masses[i] = 500.0 + 100.0 * unit(random);
      radii[i] = 0.5 * unit(random);
    }
    std::istringstream in("ITER 0 LIM 0.05 SUBDIV 10\n");
    std::ostringstream log;
    TAxleIntegrator integrator;
    ASSERT_TRUE(integrator.ReadPar(in, log, dt, masses, radii)) << log.str();
    integrator.Init();
    std::vector<double> w(axles, 0.0), s(axles, 0.0);
    for (int step = 0; step < 3; ++step) {
      std::vector<double> res0(axles), res1(axles), brake0(axles), brake1(axles), cap0(axles),
          cap1(axles), v0(axles), v1(axles);
      for (std::size_t i = 0; i < axles; ++i) {
        res0[i] = 100.0 * unit(random);
        res1[i] = 100.0 * unit(random);
        brake0[i] = 25000.0 * unit(random);
        brake1[i] = 25000.0 * unit(random);
        cap0[i] = 9000.0 + 3000.0 * unit(random);
        cap1[i] = 9000.0 + 3000.0 * unit(random);
        v0[i] = w[i] + (i % 2 == 0 ? 0.02 : 5.0) * unit(random);
        v1[i] = v0[i] + 0.01 * unit(random);
      }
      ASSERT_TRUE(integrator.DoStep(res0, res1, brake0, brake1, cap0, cap1, v0, v1));
      ASSERT_TRUE(integrator.Finalize());
      for (std::size_t i = 0; i < axles; ++i) {
        AxleGroup g;
        g.inverseMass[0] = dt / masses[i] / dt;
        g.capacity[0] = cap0[i];
        g.capacityEnd[0] = cap1[i];
        g.force[0] = std::fabs(radii[i]) * brake0[i] + res0[i];
        g.forceEnd[0] = std::fabs(radii[i]) * brake1[i] + res1[i];
        g.speed[0] = v0[i];
        g.speedEnd[0] = v1[i];
        const ScalarAxle axle = ScalarAxle::Of(g, 0, dt, lim, 1.0 / lim);
        axle.Integrate(dt, 10, w[i], s[i]);
        const std::string where = std::to_string(axles) + " axles, axle " + std::to_string(i);
        EXPECT_TRUE(SameBits(w[i], integrator.WheelSpeedCommitted()[i])) << where;
        EXPECT_TRUE(SameBits(s[i], integrator.WheelTravelCommitted()[i])) << where;
        EXPECT_TRUE(
            SameBits(cap1[i] * axle.Sat(v1[i] - w[i]), integrator.AdhesionForceCommitted()[i]))
            << where;
      }
    }
  }
}

}  // namespace
