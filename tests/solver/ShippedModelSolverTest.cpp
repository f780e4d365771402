// The shipped vehicle through the solver: its step matrices against an
// independent exponential, and its linear model against the validator's own
// equations of the same vehicle.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <random>
#include <string>

#include "ValidatorFixture.h"
#include "solver/ValidatorTrainModel.h"
#include "support/ExactDiscretisation.h"
#include "support/ShippedVehicle.h"
#include "support/TestSupport.h"

namespace {

std::filesystem::path ShippedFile() {
  return testing_support::ShippedModelFile(testing_support::DataDir());
}

// The free longitudinal motion makes the eigenvectors of A degenerate, so the
// shipped vehicle is discretised through its Jordan form; C, P and P1 must still
// be the exact step.
TEST(ShippedStepMatricesTest, AreTheExactStepAtEveryTimeStep) {
  for (double dt : {0.005, 0.0025, 0.01}) {
    SCOPED_TRACE("dt " + std::to_string(dt));
    VehicleSetUp vehicle;
    ASSERT_TRUE(vehicle.Build(ShippedFile(), dt)) << vehicle.Failure();
    EXPECT_TRUE(vehicle.Simulation().Prepared());
    const std::string log = vehicle.Simulation().GetLogText();
    EXPECT_NE(std::string::npos, log.find("Using Jordan decomposition")) << log;
    EXPECT_EQ(std::string::npos, log.find("ERROR")) << log;

    const testing_support::ExactStep exact = testing_support::ExactDiscretisation(
        vehicle.Model().GetMatrix('A'), vehicle.Model().GetMatrix('F'), dt);
    EXPECT_LT(testing_support::RelativeDifference(exact.c, vehicle.Simulation().GetMatrix('C')),
              1e-9);
    EXPECT_LT(testing_support::RelativeDifference(exact.p, vehicle.Simulation().GetMatrix('P')),
              1e-9);
    EXPECT_LT(testing_support::RelativeDifference(exact.p1, vehicle.Simulation().GetMatrix('Z')),
              1e-9);
  }
}

constexpr int kFreedoms = 13;
constexpr int kStates = 2 * kFreedoms;
constexpr int kAxles = 4;
constexpr int kValidatorWheel = 13;  // first wheel rotation freedom of the validator

// The validator's freedom of each of the model's DOFs, by name.
const std::map<std::string, int> kValidatorFreedom = {
    {"Car_X", 0},       {"Car_Y", 1},       {"Car_R", 2},        {"Bogie1_X", 3},
    {"Bogie1_Y", 4},    {"Bogie1_R", 5},    {"Bogie2_X", 6},     {"Bogie2_Y", 7},
    {"Bogie2_R", 8},    {"Wheelset1_X", 9}, {"Wheelset2_X", 10}, {"Wheelset3_X", 11},
    {"Wheelset4_X", 12}};

// One evaluation of the validator: a state of the 13 mechanical freedoms (in the
// model's order), the wheels' circumferential speeds and the history inputs.
struct Evaluation {
  std::string name;
  std::array<double, kStates> state{};
  std::array<double, kAxles> wheelSpeed{};
  std::array<double, kAxles> brakeInput{};
  double traction = 0.0;
};

class ShippedAgainstValidatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(vehicle.Build(ShippedFile(), 0.005)) << vehicle.Failure();
    const ComponentManager& components = vehicle.Model().Components();
    ASSERT_EQ(static_cast<std::size_t>(kFreedoms), components.Dofs().size());
    for (const DofEntry& dof : components.Dofs()) {
      freedom.push_back(kValidatorFreedom.at(DofName(components.Bodies(), dof)));
    }
    const std::vector<double>& radii = vehicle.Vehicle().Coupling().brakeForceRadii;
    for (int k = 0; k < kAxles; ++k) brakeSide[k] = radii[k] < 0.0 ? -1.0 : 1.0;
  }

  // The validator's velocities of the 13 mechanical freedoms, in the model's
  // order, and the input vector of the vehicle system built from the validator's
  // own forces: adhesion +A, brake -B sign(radius), traction +T. False when the
  // validator reports the end of its history.
  bool Evaluate(const Evaluation& e, Vector& accelerations, Vector& input) {
    ValidatorTrainModel validator(0.0005);
    Matrix history(2, 5, 0.0);
    for (int k = 0; k < kAxles; ++k) history[0][k] = e.brakeInput[k];
    history[0][4] = e.traction;
    validator.SetForceHistory(history, 0.005);

    ValidatorState x{};
    for (int i = 0; i < kFreedoms; ++i) {
      x[freedom[i]] = e.state[i];
      x[kValidatorDofCount + freedom[i]] = e.state[kFreedoms + i];
    }
    for (int k = 0; k < kAxles; ++k) x[kValidatorWheel + k] = e.wheelSpeed[k];
    ValidatorState derivative{};
    const int status = validator.Derivative(0.0, x, derivative);

    accelerations = Vector(kFreedoms, 0.0);
    for (int i = 0; i < kFreedoms; ++i) accelerations[i] = derivative[freedom[i]];
    const ValidatorForces& forces = validator.LastForces();
    input = Vector(2 * kAxles + 1, 0.0);
    for (int k = 0; k < kAxles; ++k) {
      input[k] = forces.adhesion[k];
      input[kAxles + k] = -forces.brake[k] * brakeSide[k];
    }
    input[2 * kAxles] = forces.traction;
    return status == 0;
  }

  // The upper half of A x + F u.
  Vector ModelAccelerations(const Evaluation& e, const Vector& input) const {
    const Matrix& a = vehicle.Model().GetMatrix('A');
    const Matrix& f = vehicle.Model().GetMatrix('F');
    Vector result(kFreedoms, 0.0);
    for (int i = 0; i < kFreedoms; ++i) {
      for (int j = 0; j < kStates; ++j) result[i] += a[i][j] * e.state[j];
      for (int j = 0; j < f.num_cols(); ++j) result[i] += f[i][j] * input[j];
    }
    return result;
  }

  static double MaxAbsolute(const Vector& v) {
    double largest = 0.0;
    for (int i = 0; i < v.dim(); ++i) largest = std::max(largest, std::fabs(v[i]));
    return largest;
  }

  void ExpectAgreement(const Evaluation& e, const Vector& validator, const Vector& model) const {
    const double scale = MaxAbsolute(validator);
    ASSERT_GT(scale, 0.0) << e.name << ": nothing moves, the comparison would prove nothing";
    for (int i = 0; i < kFreedoms; ++i) {
      EXPECT_NEAR(validator[i], model[i], 1e-9 * scale) << e.name << ", DOF " << i;
    }
  }

  VehicleSetUp vehicle;
  std::vector<int> freedom;  // validator freedom of each model DOF
  std::array<double, kAxles> brakeSide{};
};

