#include <gtest/gtest.h>

#include <sstream>

#include "support/TestSupport.h"
#include "visual/StyleManager.h"

namespace {

const std::string kBanner = "***** StyleManager Log *****\n\n";

std::string StyleCounts(int valid, int invalid) {
  return "Number of valid user defined styles: " + std::to_string(valid) +
         "\nNumber of invalid user defined styles: " + std::to_string(invalid) + "\n";
}

std::string LinkCounts(int valid, int invalid) {
  return "Number of valid user defined style links: " + std::to_string(valid) +
         "\nNumber of invalid user defined styles links: " + std::to_string(invalid) + "\n";
}

std::string Counts(int validStyles, int invalidStyles, int validLinks, int invalidLinks) {
  return StyleCounts(validStyles, invalidStyles) + LinkCounts(validLinks, invalidLinks);
}

// Every field of a link on one line, in field order.
std::string Describe(const StyleLink& link) {
  std::ostringstream text;
  text << link.linkType << ' ' << link.styleName << ' ' << link.styleKind << ' ' << link.styleIndex
       << ' ' << link.componentName << ' ' << link.componentKind << " | " << link.refX1 << ' '
       << link.refY1 << ' ' << link.refX2 << ' ' << link.refY2 << " | " << link.offX1 << ' '
       << link.offY1 << ' ' << link.offX2 << ' ' << link.offY2 << " | " << link.dofX1 << ' '
       << link.dofY1 << ' ' << link.dofR1 << ' ' << link.dofX2 << ' ' << link.dofY2 << ' '
       << link.dofR2;
  return text.str();
}

std::vector<std::string> DescribeAll(const std::vector<StyleLink>& links) {
  std::vector<std::string> lines;
  for (const StyleLink& link : links) lines.push_back(Describe(link));
  return lines;
}

// The default links of the model below, in creation order.
const std::vector<std::string> kDefaultLinks = {
    "1 DefaultRectangle0 RECTANGLE 0 Car BODY | 10 2 0 0 | 0 0 0 0 | 2 3 0 -1 -1 -1",
    "1 DefaultRectangle1 RECTANGLE 1 Axle BODY | 7 0.5 0 0 | 0 0 0 0 | 1 -1 -1 -1 -1 -1",
    "1 DefaultRectangle2 RECTANGLE 2 Ground BODY | 0 0 0 0 | 0 0 0 0 | -1 -1 -1 -1 -1 -1",
    "1 DefaultPoint0 POINT 0 CarFront NODE | 10 2 0 0 | 1 -1 0 0 | 2 3 0 -1 -1 -1",
    "1 DefaultPoint1 POINT 1 AxleTop NODE | 7 0.5 0 0 | 1 -3.5 0 0 | 1 -1 -1 -1 -1 -1",
    "1 DefaultPoint2 POINT 2 GroundPt NODE | 0 0 0 0 | 8 -9 0 0 | -1 -1 -1 -1 -1 -1",
    "1 DefaultPoint3 POINT 3 CarBack NODE | 10 2 0 0 | -2 0.3 0 0 | 2 3 0 -1 -1 -1",
    "2 DefaultSpring0 SPRING 0 Primary FORCE | 10 2 7 0.5 | 1 -1 1 -3.5 | 2 3 0 1 -1 -1",
    "2 DefaultFilledArrow0 ARROW 0 Adhesion EXTFORCE | 7 0.5 0 0 | 1 -3.5 8 -9 | 1 -1 -1 -1 -1 "
    "-1",
    "2 DefaultArrow0 ARROW 1 Deflection OUTDISP | 10 2 7 0.5 | -2 0.3 1 -3.5 | 2 3 0 1 -1 -1",
};

// A car body with all three freedoms, an axle moving only along x and the
// fixed ground. The DOF list is deliberately not in body order.
class StyleManagerTest : public ::testing::Test {
 protected:
  StyleManagerTest() {
    bodies = {{"Car", 1000, 500, 10, 2, "XYR"},
              {"Axle", 100, 0, 7, 0.5, "X"},
              {"Ground", 0, 0, 0, 0, "0"}};
    nodes = {{"CarFront", 0, 1, -1},
             {"AxleTop", 1, 1, -3.5},
             {"GroundPt", 2, 8, -9},
             {"CarBack", 0, -2, 0.3}};
    forces = {{"Primary", 0, 1, 1e6, 1e3}};  // (11, 1) to (8, -3): length 5
    extForces = {{"Adhesion", 1, 2}};        // (8, -3) to (8, -9): length 6
    outdisps = {{"Deflection", 3, 1}};       // (8, 2.3) to (8, -3): length 5.3
    wheels = {{"FrontWheel", 50, 1e5, 0.5, 0, 0, 0, 0, 0, 1},
              {"RearWheel", 50, 1e5, 0.5, 1, 0, 0, 0, 0, 1}};
    dofList = {{0, 'R'}, {1, 'X'}, {0, 'X'}, {0, 'Y'}};
  }

