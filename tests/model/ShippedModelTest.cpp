// The shipped vehicle against an independent linearisation of the reference
// vehicle's equations of motion: car body, two bogies, four wheelsets.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <random>

#include "ModelTestSupport.h"

namespace {

constexpr int kFreedoms = 13;
using Freedoms = std::array<double, kFreedoms>;

// Reference freedom order: car x, z, pitch; bogie 1 x, z, pitch; bogie 2
// x, z, pitch; wheelsets 1 to 4 x.
const std::map<std::string, int> kReferenceIndex = {
    {"Car_X", 0},       {"Car_Y", 1},       {"Car_R", 2},        {"Bogie1_X", 3},
    {"Bogie1_Y", 4},    {"Bogie1_R", 5},    {"Bogie2_X", 6},     {"Bogie2_Y", 7},
    {"Bogie2_R", 8},    {"Wheelset1_X", 9}, {"Wheelset2_X", 10}, {"Wheelset3_X", 11},
    {"Wheelset4_X", 12}};

struct Inputs {
  double traction = 0.0;
  std::array<double, 4> adhesion{};
  std::array<double, 4> brake{};
};

// A body's point at (dx, dz) from its centre moves by x - dz phi and z + dx phi.
struct Motion {
  double x, z;
};
Motion PointMotion(const Freedoms& s, int body, double dx, double dz) {
  return {s[body] - dz * s[body + 2], s[body + 1] + dx * s[body + 2]};
}
Motion WheelsetMotion(const Freedoms& s, int k) {
  return {s[9 + k], 0.0};
}

// Element force k (second - first) . direction + c (same for velocities); it
// acts positively on the first body. Longitudinal direction (1, 0), vertical (0, 1).
double Element(const Motion& p1, const Motion& p2, const Motion& v1, const Motion& v2, double k,
               double c, bool vertical) {
  const double d = vertical ? p2.z - p1.z : p2.x - p1.x;
  const double dv = vertical ? v2.z - v1.z : v2.x - v1.x;
  return k * d + c * dv;
}

// The accelerations of the 13 mechanical freedoms for displacements q and
// velocities v; wheel rotations, normal forces and the brake's speed law are
// not part of the linear model.
Freedoms ReferenceAccelerations(const Freedoms& q, const Freedoms& v, const Inputs& in) {
  const double carMass = 31000, carInertia = 1842853.125;
  const double bogieMass = 3000, bogieInertia = 3312.5, wheelsetMass = 1000;
  const double secK = 1.5e6, secC = 6e4, primK = 2e6, primC = 1.2e5;
  const int car = 0;
  const int bogie[2] = {3, 6};

  const auto secondary = [&](int side, bool vertical) {
    const double sign = side == 0 ? -1.0 : 1.0;
    const double dx = vertical ? 9.5 * sign : 9.0 * sign;
    const double dz = vertical ? 0.0 : -0.5;
    return Element(PointMotion(q, car, dx, dz), PointMotion(q, bogie[side], 0, 0),
                   PointMotion(v, car, dx, dz), PointMotion(v, bogie[side], 0, 0), secK, secC,
                   vertical);
  };
  // Wheelset k (0..3) sits on bogie k / 2, at its -x end when k is even.
  const auto primary = [&](int k, bool vertical) {
    const double sign = k % 2 == 0 ? -1.0 : 1.0;
    const double dx = vertical ? 1.0 * sign : 0.7 * sign;
    const double dz = vertical ? -0.3 : 0.0;
    const int b = bogie[k / 2];
    return Element(PointMotion(q, b, dx, dz), WheelsetMotion(q, k), PointMotion(v, b, dx, dz),
                   WheelsetMotion(v, k), primK, primC, vertical);
  };
  const double s1 = secondary(0, false), s2 = secondary(0, true);
  const double s3 = secondary(1, false), s4 = secondary(1, true);

  Freedoms a{};
  a[0] = (s1 + in.traction + s3) / carMass;
  a[1] = (s4 + s2) / carMass;
  a[2] = ((s3 + s1) * 0.5 + (s4 - s2) * 9.5) / carInertia;
  for (int side = 0; side < 2; ++side) {
    const int w1 = 2 * side, w2 = 2 * side + 1;
    const double sLong = side == 0 ? s1 : s3, sVert = side == 0 ? s2 : s4;
    const double l1 = primary(w1, false), l2 = primary(w2, false);
    const double v1 = primary(w1, true), v2 = primary(w2, true);
    const double b1 = in.brake[w1], b2 = in.brake[w2];
    a[bogie[side]] = (l1 + l2 - sLong) / bogieMass;
    a[bogie[side] + 1] = (v2 + v1 - sVert + b1 - b2) / bogieMass;
    a[bogie[side] + 2] = ((v2 - v1) * 1.0 - (b1 + b2) * 0.77) / bogieInertia;
  }
  for (int k = 0; k < 4; ++k) a[9 + k] = (-in.adhesion[k] - primary(k, false)) / wheelsetMass;
  return a;
}

class ShippedModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string file = (testing_support::DataDir() / "combined_train17_GEN.in").string();
    parsed = model.CreateComponents(file);
    built = parsed && model.CalculateBasicMatrices();
    const std::vector<Body>& bodies = model.Components().Bodies();
    for (const DofEntry& dof : model.Components().Dofs()) {
      referenceOf.push_back(kReferenceIndex.at(DofName(bodies, dof)));
    }
  }

  // Our state vector (velocities, then displacements, in DOF order) for the
  // reference's v and q.
  Vector State(const Freedoms& v, const Freedoms& q) const {
    Vector x(2 * kFreedoms, 0.0);
    for (int i = 0; i < kFreedoms; ++i) {
      x[i] = v[referenceOf[i]];
      x[kFreedoms + i] = q[referenceOf[i]];
    }
    return x;
  }

  // Our accelerations (the upper half of a state derivative) in reference order.
  Freedoms Accelerations(const Vector& derivative) const {
    Freedoms a{};
    for (int i = 0; i < kFreedoms; ++i) a[referenceOf[i]] = derivative[i];
    return a;
  }

  static void ExpectClose(const Freedoms& expected, const Freedoms& actual, const char* what) {
    double scale = 0.0;
    for (double value : expected) scale = std::max(scale, std::fabs(value));
    for (int i = 0; i < kFreedoms; ++i) {
      EXPECT_NEAR(expected[i], actual[i], 1e-9 * scale) << what << ", reference freedom " << i;
    }
  }

  ModelCreation model;
  bool parsed = false;
  bool built = false;
  std::vector<int> referenceOf;  // reference index of each of our DOFs
};

