#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "model/ModelCreation.h"
#include "support/TestSupport.h"

namespace {

using model_testing::Coupling;
using testing_support::TempFolder;

const std::string kBanner = "***** ModelCreation Module Log *****\n\n";

// Wheelset W (mass 1000, freedoms X and Y) standing on a vertical
// spring-damper to the ground; its brake node N sits 0.23 ahead of its centre.
std::string WheelModel(const std::string& wheelsetDofs, const std::string& brakeNodeX) {
  return "BEGIN\n"
         "BODY W 1000 0 0 0.5 " +
         wheelsetDofs +
         "\n"
         "BODY G 0 0 0 0 FIX\n"
         "NODE Top W 0 0.2\nNODE Rail G 0 0\nNODE Contact W 0 -0.5\nNODE Ahead G 1 0\n"
         "NODE Brake W " +
         brakeNodeX + " 0.1\nNODE Reaction G " + brakeNodeX +
         " 0\n"
         "FORCE Spring Top Rail 2e6 1e5\n"
         "OUTDISP Defl Rail Top\n"
         "EXTFORCE Adh Contact Ahead\nEXTFORCE Brk Brake Reaction\n"
         "WHEEL Wh W Spring Defl Adh Brk 500 98100 0.46\nEND\n";
}

struct Chain {
  explicit Chain(const std::string& text) {
    folder.Write("model.in", text);
    fileName = (folder.Path() / "model.in").string();
  }
  TempFolder folder;
  std::string fileName;
  ModelCreation model;
};

TEST(ModelCreationTest, MissingFile) {
  ModelCreation model;
  EXPECT_FALSE(model.CreateComponents("/nonexistent/model.in"));
  EXPECT_EQ(ModelStatus::FileNotExists, model.Status());
  EXPECT_EQ(kBanner +
                "Input file: /nonexistent/model.in\nStatus: FileNotExists\n"
                "Cannot execute CreateComponents() - Target file does not exist!\n",
            model.GetLogText('X'));
  EXPECT_FALSE(model.CalculateBasicMatrices());
  EXPECT_NE(std::string::npos,
            model.GetLogText('M').find("Cannot execute CalculateBasicMatrices() - Input file is "
                                       "not parsed successfully!\n"));
}

TEST(ModelCreationTest, SuccessfulChainWithCouplingData) {
  Chain chain(WheelModel("XY", "0.23"));
  ModelCreation& model = chain.model;
  ASSERT_TRUE(model.CreateComponents(chain.fileName));
  ASSERT_TRUE(model.CalculateBasicMatrices());
  EXPECT_EQ(ModelStatus::AdvancedMatricesOK, model.Status());

  Coupling coupling;
  coupling.loads = Vector(7, 1.0);  // resized to one entry per wheel
  EXPECT_TRUE(coupling.Generate(model));
  const Matrix& normal = coupling.normal;
  const Vector& loads = coupling.loads;

  EXPECT_EQ(kBanner + "Input file: " + chain.fileName +
                "\nStatus: FilePathOK\n"
                "Executing CreateComponents()\nStatus: FileParsedSuccessfully\n"
                "Executing CalculateBasicMatrices()\nStatus: BasicMatricesOK\n"
                "Executing CalculateAdvancedMatrices()\nStatus: AdvancedMatricesOK\n"
                "Executing GenerateNormalForceMatrix()\n"
                "Executing GenerateStaticAxleLoadVector()\n"
                "Executing GenerateReducedMassVector()\n"
                "Executing GenerateWheelIndices()\n"
                "Executing GenerateBrakeForceRadii()\n",
            model.GetLogText('?'));

  // State (W_X_VELO, W_Y_VELO, W_X_DISP, W_Y_DISP). The deflection of Defl is
  // W's vertical displacement (Top above Rail): N = [0, c, 0, k].
  ASSERT_EQ(1, normal.num_rows());
  ASSERT_EQ(4, normal.num_cols());
  const double expected[] = {0.0, 1e5, 0.0, 2e6};
  for (int j = 0; j < 4; ++j) EXPECT_NEAR(expected[j], normal[0][j], 1e-9) << j;
  ASSERT_EQ(1, loads.dim());
  EXPECT_EQ(98100.0, loads[0]);
  ASSERT_EQ(1, coupling.masses.dim());
  EXPECT_EQ(500.0, coupling.masses[0]);
  EXPECT_EQ(std::vector<int>{0}, coupling.dofIndices);
  EXPECT_EQ(std::vector<int>{2}, coupling.stateIndices);
  ASSERT_EQ(1, coupling.radii.dim());
  EXPECT_DOUBLE_EQ(0.5, coupling.radii[0]);

  EXPECT_EQ(4, model.GetMatrix('A').num_rows());
  EXPECT_EQ(2, model.GetMatrix('F').num_cols());
  EXPECT_EQ(2, model.GetMatrix('U').num_rows());
  EXPECT_EQ(2, model.GetMatrix('M').num_rows());
  EXPECT_EQ(0, model.GetMatrix('Z').num_rows());
  EXPECT_EQ(0, model.GetMatrix('Z').num_cols());
  EXPECT_EQ(0u, model.GetLogText('A').find("***** AdvancedMatrixManager Log *****\n"));
  EXPECT_EQ(0u, model.GetLogText('B').find("***** BasicMatrixManager Log *****\n"));
  EXPECT_EQ(0u, model.GetLogText('C').find("***** ComponentManager Log *****\n"));
}

TEST(ModelCreationTest, WheelWithoutLongitudinalFreedom) {
  Chain chain(WheelModel("YR", "0.23"));
  ModelCreation& model = chain.model;
  ASSERT_TRUE(model.CreateComponents(chain.fileName));
  // W has no inertia: its R freedom has no acceleration law.
  EXPECT_FALSE(model.CalculateBasicMatrices());
  EXPECT_EQ(ModelStatus::AdvancedMatricesFailed, model.Status());
  EXPECT_NE(std::string::npos, model.GetLogText('A').find("DOF 'W_R' has zero mass or inertia"));

  Chain yOnly(WheelModel("Y", "0.23"));
  ASSERT_TRUE(yOnly.model.CreateComponents(yOnly.fileName));
  ASSERT_TRUE(yOnly.model.CalculateBasicMatrices());
  std::vector<int> dofIndices = {5, 5, 5};
  std::vector<int> stateIndices;
  EXPECT_FALSE(yOnly.model.GenerateWheelIndices(dofIndices, stateIndices));
  EXPECT_EQ(std::vector<int>{0}, dofIndices);
  EXPECT_EQ(std::vector<int>{1}, stateIndices);
  EXPECT_NE(std::string::npos, yOnly.model.GetLogText('M').find(
                                   "Executing GenerateWheelIndices()\n"
                                   "Error: Parent body of Wheel 'Wh' does not have X DoF!\n"));
}

TEST(ModelCreationTest, BrakeNodeOnTheWheelCentreLine) {
  Chain chain(WheelModel("XY", "0"));
  ASSERT_TRUE(chain.model.CreateComponents(chain.fileName));
  ASSERT_TRUE(chain.model.CalculateBasicMatrices());
  Vector radii;
  const std::string before = chain.model.GetLogText('M');
  EXPECT_FALSE(chain.model.GenerateBrakeForceRadii(radii));
  EXPECT_EQ(before + "Executing GenerateBrakeForceRadii()\n", chain.model.GetLogText('M'));
  ASSERT_EQ(1, radii.dim());
  EXPECT_EQ(0.0, radii[0]);
}

TEST(ModelCreationTest, NoWheels) {
  Chain chain("BEGIN\nBODY A 1 1 0 0 XY\nEND\n");
  ModelCreation& model = chain.model;
  ASSERT_TRUE(model.CreateComponents(chain.fileName));
  ASSERT_TRUE(model.CalculateBasicMatrices());
  Coupling coupling;
  coupling.normal = Matrix(3, 3, 1.0);
  coupling.loads = Vector(2, 1.0);
  coupling.dofIndices = {1};
  EXPECT_TRUE(coupling.Generate(model));
  EXPECT_EQ(0, coupling.normal.num_rows());
  EXPECT_EQ(4, coupling.normal.num_cols());
  EXPECT_EQ(0, coupling.loads.dim());
  EXPECT_EQ(0, coupling.masses.dim());
  EXPECT_TRUE(coupling.dofIndices.empty());
  EXPECT_TRUE(coupling.stateIndices.empty());
  EXPECT_EQ(0, coupling.radii.dim());
}

// Each failure stops the chain where it happened, with the status telling where.
TEST(ModelCreationTest, StatusSequenceOfFailures) {
  struct Case {
    const char* title;
    std::string file;
    ModelStatus status;
    std::string logTail;
  };
  const Case cases[] = {
      {"parsing fails", "BEGIN\nBODY A\nEND\n", ModelStatus::ErrorInFile,
       "Executing CreateComponents()\nStatus: ErrorInFile\n"
       "Cannot execute CalculateBasicMatrices() - Input file is not parsed successfully!\n"},
      {"overlapping nodes",
       "BEGIN\nBODY A 1 1 0 0 X\nBODY G 0 0 0 0 FIX\nNODE N1 A 0 0\nNODE N2 G 0 0\n"
       "FORCE K N1 N2 1 1\nEND\n",
       ModelStatus::BasicMatricesFailed,
       "Executing CreateComponents()\nStatus: FileParsedSuccessfully\n"
       "Executing CalculateBasicMatrices()\nStatus: BasicMatricesFailed\n"
       "Cannot execute CalculateAdvancedMatrices() - There are no valid basic system matrices "
       "for input!\n"},
      {"a massless freedom", "BEGIN\nBODY A 0 1 0 0 X\nEND\n", ModelStatus::AdvancedMatricesFailed,
       "Executing CreateComponents()\nStatus: FileParsedSuccessfully\n"
       "Executing CalculateBasicMatrices()\nStatus: BasicMatricesOK\n"
       "Executing CalculateAdvancedMatrices()\nStatus: AdvancedMatricesFailed\n"},
  };
  for (const Case& c : cases) {
    Chain chain(c.file);
    chain.model.CreateComponents(chain.fileName);
    EXPECT_FALSE(chain.model.CalculateBasicMatrices()) << c.title;
    EXPECT_EQ(c.status, chain.model.Status()) << c.title;
    const std::string log = chain.model.GetLogText('M');
    ASSERT_GE(log.size(), c.logTail.size()) << c.title;
    EXPECT_EQ(c.logTail, log.substr(log.size() - c.logTail.size())) << c.title;

    // The coupling steps refuse to read wheels of a model that did not build.
    Vector loads;
    EXPECT_FALSE(chain.model.GenerateStaticAxleLoadVector(loads)) << c.title;
    EXPECT_NE(std::string::npos,
              chain.model.GetLogText('M').find("Cannot execute GenerateStaticAxleLoadVector() - "
                                               "There are no valid advanced system matrices!\n"))
        << c.title;
  }
}

TEST(ModelCreationTest, StatusNames) {
  const char* names[] = {"FileNotExists",          "FilePathOK",          "ErrorInFile",
                         "FileParsedSuccessfully", "BasicMatricesFailed", "BasicMatricesOK",
                         "AdvancedMatricesFailed", "AdvancedMatricesOK"};
  for (int value = 0; value < 8; ++value) {
    EXPECT_EQ(names[value], StatusName(static_cast<ModelStatus>(value)));
  }
  EXPECT_EQ("Unknown", StatusName(static_cast<ModelStatus>(8)));
}

}  // namespace
