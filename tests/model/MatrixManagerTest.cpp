#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ModelTestSupport.h"
#include "model/AdvancedMatrixManager.h"
#include "model/BasicMatrixManager.h"

namespace {

using model_testing::ParsedModel;

// The basic and advanced matrices of a parsed model file.
struct BuiltModel {
  explicit BuiltModel(const std::string& text) : parsed(text) {
    const ComponentManager& c = parsed.components;
    basicOk = basic.Build(c.Bodies(), c.Nodes(), c.Forces(), c.Dofs(), c.ExtForces(), c.Outdisps());
    advancedOk = advanced.Build(basic.GetMatrix('M'), basic.GetMatrix('S'), basic.GetMatrix('D'),
                                basic.GetMatrix('E'), basic.GetMatrix('O'), c.Bodies(), c.Dofs(),
                                c.ExtForces(), c.Outdisps());
  }
  ParsedModel parsed;
  BasicMatrixManager basic;
  AdvancedMatrixManager advanced;
  bool basicOk = false;
  bool advancedOk = false;
};

void ExpectMatrix(const std::vector<std::vector<double>>& expected, const Matrix& actual,
                  const std::string& what) {
  ASSERT_EQ(static_cast<int>(expected.size()), actual.num_rows()) << what;
  for (int i = 0; i < actual.num_rows(); ++i) {
    ASSERT_EQ(static_cast<int>(expected[i].size()), actual.num_cols()) << what;
    for (int j = 0; j < actual.num_cols(); ++j) {
      EXPECT_NEAR(expected[i][j], actual[i][j], 1e-12) << what << " at " << i << ", " << j;
    }
  }
}

std::vector<std::vector<double>> Outer(double scale, const std::vector<double>& g) {
  std::vector<std::vector<double>> result(g.size(), std::vector<double>(g.size()));
  for (size_t i = 0; i < g.size(); ++i) {
    for (size_t j = 0; j < g.size(); ++j) result[i][j] = scale * g[i] * g[j];
  }
  return result;
}

std::vector<std::vector<double>> Column(const std::vector<double>& g) {
  std::vector<std::vector<double>> column;
  for (double value : g) column.push_back({value});
  return column;
}

// Body A (mass 2, inertia 3, XYR) centred at (1, 2) with node N1 at offset
// (0.5, -0.25), so N1 stands at (1.5, 1.75); node N2 on the fixed body G.
std::string OneBodyPair(const std::string& secondNodeAt, bool reversed) {
  const std::string pair = reversed ? "N2 N1" : "N1 N2";
  return "BEGIN\nBODY A 2 3 1 2 XYR\nBODY G 0 0 0 0 FIX\nNODE N1 A 0.5 -0.25\nNODE N2 G " +
         secondNodeAt + "\nFORCE K " + pair + " 4 0.5\nEXTFORCE E " + pair + "\nOUTDISP O " + pair +
         "\nEND\n";
}

TEST(MatrixManagerTest, PairGeometryOfOneBodyAgainstTheGround) {
  struct Case {
    const char* title;
    std::string file;
    std::vector<double> g;  // over A_X, A_Y, A_R
  };
  const Case cases[] = {
      // Horizontal, N1 right of N2: e = (1, 0), g(r) = -b.
      {"horizontal", OneBodyPair("-1 1.75", false), {1.0, 0.0, 0.25}},
      // Vertical, N1 above N2: e = (0, 1), g(r) = a.
      {"vertical", OneBodyPair("1.5 0", false), {0.0, 1.0, 0.5}},
      // A 3-4-5 slope: e = (0.6, 0.8), g(r) = 0.5 * 0.8 + 0.25 * 0.6.
      {"sloped", OneBodyPair("-1.5 -2.25", false), {0.6, 0.8, 0.55}},
      // A pair pushes its nodes apart whichever is named first.
      {"sloped, reversed", OneBodyPair("-1.5 -2.25", true), {0.6, 0.8, 0.55}},
  };
  for (const Case& c : cases) {
    const BuiltModel model(c.file);
    ASSERT_TRUE(model.parsed.result) << c.title << model.parsed.Findings();
    EXPECT_TRUE(model.basicOk) << c.title;
    ExpectMatrix({{2, 0, 0}, {0, 2, 0}, {0, 0, 3}}, model.basic.GetMatrix('M'), c.title);
    ExpectMatrix(Outer(4.0, c.g), model.basic.GetMatrix('S'), c.title);
    ExpectMatrix(Outer(0.5, c.g), model.basic.GetMatrix('D'), c.title);
    ExpectMatrix(Column(c.g), model.basic.GetMatrix('E'), c.title);
    ExpectMatrix({c.g}, model.basic.GetMatrix('O'), c.title);
  }
}

// Between two free bodies the pair couples them: S = k g g^T over six DOFs.
TEST(MatrixManagerTest, PairBetweenTwoBodies) {
  // N1 at (1, 0.5) on A, N2 at (2, 0.5) on B: e = (-1, 0) from N2 to N1.
  const BuiltModel model(
      "BEGIN\nBODY A 1 1 0 0 XYR\nBODY B 1 1 3 0.5 XYR\nNODE N1 A 1 0.5\nNODE N2 B -1 0\n"
      "FORCE K N1 N2 10 0\nEND\n");
  ASSERT_TRUE(model.basicOk);
  // g(r1) = 1 * 0 - 0.5 * (-1); g(r2) = -(-1 * 0 - 0 * (-1)).
  const std::vector<double> g = {-1.0, 0.0, 0.5, 1.0, 0.0, 0.0};
  ExpectMatrix(Outer(10.0, g), model.basic.GetMatrix('S'), "S");
  ExpectMatrix(Outer(0.0, g), model.basic.GetMatrix('D'), "D");
}

// A spring or a force pair between two points of one rigid body cannot move it.
TEST(MatrixManagerTest, PairsWithinOneBodyAddNothing) {
  const BuiltModel model(
      "BEGIN\nBODY A 1 1 0 0 XYR\nNODE N1 A 0.5 0\nNODE N2 A -0.5 0.3\n"
      "FORCE K N1 N2 1e6 1e3\nEXTFORCE E N1 N2\nOUTDISP O N2 N1\nEND\n");
  ASSERT_TRUE(model.basicOk);
  for (char letter : {'S', 'D', 'E', 'O'}) {
    EXPECT_LT(MaxAbsolute(model.basic.GetMatrix(letter)), 1e-9) << letter;
  }
}

TEST(MatrixManagerTest, ZeroCoefficientsAddNothingToTheirMatrix) {
  const BuiltModel model(
      "BEGIN\nBODY A 1 1 0 0 X\nBODY G 0 0 0 0 FIX\nNODE N1 A 1 0\nNODE N2 G 0 0\n"
      "FORCE C N1 N2 0 7\nFORCE Z N1 N2 0 0\nEND\n");
  ExpectMatrix({{0.0}}, model.basic.GetMatrix('S'), "S");
  ExpectMatrix({{7.0}}, model.basic.GetMatrix('D'), "D");
}

TEST(MatrixManagerTest, OverlappingNodesAreRefusedByName) {
  const BuiltModel model(
      "BEGIN\nBODY A 1 1 0 0 X\nBODY G 0 0 1 0 FIX\nNODE N1 A 1 0\nNODE N2 G 0 0\n"
      "NODE N3 G 1 0\nFORCE K N1 N2 1 1\nFORCE L N1 N3 2 0\nEXTFORCE E N2 N1\nOUTDISP O N1 N2\n"
      "END\n");
  ASSERT_TRUE(model.parsed.result);
  EXPECT_FALSE(model.basicOk);
  const std::string log = model.basic.Log();
  for (const char* name : {"K", "E", "O"}) {
    EXPECT_NE(std::string::npos,
              log.find("Error - Two nodes are overlapping in '" + std::string(name) + "'!\n"))
        << name;
  }
  EXPECT_EQ(std::string::npos, log.find("overlapping in 'L'"));
  // The other elements are still assembled.
  ExpectMatrix({{2.0}}, model.basic.GetMatrix('S'), "S");
  ExpectMatrix({{0.0}}, model.basic.GetMatrix('E'), "E");
}

// One body on a spring-damper to the ground, written out in full.
TEST(MatrixManagerTest, OneDofSpringDamperLogs) {
  const BuiltModel model(
      "BEGIN\nBODY B 2 0 0 0 X\nBODY G 0 0 0 0 FIX\nNODE NB B 1 0\nNODE NG G 0 0\n"
      "FORCE K NB NG 3 0.5\nEXTFORCE E NB NG\nOUTDISP O NB NG\nEND\n");
  ASSERT_TRUE(model.basicOk);
  ASSERT_TRUE(model.advancedOk);
  EXPECT_EQ(
      "***** BasicMatrixManager Log *****\n\n|Dof list\n1\nB_X\t\n"
      "\n|Mass matrix\n1\t1\n2.0000000000e+00\t\n"
      "\n|Stiffness matrix\n1\t1\n3.0000000000e+00\t\n"
      "\n|Damping matrix\n1\t1\n5.0000000000e-01\t\n"
      "\n|External Force mapping matrix\nE\t\n1\t1\n1.0000000000e+00\t\n"
      "\n|Outbound Displacement mapping matrix\nO\t\n1\t1\n1.0000000000e+00\t\n",
      model.basic.Log());
  // A = [[-c/m, -k/m], [1, 0]], F = [[1/m], [0]].
  EXPECT_EQ(
      "***** AdvancedMatrixManager Log *****\n\n|Dof list\n2\nB_X_VELO\tB_X_DISP\t\n"
      "\n|System matrix\n2\t2\n-2.5000000000e-01\t-1.5000000000e+00\t\n"
      "1.0000000000e+00\t0.0000000000e+00\t\n"
      "\n|External Force mapping matrix\nE\t\n2\t1\n5.0000000000e-01\t\n0.0000000000e+00\t\n"
      "\n|Outbound Displacement matrix\nO_VELO\tO_DISP\t\n2\t2\n"
      "1.0000000000e+00\t0.0000000000e+00\t\n0.0000000000e+00\t1.0000000000e+00\t\n",
      model.advanced.Log());
}

// Two bodies in a chain G - A - B with different masses: A = [[-M^-1 D, -M^-1 S], [I, 0]].
TEST(MatrixManagerTest, SystemMatrixOfAChain) {
  const BuiltModel model(
      "BEGIN\nBODY G 0 0 0 0 FIX\nBODY A 2 0 1 0 X\nBODY B 4 0 2 0 X\n"
      "NODE G0 G 0 0\nNODE A0 A 0 0\nNODE B0 B 0 0\n"
      "FORCE K1 A0 G0 6 1\nFORCE K2 B0 A0 8 2\nEXTFORCE P B0 A0\nOUTDISP O B0 G0\nEND\n"
      "DOFS B_X A_X END\n");
  ASSERT_TRUE(model.advancedOk);
  // Over (B_X, A_X): S = [[8, -8], [-8, 14]], D = [[2, -2], [-2, 3]], M = diag(4, 2).
  ExpectMatrix(
      {{-0.5, 0.5, -2.0, 2.0}, {1.0, -1.5, 4.0, -7.0}, {1.0, 0.0, 0.0, 0.0}, {0.0, 1.0, 0.0, 0.0}},
      model.advanced.GetMatrix('A'), "A");
  // The pair pushes B forwards and A backwards.
  ExpectMatrix({{0.25}, {-0.5}, {0.0}, {0.0}}, model.advanced.GetMatrix('F'), "F");
  // The elongation of O is B's displacement.
  ExpectMatrix({{1, 0, 0, 0}, {0, 0, 1, 0}}, model.advanced.GetMatrix('U'), "U");
}

TEST(MatrixManagerTest, NoExternalForcesNorOutdisps) {
  const BuiltModel model("BEGIN\nBODY A 1 1 0 0 XY\nEND\n");
  ASSERT_TRUE(model.basicOk);
  ASSERT_TRUE(model.advancedOk);
  EXPECT_EQ(2, model.basic.GetMatrix('E').num_rows());
  EXPECT_EQ(0, model.basic.GetMatrix('E').num_cols());
  EXPECT_EQ(0, model.basic.GetMatrix('O').num_rows());
  EXPECT_EQ(2, model.basic.GetMatrix('O').num_cols());
  EXPECT_EQ(4, model.advanced.GetMatrix('F').num_rows());
  EXPECT_EQ(0, model.advanced.GetMatrix('F').num_cols());
  EXPECT_EQ(0, model.advanced.GetMatrix('U').num_rows());
  EXPECT_EQ(4, model.advanced.GetMatrix('U').num_cols());
  EXPECT_NE(std::string::npos,
            model.basic.Log().find("\n|Outbound Displacement mapping matrix\n\n0\t2\n"));
  EXPECT_NE(std::string::npos,
            model.advanced.Log().find("\n|Outbound Displacement matrix\n\n0\t4\n"));
  EXPECT_EQ(0, model.basic.GetMatrix('Z').num_rows());
  EXPECT_EQ(0, model.advanced.GetMatrix('M').num_rows());
}

// A freedom without mass has no acceleration law: no A or F from an undefined inverse.
TEST(MatrixManagerTest, SingularMassMatrixFailsTheAdvancedBuild) {
  const BuiltModel model(
      "BEGIN\nBODY A 1 0 0 0 XR\nBODY B 0 1 1 0 X\nNODE N1 A 0 0\nNODE N2 B 0 0\n"
      "FORCE K N1 N2 1 1\nEXTFORCE E N1 N2\nEND\n");
  ASSERT_TRUE(model.basicOk);
  EXPECT_FALSE(model.advancedOk);
  const std::string log = model.advanced.Log();
  EXPECT_NE(std::string::npos,
            log.find("Error - Singular mass matrix: DOF 'A_R' has zero mass or inertia, its "
                     "acceleration is undefined!\n"
                     "Error - Singular mass matrix: DOF 'B_X' has zero mass or inertia, its "
                     "acceleration is undefined!\n"));
  EXPECT_EQ(std::string::npos, log.find("|System matrix"));
  EXPECT_EQ(0, model.advanced.GetMatrix('A').num_rows());
  EXPECT_EQ(0, model.advanced.GetMatrix('F').num_rows());
}

TEST(MatrixManagerTest, InconsistentSizesAreRefused) {
  AdvancedMatrixManager manager;
  EXPECT_FALSE(manager.Build(Identity(2), Identity(3), Identity(2), Matrix(3, 1, 0.0), Matrix(), {},
                             {}, {}, {}));
  EXPECT_NE(std::string::npos,
            manager.Log().find("Error - Cannot assemble system matrix 'A'! Size of 'M', 'D' and "
                               "'S' must be the same!\n"));
  EXPECT_NE(std::string::npos,
            manager.Log().find("Error - Cannot assemble external force mapping matrix 'F'! "
                               "Height of 'M' and 'EF' must be the same!\n"));
}

}  // namespace