TEST_F(ShippedModelTest, ParsesCleanlyInTheDofsOrder) {
  ASSERT_TRUE(parsed) << model.GetLogText('C');
  ASSERT_TRUE(built) << model.GetLogText('B') << model.GetLogText('A');
  const std::string log = model.GetLogText('C');
  EXPECT_NE(std::string::npos, log.find("Number of invalid components: 0\n"));
  EXPECT_EQ(std::string::npos, log.find("Warning")) << log;
  EXPECT_EQ(std::string::npos, log.find("Error")) << log;
  EXPECT_EQ(std::string::npos, log.find("default order")) << log;

  const char* order[] = {"Car_X",       "Car_Y",       "Car_R",      "Bogie1_X", "Bogie1_Y",
                         "Bogie1_R",    "Bogie2_X",    "Bogie2_Y",   "Bogie2_R", "Wheelset1_X",
                         "Wheelset2_X", "Wheelset3_X", "Wheelset4_X"};
  const ComponentManager& c = model.Components();
  ASSERT_EQ(13u, c.Dofs().size());
  for (int i = 0; i < 13; ++i) EXPECT_EQ(order[i], DofName(c.Bodies(), c.Dofs()[i]));
  EXPECT_EQ(4u, c.Wheels().size());
  EXPECT_EQ(9u, c.ExtForces().size());
}

TEST_F(ShippedModelTest, CouplingData) {
  ASSERT_TRUE(built);
  model_testing::Coupling c;
  ASSERT_TRUE(c.Generate(model)) << model.GetLogText('M');
  const Matrix& normal = c.normal;
  const double expectedRadii[] = {0.5, -0.5, 0.5, -0.5};
  const char* wheelsets[] = {"Wheelset1_X", "Wheelset2_X", "Wheelset3_X", "Wheelset4_X"};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(98100.0, c.loads[k]);
    EXPECT_EQ(500.0, c.masses[k]);
    EXPECT_DOUBLE_EQ(expectedRadii[k], c.radii[k]);
    EXPECT_EQ(kReferenceIndex.at(wheelsets[k]), referenceOf[c.dofIndices[k]]);
    EXPECT_EQ(c.dofIndices[k] + kFreedoms, c.stateIndices[k]);
  }

  // Row k gives c d' + k d of wheelset k's primary vertical element, whose
  // deflection grows as the bogie corner above it sinks: the reference's F(Vk).
  std::mt19937 random(7);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  Freedoms q{}, v{};
  for (int i = 0; i < kFreedoms; ++i) q[i] = uniform(random), v[i] = uniform(random);
  const Vector x = State(v, q);
  ASSERT_EQ(4, normal.num_rows());
  for (int k = 0; k < 4; ++k) {
    const int bogie = k < 2 ? 3 : 6;
    const double dx = k % 2 == 0 ? -1.0 : 1.0;
    const double reference =
        -2e6 * (q[bogie + 1] + dx * q[bogie + 2]) - 1.2e5 * (v[bogie + 1] + dx * v[bogie + 2]);
    double ours = 0.0;
    for (int j = 0; j < 2 * kFreedoms; ++j) ours += normal[k][j] * x[j];
    EXPECT_NEAR(reference, ours, 1e-9 * 2e6) << "wheel " << k;
  }
}