  bool CreateWith(const std::string& styleText) {
    folder.Write("styles.in", styleText);
    return Create((folder.Path() / "styles.in").string());
  }

  bool Create(const std::string& fileName) {
    return manager.Create(fileName, bodies, wheels, nodes, forces, extForces, outdisps, dofList);
  }

  // The description of the link of the named component.
  std::string LinkOf(const std::string& componentName) const {
    for (const StyleLink& link : manager.Links()) {
      if (link.componentName == componentName) return Describe(link);
    }
    return "no link";
  }

  testing_support::TempFolder folder;
  std::vector<Body> bodies;
  std::vector<Wheel> wheels;
  std::vector<Node> nodes;
  std::vector<Force> forces;
  std::vector<ExtForce> extForces;
  std::vector<Outdisp> outdisps;
  std::vector<DofEntry> dofList;
  StyleManager manager;
};

TEST_F(StyleManagerTest, OnlyTheKeywordsGiveEveryComponentItsDefault) {
  ASSERT_TRUE(CreateWith("BEGIN\nEND\nLINKS\n"));
  EXPECT_EQ(kBanner + Counts(0, 0, 0, 0), manager.GetLogText());
  EXPECT_EQ(kDefaultLinks, DescribeAll(manager.Links()));

  // Body frames widen from +-0.1 to take in the nodes on the body.
  const Rgba grey = {0.1f, 0.1f, 0.1f, 1.0f};
  const Rgba white = {1.0f, 1.0f, 1.0f, 1.0f};
  EXPECT_EQ(
      (std::vector<RectangleStyle>{{"DefaultRectangle0", -2, 1, -1, 0.3f, 0, 1, grey, white},
                                   {"DefaultRectangle1", -0.1f, 1, -3.5f, 0.1f, 0, 1, grey, white},
                                   {"DefaultRectangle2", -0.1f, 8, -9, 0.1f, 0, 1, grey, white}}),
      manager.Styles<RectangleStyle>());
  ASSERT_EQ(4u, manager.Styles<PointStyle>().size());
  EXPECT_EQ((PointStyle{"DefaultPoint3", 5, {1, 0, 0, 1}}), manager.Styles<PointStyle>()[3]);

  // Spring and arrow sizes are an eighth of the element's undeformed length.
  EXPECT_EQ((std::vector<SpringStyle>{{"DefaultSpring0", 0.625f, 15, 1.5f, {0, 0.1f, 0, 1}}}),
            manager.Styles<SpringStyle>());
  const std::vector<ArrowStyle>& arrows = manager.Styles<ArrowStyle>();
  ASSERT_EQ(2u, arrows.size());
  EXPECT_EQ((ArrowStyle{"DefaultFilledArrow0", 0.75f, 1.2f, true, 1.5f, {1, 0.5f, 0, 1}}),
            arrows[0]);
  EXPECT_EQ("DefaultArrow0", arrows[1].name);
  EXPECT_FLOAT_EQ(5.3f / 8.0f, arrows[1].width);
  EXPECT_FLOAT_EQ(1.6f * 5.3f / 8.0f, arrows[1].endLength);
  EXPECT_FALSE(arrows[1].filled);
  EXPECT_TRUE(manager.Styles<LineStyle>().empty());
  EXPECT_TRUE(manager.Styles<ImageStyle>().empty());
}

// A wheel is placed like its body, carries "BODY", and turns with the wheelset
// rotation that follows the four linear freedoms in the drawing state.
TEST_F(StyleManagerTest, WheelLinksTakeTheirRotationAfterTheLinearFreedoms) {
  ASSERT_TRUE(
      CreateWith("BEGIN\n"
                 "DISK Tyre 0.5 12 1 0 0 0 1 0.3 0.3 0.3 1\n"
                 "END\n"
                 "LINKS\n"
                 "WHEEL FrontWheel Tyre\n"
                 "WHEEL RearWheel Tyre\n"));
  EXPECT_EQ(kBanner + StyleCounts(1, 0) +
                "Warning: Wheel 'FrontWheel' has rotational DoF, which is now being replaced by "
                "nonlinear solver!\n" +
                LinkCounts(2, 0),
            manager.GetLogText());
  EXPECT_EQ("1 Tyre DISK 0 FrontWheel BODY | 10 2 0 0 | 0 0 0 0 | 2 3 4 -1 -1 -1",
            LinkOf("FrontWheel"));
  EXPECT_EQ("1 Tyre DISK 0 RearWheel BODY | 7 0.5 0 0 | 0 0 0 0 | 1 -1 5 -1 -1 -1",
            LinkOf("RearWheel"));
  EXPECT_EQ(kDefaultLinks[0], LinkOf("Car"));
  EXPECT_EQ(12u, manager.Links().size());
}

TEST_F(StyleManagerTest, LinksMayNameDefaultStyles) {
  ASSERT_TRUE(CreateWith("BEGIN\nEND\nLINKS\nNODE CarBack DefaultPoint0\n"));
  EXPECT_EQ(kBanner + Counts(0, 0, 1, 0), manager.GetLogText());
  EXPECT_EQ("1 DefaultPoint0 POINT 0 CarBack NODE | 10 2 0 0 | -2 0.3 0 0 | 2 3 0 -1 -1 -1",
            LinkOf("CarBack"));
}

// POINT is searched before DISK and ARROW before DAMPER, whatever the file order.
TEST_F(StyleManagerTest, StyleLookupFollowsTheListOrder) {
  ASSERT_TRUE(
      CreateWith("BEGIN\n"
                 "DISK Same 1 10 2 1 1 1 1 0 0 0 1\n"
                 "POINT Same 3 0 0 1 1\n"
                 "DAMPER Twin 1 1 2 1 1 1 1\n"
                 "ARROW Twin 1 1 0 2 1 1 1 1\n"
                 "POINT Same 6 0 1 0 1\n"
                 "END\n"
                 "LINKS\n"
                 "NODE CarFront Same\n"
                 "FORCE Primary Twin\n"));
  EXPECT_EQ(kBanner + Counts(5, 0, 2, 0), manager.GetLogText());
  EXPECT_EQ("1 Same POINT 4 CarFront NODE | 10 2 0 0 | 1 -1 0 0 | 2 3 0 -1 -1 -1",
            LinkOf("CarFront"));
  EXPECT_EQ("2 Twin ARROW 2 Primary FORCE | 10 2 7 0.5 | 1 -1 1 -3.5 | 2 3 0 1 -1 -1",
            LinkOf("Primary"));
}

struct LinkWarningCase {
  const char* line;
  const char* warnings;
};

// Invalid links warn, count as invalid and leave the defaults in place; they
// do not fail the file.
TEST_F(StyleManagerTest, InvalidLinksWarnAndKeepTheDefaults) {
  const LinkWarningCase cases[] = {
      {"FORCE Primary Round",
       "Warning - Style: 'Round' is not compatible with Force: 'Primary'!\n"},
      {"BODY Carr Round", "Warning - Body: 'Carr' not exists!\n"},
      {"WHEEL Front Round", "Warning - Wheel: 'Front' not exists!\n"},
      {"NODE carfront Round", "Warning - Node: 'carfront' not exists!\n"},
      {"FORCE Secondary Bar", "Warning - Force: 'Secondary' not exists!\n"},
      {"EXTFORCE Traction Bar", "Warning - ExtForce: 'Traction' not exists!\n"},
      {"OUTDISP Deflection1 Bar", "Warning - OutDisp: 'Deflection1' not exists!\n"},
      {"NODE CarFront Square", "Warning - Style: 'Square' not exists!\n"},
      {"BODY Carr Square",
       "Warning - Body: 'Carr' not exists!\nWarning - Style: 'Square' not exists!\n"},
      {"BODY Carr Bar",
       "Warning - Body: 'Carr' not exists!\n"
       "Warning - Style: 'Bar' is not compatible with Body: 'Carr'!\n"},
      {"BODY Car Bar", "Warning - Style: 'Bar' is not compatible with Body: 'Car'!\n"},
      {"WHEEL FrontWheel Bar",
       "Warning - Style: 'Bar' is not compatible with Wheel: 'FrontWheel'!\n"},
      {"NODE CarFront Bar", "Warning - Style: 'Bar' is not compatible with Node: 'CarFront'!\n"},
      {"EXTFORCE Adhesion Round",
       "Warning - Style: 'Round' is not compatible with ExtForce: 'Adhesion'!\n"},
      {"OUTDISP Deflection DefaultPoint1",
       "Warning - Style: 'DefaultPoint1' is not compatible with OutDisp: 'Deflection'!\n"},
      {"BOGIE Car Round", "Warning - Unknown keyword: BOGIE!\n"},
  };
  for (const LinkWarningCase& c : cases) {
    ASSERT_TRUE(CreateWith(std::string("BEGIN\n"
                                       "DISK Round 1 10 2 1 1 1 1 0 0 0 1\n"
                                       "LINE Bar 2 1 1 1 1\n"
                                       "END\n"
                                       "LINKS\n") +
                           c.line + "\n"))
        << c.line;
    EXPECT_EQ(kBanner + StyleCounts(2, 0) + c.warnings + LinkCounts(0, 1), manager.GetLogText())
        << c.line;
    EXPECT_EQ(kDefaultLinks, DescribeAll(manager.Links())) << c.line;
  }
}

// Each component keeps its last link: user links replace the defaults and
// move to the place of the last one in the file.
TEST_F(StyleManagerTest, TheLastLinkOfEachComponentWins) {
  ASSERT_TRUE(
      CreateWith("BEGIN\n"
                 "RECTANGLE Frame -3 3 -1 1 0 2 0 0 0 1 1 1 1 1\n"
                 "DISK Round 1 10 2 1 1 1 1 0 0 0 1\n"
                 "LINE Bar 2 1 1 1 1\n"
                 "END\n"
                 "LINKS\n"
                 "BODY Car Frame\n"
                 "FORCE Primary Bar\n"
                 "BODY Car Round\n"));
  EXPECT_EQ(kBanner + Counts(3, 0, 3, 0), manager.GetLogText());
  std::vector<std::string> expected(kDefaultLinks.begin() + 1, kDefaultLinks.end());
  expected.erase(expected.begin() + 6);  // the default spring of Primary
  expected.push_back("2 Bar LINE 0 Primary FORCE | 10 2 7 0.5 | 1 -1 1 -3.5 | 2 3 0 1 -1 -1");
  expected.push_back("1 Round DISK 0 Car BODY | 10 2 0 0 | 0 0 0 0 | 2 3 0 -1 -1 -1");
  EXPECT_EQ(expected, DescribeAll(manager.Links()));
  // The replaced styles stay in their lists.
  EXPECT_EQ(4u, manager.Styles<RectangleStyle>().size());
  EXPECT_EQ(1u, manager.Styles<SpringStyle>().size());
}

// A wheel may share its body's name; its link must not replace the body's.
TEST_F(StyleManagerTest, AWheelNamedLikeItsBodyKeepsBothLinks) {
  wheels = {{"Axle", 50, 1e5, 0.5, 1, 0, 0, 0, 0, 1}};
  ASSERT_TRUE(
      CreateWith("BEGIN\nDISK Tyre 0.5 12 1 0 0 0 1 0.3 0.3 0.3 1\nEND\nLINKS\nWHEEL Axle Tyre\n"));
  ASSERT_EQ(11u, manager.Links().size());
  EXPECT_EQ(kDefaultLinks[1], Describe(manager.Links()[1]));
  EXPECT_EQ("1 Tyre DISK 0 Axle BODY | 7 0.5 0 0 | 0 0 0 0 | 1 -1 4 -1 -1 -1",
            Describe(manager.Links()[10]));
}

TEST_F(StyleManagerTest, InvalidStylesFailTheFileButAreStored) {
  EXPECT_FALSE(
      CreateWith("BEGIN\n"
                 "DISK Short 1 10 2 1 1 1 1 0 0 0\n"
                 "CIRCLE c 1\n"
                 "ARROW Odd 1 1 2 1 0 0 0 1\n"
                 "IMAGE Photo -1 1 -1 1 0 car.png left\n"
                 "END\n"
                 "LINKS\n"
                 "NODE CarFront Short\n"));
  EXPECT_EQ(kBanner +
                "Error - Disk 'Short' has no fillColor (float[4]) information!\n"
                "Error - Unknown keyword: CIRCLE!\n"
                "Warning - Invalid value for filled in Arrow 'Odd'!\n"
                "Warning - Image 'Photo' has more parameters, than needed. Word: 'left' is not "
                "used!\n" +
                Counts(2, 2, 1, 0),
            manager.GetLogText());
  ASSERT_EQ(1u, manager.Styles<DiskStyle>().size());
  EXPECT_EQ((Rgba{0.0f, 0.0f, 0.0f, 1.0f}), manager.Styles<DiskStyle>()[0].fillColor);
  EXPECT_EQ("1 Short DISK 0 CarFront NODE | 10 2 0 0 | 1 -1 0 0 | 2 3 0 -1 -1 -1",
            LinkOf("CarFront"));
}

// Comments and blank runs vanish, words after BEGIN and LINKS start the first
// line, link lines with fewer than three words are skipped and further words
// ignored, and the last line needs no line end.
TEST_F(StyleManagerTest, FileLayoutFollowsTheModelFilesPrepass) {
  ASSERT_TRUE(
      CreateWith("| visual model of the test car\n"
                 "BEGIN POINT Dot 3 0 0 1 1   | the first style\n"
                 "\n"
                 "   SPRING\tCoil 0.2 8 1 0 0 0 1\n"
                 "END of the styles\n"
                 "LINKS NODE CarFront Dot\n"
                 "  NODE CarBack\n"
                 "| FORCE Primary Dot\n"
                 "FORCE Primary Coil and more"));
  EXPECT_EQ(kBanner + Counts(2, 0, 2, 0), manager.GetLogText());
  EXPECT_EQ("1 Dot POINT 4 CarFront NODE | 10 2 0 0 | 1 -1 0 0 | 2 3 0 -1 -1 -1",
            LinkOf("CarFront"));
  EXPECT_EQ("2 Coil SPRING 1 Primary FORCE | 10 2 7 0.5 | 1 -1 1 -3.5 | 2 3 0 1 -1 -1",
            LinkOf("Primary"));
  EXPECT_EQ(kDefaultLinks[6], LinkOf("CarBack"));
}

struct BrokenFileCase {
  const char* text;
  const char* log;
};

// A broken file fails with its message; the defaults are still there.
TEST_F(StyleManagerTest, MissingKeywordsFailWithTheirMessages) {
  const BrokenFileCase cases[] = {
      {"POINT Dot 3 0 0 1 1\nEND\nLINKS\n", "Error - Keyword BEGIN not found.\n"},
      {"BEGIN\nPOINT Dot 3 0 0 1 1\n",
       "Number of valid user defined styles: 1\n"
       "Number of invalid user defined styles: 0\n"
       "Error - Keyword END not found!\n"
       "Error - Keyword LINKS not found!\n"},
      // Without END the LINKS keyword lies inside the style section.
      {"BEGIN\nPOINT Dot 3 0 0 1 1\nLINKS\nNODE CarFront Dot\n",
       "Error - Unknown keyword: LINKS!\n"
       "Error - Unknown keyword: NODE!\n"
       "Number of valid user defined styles: 1\n"
       "Number of invalid user defined styles: 2\n"
       "Error - Keyword END not found!\n"
       "Error - Keyword LINKS not found!\n"},
      {"BEGIN\nEND\n",
       "Number of valid user defined styles: 0\n"
       "Number of invalid user defined styles: 0\n"
       "Error - Keyword LINKS not found!\n"},
  };
  for (const BrokenFileCase& c : cases) {
    EXPECT_FALSE(CreateWith(c.text)) << c.text;
    EXPECT_EQ(kBanner + c.log, manager.GetLogText()) << c.text;
    EXPECT_EQ(kDefaultLinks, DescribeAll(manager.Links())) << c.text;
  }
}

TEST_F(StyleManagerTest, AMissingFileKeepsTheDefaults) {
  const std::string fileName = (folder.Path() / "absent.in").string();
  EXPECT_FALSE(Create(fileName));
  EXPECT_EQ(kBanner + "File '" + fileName + "' not exists!\n", manager.GetLogText());
  EXPECT_EQ(kDefaultLinks, DescribeAll(manager.Links()));
}

// A second Create starts afresh instead of piling up styles and links.
TEST_F(StyleManagerTest, CreatingAgainStartsAfresh) {
  ASSERT_TRUE(CreateWith("BEGIN\nPOINT Dot 3 0 0 1 1\nEND\nLINKS\nNODE CarFront Dot\n"));
  ASSERT_TRUE(CreateWith("BEGIN\nEND\nLINKS\n"));
  EXPECT_EQ(kBanner + Counts(0, 0, 0, 0), manager.GetLogText());
  EXPECT_EQ(kDefaultLinks, DescribeAll(manager.Links()));
  EXPECT_EQ(4u, manager.Styles<PointStyle>().size());
}

}  // namespace