// With the inputs zero and every wheel turning with its wheelset (no slip, so no
// adhesion, brake or tread force), the validator's right-hand side is A x.
TEST_F(ShippedAgainstValidatorTest, RightHandSideWithoutInputsIsTheSystemMatrix) {
  std::mt19937 random(17);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  for (int trial = 0; trial < 20; ++trial) {
    Evaluation e;
    e.name = "random state " + std::to_string(trial);
    for (double& value : e.state) value = uniform(random);
    for (int i = 0; i < kFreedoms; ++i) {
      const int wheelset = freedom[i] - 9;
      if (wheelset >= 0) e.wheelSpeed[wheelset] = e.state[i];
    }
    Vector validator, input;
    ASSERT_TRUE(Evaluate(e, validator, input)) << e.name;
    for (int j = 0; j < input.dim(); ++j) ASSERT_EQ(0.0, input[j]) << e.name << ", input " << j;
    ExpectAgreement(e, validator, ModelAccelerations(e, input));
  }
}

// Each input alone, from the validator's own force laws: the traction; the
// adhesion of a slipping wheel, inside and beyond the slip band; the brake of a
// wheel rolling with a vehicle in rigid motion (so A x is zero), at full force
// and faded near standstill.
std::vector<Evaluation> SingleInputEvaluations(const std::vector<int>& freedom) {
  std::vector<Evaluation> cases;
  Evaluation traction;
  traction.name = "traction";
  traction.traction = 100000.0;
  cases.push_back(traction);
  for (int k = 0; k < kAxles; ++k) {
    for (double slip : {0.02, 3.0}) {
      Evaluation adhesion;
      adhesion.name =
          "adhesion of wheel " + std::to_string(k + 1) + " at slip " + std::to_string(slip);
      adhesion.wheelSpeed[k] = -slip;
      cases.push_back(adhesion);
    }
    for (double speed : {2.0, 0.03}) {
      Evaluation brake;
      brake.name = "brake of wheel " + std::to_string(k + 1) + " at " + std::to_string(speed);
      for (int i = 0; i < kFreedoms; ++i) {
        if (freedom[i] == 0 || freedom[i] == 3 || freedom[i] == 6 || freedom[i] >= 9) {
          brake.state[i] = speed;
        }
      }
      brake.wheelSpeed.fill(speed);
      brake.brakeInput[k] = 25000.0;
      cases.push_back(brake);
    }
  }
  return cases;
}

TEST_F(ShippedAgainstValidatorTest, ForceColumnsAreTheValidatorsInputForces) {
  for (const Evaluation& e : SingleInputEvaluations(freedom)) {
    Vector validator, input;
    ASSERT_TRUE(Evaluate(e, validator, input)) << e.name;
    int active = 0;
    for (int j = 0; j < input.dim(); ++j) active += input[j] != 0.0 ? 1 : 0;
    ASSERT_EQ(1, active) << e.name << ": exactly one input must act";
    ExpectAgreement(e, validator, ModelAccelerations(e, input));
  }
}

// Everything at once: random motion, slipping and braked wheels, traction.
TEST_F(ShippedAgainstValidatorTest, RightHandSideIsTheLinearModelOfItsForces) {
  std::mt19937 random(2025);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  for (int trial = 0; trial < 20; ++trial) {
    Evaluation e;
    e.name = "random state and inputs " + std::to_string(trial);
    for (double& value : e.state) value = uniform(random);
    for (double& speed : e.wheelSpeed) speed = uniform(random);
    for (double& brake : e.brakeInput) brake = 25000.0 * uniform(random);
    e.traction = 100000.0 * uniform(random);
    Vector validator, input;
    ASSERT_TRUE(Evaluate(e, validator, input)) << e.name;
    ExpectAgreement(e, validator, ModelAccelerations(e, input));
  }
}

}  // namespace
