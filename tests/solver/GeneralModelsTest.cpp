// Model files an engineer writes, from a changed shipped vehicle to a generated
// train: each is prepared, by the modal path where it is exact and by the
// augmented exponential where it is not, and its C, P and P1 are the exact step.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "model/ModelCreation.h"
#include "solver/SimulationModule.h"
#include "support/ChangedVehicles.h"
#include "support/ExactDiscretisation.h"
#include "support/ShippedVehicle.h"
#include "support/TestSupport.h"
#include "tools/ChainModel.h"

namespace {

using testing_support::ExactDiscretisation;
using testing_support::ExactStep;
using testing_support::RelativeDifference;
using testing_support::TempFolder;

const char* const kJordan = "-> Using Jordan decomposition for transformation\n";
const char* const kEigensystem = "-> Using eigensystem for transformation\n";
const char* const kUnusable =
    "\n-> No exact step matrices from the transformation -> Using augmented matrix exponential "
    "for C, P and P1\n";
const char* const kInexact =
    "\n-> Step matrices of the transformation are inexact -> Using augmented matrix exponential "
    "for C, P and P1\n";

using testing_support::GroundTiedVehicle;
using testing_support::Oscillator;
using testing_support::StifferVehicle;
using testing_support::VehicleWithCriticallyDampedBody;

std::string ShippedModel() {
  return testing_support::ShippedModelText();
}

std::string Generated(int freedoms, bool withVehicle) {
  std::string text;
  std::string error;
  const bool ok = withVehicle
                      ? chain_model::VehicleChainModelText(freedoms, ShippedModel(), text, error)
                      : chain_model::ChainModelText(freedoms, text, error);
  EXPECT_TRUE(ok) << error;
  return text;
}

struct ModelCase {
  std::string name;
  std::string model;
  double dt;
  const char* method;  // the log line naming what gave C, P and P1
};

TEST(GeneralModelsTest, ArePreparedExactlyByTheRightMethod) {
  const std::vector<ModelCase> cases = {
      {"shipped vehicle tied to the ground", GroundTiedVehicle(), 0.005, kUnusable},
      {"shipped vehicle with a critically damped body", VehicleWithCriticallyDampedBody(), 0.005,
       kInexact},
      {"shipped vehicle, every stiffness times 1e4", StifferVehicle(1e4), 0.005, kUnusable},
      {"shipped vehicle at DT 92 s", ShippedModel(), 92.0, kUnusable},
      {"shipped vehicle at DT 0.1 s", ShippedModel(), 0.1, kJordan},
      {"oscillator, k/m 1e6, damping ratio 0.1", Oscillator(1000, 0.1), 0.005, kUnusable},
      {"oscillator, critically damped", Oscillator(100, 1.0), 0.005, kUnusable},
      {"oscillator, damping ratio 1.0002", Oscillator(100, 1.0002), 0.005, kUnusable},
      {"oscillator, damping ratio 1.0005", Oscillator(100, 1.0005), 0.005, kUnusable},
      {"generated chain of 21 freedoms", Generated(21, false), 0.005, kEigensystem},
      {"shipped vehicle leading wagons, 40 freedoms", Generated(40, true), 0.005, kJordan},
  };
  TempFolder folder;
  for (const ModelCase& test : cases) {
    SCOPED_TRACE(test.name);
    folder.Write("model.in", test.model);
    ModelCreation model;
    ASSERT_TRUE(model.CreateComponents((folder.Path() / "model.in").string()));
    ASSERT_TRUE(model.CalculateBasicMatrices()) << model.GetLogText('A');
    SimulationModule module;
    const Matrix& a = model.GetMatrix('A');
    const Matrix& f = model.GetMatrix('F');
    const bool prepared = module.PrepareFundamentalMatrices(a, f, test.dt);
    const std::string log = module.GetLogText();
    EXPECT_TRUE(prepared);
    EXPECT_NE(std::string::npos, log.find(test.method));
    const bool fallback = test.method == kUnusable || test.method == kInexact;
    EXPECT_EQ(fallback, log.find("Using augmented matrix exponential") != std::string::npos);

    const ExactStep exact = ExactDiscretisation(a, f, test.dt);
    EXPECT_LT(RelativeDifference(exact.c, module.GetMatrix('C')), 1e-9);
    EXPECT_LT(RelativeDifference(exact.p, module.GetMatrix('P')), 1e-9);
    EXPECT_LT(RelativeDifference(exact.p1, module.GetMatrix('Z')), 1e-9);
  }
}

// Largest |(l C)_j - l_j| / max |l| with l the masses on the velocities of the
// X freedoms: how far one step of C, without inputs, changes the longitudinal
// momentum of a vehicle that no spring ties to the ground.
double MomentumChange(const ModelCreation& model, const Matrix& c) {
  const std::vector<DofEntry>& dofs = model.Components().Dofs();
  const Matrix& mass = model.GetMatrix('M');
  std::vector<double> momentum(static_cast<std::size_t>(c.num_rows()), 0.0);
  double largest = 0.0;
  for (std::size_t i = 0; i < dofs.size(); ++i) {
    if (DofName(model.Components().Bodies(), dofs[i]).back() != 'X') continue;
    momentum[i] = mass[static_cast<int>(i)][static_cast<int>(i)];
    largest = std::max(largest, momentum[i]);
  }
  double change = 0.0;
  for (int j = 0; j < c.num_cols(); ++j) {
    double row = 0.0;
    for (int i = 0; i < c.num_rows(); ++i) row += momentum[static_cast<std::size_t>(i)] * c[i][j];
    change = std::max(change, std::fabs(row - momentum[static_cast<std::size_t>(j)]));
  }
  return change / largest;
}

// Models so stiff over DT that double precision cannot resolve them: the modal
// path gives no exact matrices and the augmented exponential loses digits in
// proportion to |A DT| (up to 1e15 here). Its matrices would move the vehicle
// wrongly: one step of a coasting vehicle changes its momentum. The
// preparation says by how much they differ from their extended-precision
// check and fails, and the free vehicles confirm that difference: the momentum
// change of the double matrices is of the same order.
TEST(GeneralModelsTest, StepMatricesDoublePrecisionCannotResolveAreRefused) {
  const std::regex car("BODY    Car        31000");
  const std::vector<ModelCase> cases = {
      {"car body of 1e-10 kg", std::regex_replace(ShippedModel(), car, "BODY Car 1e-10"), 0.005,
       nullptr},
      {"every stiffness times 1e14", StifferVehicle(1e14), 0.005, nullptr},
      {"oscillator, k/m 1e14", Oscillator(1e7, 0.1), 0.005, nullptr},
  };
  const std::regex refusal(
      "Error - Unable to prepare simulation! The step matrices C, P and P1 of the augmented "
      "matrix exponential differ from the same exponential in extended precision by (\\S+) of "
      "their largest element, more than 1e-09: the model is too stiff for its time step to be "
      "stepped exactly in double precision!\n");
  TempFolder folder;
  for (const ModelCase& test : cases) {
    SCOPED_TRACE(test.name);
    folder.Write("model.in", test.model);
    ModelCreation model;
    ASSERT_TRUE(model.CreateComponents((folder.Path() / "model.in").string()));
    ASSERT_TRUE(model.CalculateBasicMatrices()) << model.GetLogText('A');
    SimulationModule module;
    EXPECT_FALSE(
        module.PrepareFundamentalMatrices(model.GetMatrix('A'), model.GetMatrix('F'), test.dt));
    const std::string log = module.GetLogText();
    std::smatch figure;
    ASSERT_TRUE(std::regex_search(log, figure, refusal)) << log.substr(log.size() - 600);
    const double difference = std::stod(figure[1].str());
    EXPECT_GT(difference, 1e-9);
    if (test.model.find("Wheelset") == std::string::npos) continue;  // tied to the ground
    const double momentum = MomentumChange(model, module.GetMatrix('C'));
    EXPECT_GT(momentum, 0.01 * difference);
    EXPECT_LT(momentum, 100.0 * difference);
  }
}

// The generator writes models of exactly the freedoms asked for; behind the
// vehicle, zero wagons leave the shipped system as it is.
TEST(GeneralModelsTest, GeneratedModelsHaveTheRequestedFreedoms) {
  TempFolder folder;
  const auto build = [&folder](const std::string& text, ModelCreation& model) {
    folder.Write("model.in", text);
    return model.CreateComponents((folder.Path() / "model.in").string()) &&
           model.CalculateBasicMatrices();
  };
  for (const auto& [freedoms, withVehicle] :
       {std::pair{1, false}, std::pair{2, false}, std::pair{13, true}, std::pair{14, true},
        std::pair{41, true}}) {
    SCOPED_TRACE(std::to_string(freedoms) + (withVehicle ? " with the vehicle" : " alone"));
    ModelCreation model;
    ASSERT_TRUE(build(Generated(freedoms, withVehicle), model));
    EXPECT_EQ(static_cast<std::size_t>(freedoms), model.Components().Dofs().size());
    EXPECT_EQ(2 * freedoms, model.GetMatrix('A').num_rows());
  }
  ModelCreation shipped;
  ModelCreation alone;
  ASSERT_TRUE(build(ShippedModel(), shipped));
  ASSERT_TRUE(build(Generated(13, true), alone));
  EXPECT_EQ(0.0, SumOfAbsolutes(shipped.GetMatrix('A') - alone.GetMatrix('A')));

  std::string text;
  std::string error;
  EXPECT_FALSE(chain_model::ChainModelText(0, text, error));
  EXPECT_FALSE(chain_model::VehicleChainModelText(12, ShippedModel(), text, error));
  EXPECT_EQ("the vehicle alone has 13 freedoms, more than 12", error);
  EXPECT_FALSE(chain_model::VehicleChainModelText(20, Oscillator(1, 1), text, error));
}

// FNV-1a over the bytes of every element, row by row.
std::uint64_t Fingerprint(const std::vector<const Matrix*>& matrices) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const Matrix* m : matrices) {
    for (int i = 0; i < m->num_rows(); ++i) {
      for (int j = 0; j < m->num_cols(); ++j) {
        unsigned char bytes[sizeof(double)];
        std::memcpy(bytes, &(*m)[i][j], sizeof(double));
        for (unsigned char byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
      }
    }
  }
  return hash;
}

// The shipped vehicle's C, P and P1 at the batch time steps, to the bit as the
// program has always made them (on this platform's libm): its results stay the
// same however the preparation around them changes.
TEST(GeneralModelsTest, ShippedStepMatricesKeepTheirBits) {
  const std::vector<std::pair<double, std::uint64_t>> fingerprints = {
      {0.005, 0x47cf9548e4980804ull},
      {0.0025, 0x9d9327c509a9e888ull},
      {0.01, 0x6fbd821a4e5ac387ull},
  };
  for (const auto& [dt, expected] : fingerprints) {
    VehicleSetUp vehicle;
    ASSERT_TRUE(vehicle.Build(testing_support::ShippedModelFile(testing_support::DataDir()), dt))
        << vehicle.Failure();
    const SimulationModule& module = vehicle.Simulation();
    EXPECT_EQ(expected,
              Fingerprint({&module.GetMatrix('C'), &module.GetMatrix('P'), &module.GetMatrix('Z')}))
        << "dt " << dt;
  }
}

}  // namespace