TEST_F(ShippedModelTest, SystemMatrixIsTheReferenceLinearised) {
  ASSERT_TRUE(built);
  const Matrix& a = model.GetMatrix('A');
  ASSERT_EQ(2 * kFreedoms, a.num_rows());
  std::mt19937 random(2024);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  for (int trial = 0; trial < 20; ++trial) {
    Freedoms q{}, v{};
    for (int i = 0; i < kFreedoms; ++i) q[i] = uniform(random), v[i] = uniform(random);
    const Vector x = State(v, q);
    const Vector derivative = a * x;
    ExpectClose(ReferenceAccelerations(q, v, Inputs{}), Accelerations(derivative), "accelerations");
    // The lower half is q' = v.
    for (int i = 0; i < kFreedoms; ++i) EXPECT_EQ(x[i], derivative[kFreedoms + i]);
  }
}

// The vehicle rolls freely: every longitudinal displacement equal is a rest
// state, and the last freedom takes part in it.
TEST_F(ShippedModelTest, FreeLongitudinalMotionEndsTheDofList) {
  ASSERT_TRUE(built);
  const ComponentManager& c = model.Components();
  EXPECT_EQ('X', c.Dofs().back().kind);
  Vector x(2 * kFreedoms, 0.0);
  for (int i = 0; i < kFreedoms; ++i) x[kFreedoms + i] = c.Dofs()[i].kind == 'X' ? 1.0 : 0.0;
  EXPECT_LT(SumOfAbsolutes(model.GetMatrix('A') * x), 1e-9);
}

// Input vector layout: adhesion of axles 1 to 4 (+A), brake of axles 1 to 4
// (-B sign(radius)), traction (+T).
TEST_F(ShippedModelTest, ForceColumnsAreTheReferenceInputs) {
  ASSERT_TRUE(built);
  const Matrix& f = model.GetMatrix('F');
  ASSERT_EQ(9, f.num_cols());
  Vector radii;
  ASSERT_TRUE(model.GenerateBrakeForceRadii(radii));

  const auto column = [&](int j, double input) {
    Vector derivative(2 * kFreedoms, 0.0);
    for (int i = 0; i < 2 * kFreedoms; ++i) derivative[i] = f[i][j] * input;
    for (int i = kFreedoms; i < 2 * kFreedoms; ++i) EXPECT_EQ(0.0, derivative[i]);
    return Accelerations(derivative);
  };
  const Freedoms zero{};
  for (int k = 0; k < 4; ++k) {
    Inputs adhesion;
    adhesion.adhesion[k] = 1.0;
    ExpectClose(ReferenceAccelerations(zero, zero, adhesion), column(k, 1.0), "adhesion");

    Inputs brake;
    brake.brake[k] = 1.0;
    const double input = -1.0 * (radii[k] < 0 ? -1.0 : 1.0);
    ExpectClose(ReferenceAccelerations(zero, zero, brake), column(4 + k, input), "brake");
  }
  Inputs traction;
  traction.traction = 1.0;
  ExpectClose(ReferenceAccelerations(zero, zero, traction), column(8, 1.0), "traction");

  // Spelled out: unit traction accelerates the car alone; unit adhesion
  // decelerates its wheelset; a unit brake on axle 1 lifts bogie 1 and pitches it.
  EXPECT_NEAR(1.0 / 31000, column(8, 1.0)[0], 1e-15);
  EXPECT_NEAR(-1.0 / 1000, column(0, 1.0)[9], 1e-15);
  EXPECT_NEAR(1.0 / 3000, column(4, -1.0)[4], 1e-15);
  EXPECT_NEAR(-0.77 / 3312.5, column(4, -1.0)[5], 1e-15);
  EXPECT_NEAR(-1.0 / 3000, column(5, 1.0)[4], 1e-15);
  EXPECT_NEAR(-0.77 / 3312.5, column(5, 1.0)[5], 1e-15);
}

}  // namespace
