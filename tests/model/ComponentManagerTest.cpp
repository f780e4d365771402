#include <gtest/gtest.h>

#include "ModelTestSupport.h"

namespace {

using model_testing::Counts;
using model_testing::kNoDofs;
using model_testing::ParsedModel;

struct ParseCase {
  const char* title;
  std::string file;
  bool result;
  std::string findings;  // the log after its banner
};

// Bodies, nodes and pairs that the wheel cases build on.
const std::string kWheelBase =
    "BEGIN\n"
    "BODY W 1000 0 0 0.5 XY\n"
    "BODY G 0 0 0 0 FIX\n"
    "NODE WTop W 0.2 0.1\n"
    "NODE WLow G 0.2 0\n"
    "NODE WContact W 0 -0.5\n"
    "NODE GContact G 1 0\n"
    "FORCE Spring WLow WTop 2e6 1e5\n"
    "OUTDISP Defl WLow WTop\n"
    "EXTFORCE Adh WContact GContact\n"
    "EXTFORCE Brake WTop WLow\n"
    "EXTFORCE Ground GContact WLow\n";

TEST(ComponentManagerTest, LinesAndTheirFindings) {
  const ParseCase cases[] = {
      {"a blank-separated body with a comment", "BEGIN\nBODY B1 1000 500 0 0.5 YX   \t| c\nEND\n",
       true, Counts(1, 0) + kNoDofs},
      {"FIX is valid, fix is not", "BEGIN\nBODY G 0 0 0 0 FIX\nBODY H 0 0 0 0 fix\nEND\n", false,
       "Error - Incorrect degree of freedom definition 'fix' for Body 'H'!\n" + Counts(1, 1) +
           kNoDofs},
      {"rejected definitions",
       "BEGIN\nBODY A 1 1 0 0 XX\nBODY B 1 1 0 0 XYRZ\nBODY C 1 1 0 0 xy\nBODY D 1 1 0 0 0\nEND",
       false,
       "Error - Incorrect degree of freedom definition 'XX' for Body 'A'!\n"
       "Error - Incorrect degree of freedom definition 'XYRZ' for Body 'B'!\n"
       "Error - Incorrect degree of freedom definition 'xy' for Body 'C'!\n"
       "Error - Incorrect degree of freedom definition '0' for Body 'D'!\n" +
           Counts(0, 4) + kNoDofs},
      {"a line of only BODY", "BEGIN\nBODY\nEND\n", false,
       "Error - A Body has no name!\n"
       "Error - Body 'noname' has no mass information!\n"
       "Error - Body 'noname' has no inertia information!\n"
       "Error - Body 'noname' has no center of mass x coordinate information!\n"
       "Error - Body 'noname' has no center of mass y coordinate information!\n"
       "Error - Body 'noname' has no degree of freedom definiton!\n" +
           Counts(0, 1) + kNoDofs},
      {"conversions and negative values", "BEGIN\nBODY B x -1 y 2kg X\nBODY C 1 -2 0 0 R\nEND\n",
       false,
       "Error - Cannot convert mass from string to double in Body 'B'!\n"
       "Warning - Negative value for inertia in Body 'B'!\n"
       "Error - Cannot convert center of mass x coordinate from string to double in Body 'B'!\n"
       "Warning - Negative value for inertia in Body 'C'!\n" +
           Counts(1, 1) + kNoDofs},
      {"a node before its body, then a redefined node",
       "BEGIN\nNODE N1 A 0 0\nBODY A 1 1 0 0 X\nNODE N2 A 1 u\nNODE N2 A 2 0\nNODE\nEND\n", false,
       "Error - No Body 'A' found for Node 'N1'!\n"
       "Error - Cannot convert relative coordinate y from string to double in Node 'N2'!\n"
       "Error - Redefinition of Node 'N2' is not allowed! The first definition will be used!\n"
       "Error - A Node has no name!\n"
       "Error - Node 'noname' has no related body information!\n"
       "Error - Node 'noname' has no relative coordinate x information!\n"
       "Error - Node 'noname' has no relative coordinate y information!\n" +
           Counts(1, 4) + kNoDofs},
      {"forces: same node, same body, surplus words",
       "BEGIN\nBODY A 1 1 0 0 X\nNODE N1 A 0 0\nNODE N2 A 1 0\n"
       "FORCE F1 N1 N1 1 1\nFORCE F2 N1 N2 1 1 extra more\nFORCE F3 N2 N1 -1 -2 x\n"
       "FORCE F4 N3 N1 a\nFORCE\nEND\n",
       false,
       "Error - Second Node 'N1' of Force 'F1' is the same as its first Node!\n"
       "Warning - Force 'F2' has more parameters, than needed. Words: 'extra', 'more' are not "
       "used!\n"
       "Warning - Negative value for stiffness in Force 'F3'!\n"
       "Warning - Negative value for damping in Force 'F3'!\n"
       "Warning - Force 'F3' has more parameters, than needed. Word: 'x' is not used!\n"
       "Error - No first Node 'N3' found for Force 'F4'!\n"
       "Error - Cannot convert stiffness from string to double in Force 'F4'!\n"
       "Error - Force 'F4' has no damping information!\n"
       "Error - A Force has no name!\n"
       "Error - Force 'noname' has no related first Node information!\n"
       "Error - Force 'noname' has no related second Node information!\n"
       "Error - Force 'noname' has no stiffness information!\n"
       "Error - Force 'noname' has no damping information!\n" +
           Counts(5, 3) + kNoDofs},
      {"external forces and outbound displacements",
       "BEGIN\nBODY A 1 1 0 0 X\nNODE N1 A 0 0\nNODE N2 A 1 0\n"
       "EXTFORCE E N1 N2\nOUTDISP E N1 N2\nOUTDISP E N2 N1\nOUTDISP\nEXTFORCE P N2 N2 N1\n"
       "EXTFORCE Q N1 N9\nEND\n",
       false,
       "Error - Redefinition of ExtForce 'E' is not allowed! The first definition will be used!\n"
       "Error - An ExtForce has no name!\n"
       "Error - ExtForce 'noname' has no related first Node information!\n"
       "Error - ExtForce 'noname' has no related second Node information!\n"
       "Error - Second Node 'N2' of ExtForce 'P' is the same as its first Node!\n"
       "Warning - ExtForce 'P' has more parameters, than needed. Word: 'N1' is not used!\n"
       "Error - No second Node 'N9' found for ExtForce 'Q'!\n" +
           Counts(5, 4) + kNoDofs},
      {"unknown keywords, blank and comment lines",
       "BEGIN\n\n   | only a comment\n\t BODY A 1 1 0 0 X\nSPRING A B\nbody B 1 1 0 0 X\n\nEND\n",
       false,
       "Error - Unknown keyword: SPRING!\nError - Unknown keyword: body!\n" + Counts(1, 2) +
           kNoDofs},
      {"words after BEGIN form the first line; END ends the text", "BEGIN BODY A 1 1 0 0 X\nEND",
       true, Counts(1, 0) + kNoDofs},
      {"END with words after it", "BEGIN\nBODY A 1 1 0 0 X\nEND of components\n", true,
       Counts(1, 0) + kNoDofs},
      {"no END", "BEGIN\nBODY A 1 1 0 0 X\nBODY B 1 1 0\n", false,
       "Error - Body 'B' has no center of mass y coordinate information!\n"
       "Error - Body 'B' has no degree of freedom definiton!\n" +
           Counts(1, 1) + "Error - Keyword END not found!\n" + kNoDofs},
      {"no BEGIN", "BODY A 1 1 0 0 X\nEND\nDOFS A_X END\n", false,
       "Error - Keyword BEGIN not found.\n"},
      {"a keyword BEGIN only inside a comment", "| BEGIN\nBODY A 1 1 0 0 X\n", false,
       "Error - Keyword BEGIN not found.\n"},
      {"DOFS before BEGIN is never seen", "DOFS A_X END\nBEGIN\nBODY A 1 1 0 0 X\nEND\n", true,
       Counts(1, 0) + kNoDofs},
      {"a wheel on its wheelset",
       kWheelBase + "WHEEL Wh W Spring Defl Adh Brake 500 98100 0.46\nEND\n", true,
       Counts(12, 0) + kNoDofs},
      {"a line of only WHEEL", kWheelBase + "WHEEL\nEND\n", false,
       "Error - A Wheel has no name!\n"
       "Error - Wheel 'noname' has no parent body information!\n"
       "Error - Wheel 'noname' has no normal force information!\n"
       "Error - Wheel 'noname' has no normal outdisp element information!\n"
       "Error - Wheel 'noname' has no axle (wheel-rail adhesion) extforce information!\n"
       "Error - Wheel 'noname' has no bogie (brake force) extforce information!\n"
       "Error - Wheel 'noname' has no reduced mass information!\n"
       "Error - Wheel 'noname' has no constant normal force information!\n"
       "Error - Wheel 'noname' has no radius information!\n" +
           Counts(11, 1) + kNoDofs},
      {"wheel references that name nothing", kWheelBase + "WHEEL Wh V F O E B m n r s\nEND\n",
       false,
       "Error - No Body 'V' found for Wheel 'Wh'!\n"
       "Error - No Force 'F' found for Wheel 'Wh'!\n"
       "Error - No Outdisp 'O' found for Wheel 'Wh'!\n"
       "Error - No Extforce 'E' found for Wheel 'Wh'!\n"
       "Error - No Extforce 'B' found for Wheel 'Wh'!\n"
       "Error - Cannot convert reduced mass from string to double in Wheel 'Wh'!\n"
       "Error - Cannot convert constant normal force from string to double in Wheel 'Wh'!\n"
       "Error - Cannot convert radius from string to double in Wheel 'Wh'!\n"
       "Warning - Wheel 'Wh' has more parameters, than needed. Word: 's' is not used!\n" +
           Counts(11, 1) + kNoDofs},
      {"a brake force off the parent body, a zero radius, a redefined wheel",
       kWheelBase + "WHEEL Wh W Spring Defl Adh Ground 500 98100 0\n"
                    "WHEEL Wh W Spring Defl Adh Brake 500 98100 -0.46\nEND\n",
       false,
       "Error - The specified Extforce 'Ground' does not have any node on the parent body of "
       "Wheel 'Wh'!\n"
       "Error - Radius of Wheel 'Wh' must not be zero!\n"
       "Error - Redefinition of Wheel 'Wh' is not allowed! The first definition will be used!\n" +
           Counts(11, 2) + kNoDofs},
      // A name is only ever shown shortened and escaped: terminal control
      // sequences and megabytes of name stay out of the console.
      {"names with terminal escapes and of a megabyte",
       "BEGIN\nBODY \x1b[2J\x1b[H 1 1 0 0 XQ\nBODY " + std::string(1 << 20, 'n') +
           " 1 1 0 0 X \x1b]0;t\a\nEND\n",
       false,
       "Error - Incorrect degree of freedom definition 'XQ' for Body '\\x1B[2J\\x1B[H'!\n"
       "Warning - Body '" +
           std::string(40, 'n') +
           "...' has more parameters, than needed. Word: '\\x1B]0;t\\x07' is not used!\n" +
           Counts(1, 1) + kNoDofs},
  };
  for (const ParseCase& c : cases) {
    const ParsedModel model(c.file);
    EXPECT_EQ(c.result, model.result) << c.title;
    EXPECT_EQ(c.findings, model.Findings()) << c.title;
  }
}

// The set-up's time grows with the cube of the freedoms: a model beyond the
// limit is refused as soon as it is read.
TEST(ComponentManagerTest, ModelsBeyondTheFreedomLimitAreRefused) {
  const std::string refused = "Error - The model has " + std::to_string(kMostFreedoms + 1) +
                              " degrees of freedom, more than the limit of " +
                              std::to_string(kMostFreedoms) + "!\n";
  for (const std::size_t freedoms : {kMostFreedoms, kMostFreedoms + 1}) {
    std::string file = "BEGIN\nBODY Pair 1 1 0 0 XY\n";
    for (std::size_t i = 2; i < freedoms; ++i)
      file += "BODY B" + std::to_string(i) + " 1 1 0 0 X\n";
    const ParsedModel model(file + "END\n");
    const bool fits = freedoms <= kMostFreedoms;
    EXPECT_EQ(freedoms, model.components.Dofs().size());
    EXPECT_EQ(fits, model.result) << freedoms;
    EXPECT_EQ(Counts(static_cast<int>(freedoms) - 1, 0) + kNoDofs + (fits ? "" : refused),
              model.Findings());
  }
}

TEST(ComponentManagerTest, RecordsHoldTheLinesValues) {
  const ParsedModel model(kWheelBase +
                          "WHEEL Wh W Spring Defl Adh Brake 500 98100 0.46\n"
                          "BODY R 1 2 3 4 RYX\nBODY F 0 0 0 0 FIX\nEND\n");
  ASSERT_TRUE(model.result);
  const ComponentManager& c = model.components;
  ASSERT_EQ(4u, c.Bodies().size());
  EXPECT_EQ("XY", c.Bodies()[0].dofs);
  EXPECT_EQ("XYR", c.Bodies()[2].dofs);
  EXPECT_EQ("0", c.Bodies()[3].dofs);
  EXPECT_DOUBLE_EQ(3.0, c.Bodies()[2].centerX);

  const Node& top = c.Nodes()[c.FindNode("WTop")];
  EXPECT_EQ(0, top.body);
  EXPECT_DOUBLE_EQ(0.2, top.relX);
  EXPECT_DOUBLE_EQ(0.1, top.relY);

  const Force& spring = c.Forces()[0];
  EXPECT_EQ(c.FindNode("WLow"), spring.firstNode);
  EXPECT_EQ(c.FindNode("WTop"), spring.secondNode);
  EXPECT_DOUBLE_EQ(2e6, spring.stiffness);
  EXPECT_DOUBLE_EQ(1e5, spring.damping);

  ASSERT_EQ(1u, c.Wheels().size());
  const Wheel& wheel = c.Wheels()[0];
  EXPECT_EQ(0, wheel.parentBody);
  EXPECT_EQ(0, wheel.normalForce);
  EXPECT_EQ(0, wheel.normalOutdisp);
  EXPECT_EQ(c.FindExtForce("Adh"), wheel.axleExtForce);
  EXPECT_EQ(c.FindExtForce("Brake"), wheel.bogieExtForce);
  EXPECT_EQ(c.FindNode("WTop"), wheel.brakeNode);
  EXPECT_DOUBLE_EQ(500.0, wheel.reducedMass);
  EXPECT_DOUBLE_EQ(98100.0, wheel.constantNormalForce);
  EXPECT_DOUBLE_EQ(0.46, wheel.radius);
}

// The brake node is the brake force's first node even when only its second
// node lies on the wheel's body.
TEST(ComponentManagerTest, BrakeNodeIsTheFirstNodeOfTheBrakeForce) {
  const ParsedModel model(kWheelBase + "EXTFORCE Reverse WLow WTop\n" +
                          "WHEEL Wh W Spring Defl Adh Reverse 500 98100 0.46\nEND\n");
  ASSERT_TRUE(model.result) << model.Findings();
  EXPECT_EQ(model.components.FindNode("WLow"), model.components.Wheels()[0].brakeNode);
}

TEST(ComponentManagerTest, FirstRecordOfANameWinsAndInvalidLinesAreKept) {
  const ParsedModel model(
      "BEGIN\nBODY A 1 1 0 0 X\nBODY B 2 2 0 0 X\nNODE N A 1 0\nNODE N B 2 0\n"
      "NODE M B 3 0\nFORCE F N M 1 1\nEND\n");
  EXPECT_FALSE(model.result);
  const ComponentManager& c = model.components;
  EXPECT_EQ(3u, c.Nodes().size());
  EXPECT_EQ(0, c.FindNode("N"));
  EXPECT_EQ(0, c.Forces()[0].firstNode);
  EXPECT_EQ(3, c.FindNode("nothing"));
  EXPECT_EQ(0, c.FindBody("A"));
  EXPECT_EQ(2, c.FindBody("a"));
}

TEST(ComponentManagerTest, MissingFileLeavesOnlyTheBanner) {
  ComponentManager components;
  EXPECT_FALSE(components.ReadModelFile("/nonexistent/folder/model.in"));
  EXPECT_EQ(model_testing::kComponentBanner, components.Log());
}

}  // namespace
