#include <gtest/gtest.h>

#include "ModelTestSupport.h"

namespace {

using model_testing::Counts;
using model_testing::ParsedModel;

// Bodies A (XY), G (fixed), B (XYR) and Front_bogie (X): default list
// A_X A_Y B_X B_Y B_R Front_bogie_X.
const std::string kBodies =
    "BEGIN\nBODY A 1 1 0 0 XY\nBODY G 0 0 0 0 FIX\nBODY B 1 1 0 0 RXY\n"
    "BODY Front_bogie 1 1 0 0 X\nEND\n";

std::string Names(const ComponentManager& c) {
  std::string names;
  for (const DofEntry& dof : c.Dofs()) names += DofName(c.Bodies(), dof) + " ";
  return names;
}

std::string Applied(int applied, int removed) {
  return "Number of applied user defined DOF strings: " + std::to_string(applied) +
         "\nNumber of removed user defined DOF strings: " + std::to_string(removed) + "\n";
}

const std::string kRest = "The rest of the DOF list is in default order!\n";

std::string Less(int count) {
  return "Warning - Less (" + std::to_string(count) +
         ") user defined DOF string than total DOF of the system!\n";
}

struct DofCase {
  const char* section;   // the text after the component section
  std::string findings;  // the log after the counts
  const char* order;
};

TEST(DofListTest, SectionsReorderTheDefaultList) {
  const DofCase cases[] = {
      {"", "Warning - Keyword DOFS not found!\n", "A_X A_Y B_X B_Y B_R Front_bogie_X "},
      {"DOFS B_R A_X END", Less(2) + Applied(2, 0) + kRest, "B_R A_X A_Y B_X B_Y Front_bogie_X "},
      {"DOFS\nFront_bogie_X B_R\nB_Y B_X\nA_Y A_X\nEND trailing words", Applied(6, 0),
       "Front_bogie_X B_R B_Y B_X A_Y A_X "},
      {"DOFS A_R G_X B_X END",
       Less(3) +
           "Warning - Body 'A' does not have the 'R' DoF, defined DOF string 'A_R'!\n"
           "Warning - Body 'G' does not have the 'X' DoF, defined DOF string 'G_X'!\n" +
           Applied(1, 2) + kRest,
       "B_X A_X A_Y B_Y B_R Front_bogie_X "},
      {"DOFS B_Y B_Y B_Y A_q A_q END",
       Less(5) +
           "Warning - Repeated user defined DOF string: 'B_Y'!\n"
           "Warning - Repeated user defined DOF string: 'B_Y'!\n"
           "Warning - Invalid user defined DOF string 'A_q'!\n"
           "Warning - Repeated user defined DOF string: 'A_q'!\n" +
           Applied(1, 4) + kRest,
       "B_Y A_X A_Y B_X B_R Front_bogie_X "},
      {"DOFS A_x AX A_Z _X C_X END",
       Less(5) +
           "Warning - Invalid user defined DOF string 'A_x'!\n"
           "Warning - Invalid user defined DOF string 'AX'!\n"
           "Warning - Invalid user defined DOF string 'A_Z'!\n"
           "Warning - Invalid user defined DOF string '_X'!\n"
           "Warning - Body 'C' not found for user defined DOF string 'C_X'!\n" +
           Applied(0, 5) + kRest,
       "A_X A_Y B_X B_Y B_R Front_bogie_X "},
      {"DOFS END", Less(0) + Applied(0, 0) + kRest, "A_X A_Y B_X B_Y B_R Front_bogie_X "},
      {"DOFS B_R B_Y B_X A_Y A_X Front_bogie_X A_X",
       "Warning - Too much (7) user defined DOF string! Duplicates and invalid ones will be "
       "removed!\n"
       "Warning - Repeated user defined DOF string: 'A_X'!\n" +
           Applied(6, 1),
       "B_R B_Y B_X A_Y A_X Front_bogie_X "},
  };
  for (const DofCase& c : cases) {
    const ParsedModel model(kBodies + c.section);
    EXPECT_TRUE(model.result) << c.section;
    EXPECT_EQ(Counts(4, 0) + c.findings, model.Findings()) << c.section;
    EXPECT_EQ(c.order, Names(model.components)) << c.section;
  }
}

TEST(DofListTest, InvalidBodiesAddNoFreedoms) {
  const ParsedModel model("BEGIN\nBODY A 1 1 0 0 XZ\nBODY B 1 1 0 0 YR\nEND\nDOFS A_X B_R END\n");
  EXPECT_FALSE(model.result);
  EXPECT_EQ("B_R B_Y ", Names(model.components));
  EXPECT_NE(std::string::npos,
            model.Findings().find(
                "Warning - Body 'A' does not have the 'X' DoF, defined DOF string 'A_X'!\n"));
}

TEST(DofListTest, FindDofGivesTheListPosition) {
  const ParsedModel model(kBodies + "DOFS B_R END");
  const ComponentManager& c = model.components;
  EXPECT_EQ(0, c.FindDof(c.FindBody("B"), 'R'));
  EXPECT_EQ(1, c.FindDof(c.FindBody("A"), 'X'));
  EXPECT_EQ(6, c.FindDof(c.FindBody("G"), 'X'));
  EXPECT_EQ(6, c.FindDof(c.FindBody("A"), 'R'));
}

}  // namespace
