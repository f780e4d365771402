#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "display/SceneGeometry.h"

namespace {

void ExpectPoint(Vec2 expected, Vec2 actual, float tolerance = 1e-5f) {
  EXPECT_NEAR(expected.x, actual.x, tolerance);
  EXPECT_NEAR(expected.y, actual.y, tolerance);
}

const float kPi = std::numbers::pi_v<float>;

TEST(LinkEndPointTest, ZeroOffsetGivesTheDisplacedReference) {
  const std::vector<float> q = {0.25f, -0.5f, 1.2f};
  ExpectPoint({2.25f, 0.5f}, LinkEndPoint(2.0f, 1.0f, 0.0f, 0.0f, 0, 1, 2, q));
}

TEST(LinkEndPointTest, OffsetTurnsWithTheBodyRotation) {
  // A quarter turn carries the offset (3, 0) to (0, 3); an offset along y to -x.
  const std::vector<float> q = {0.1f, 0.2f, kPi / 2.0f};
  ExpectPoint({1.1f, 5.2f}, LinkEndPoint(1.0f, 2.0f, 3.0f, 0.0f, 0, 1, 2, q));
  ExpectPoint({-0.9f, 2.2f}, LinkEndPoint(1.0f, 2.0f, 0.0f, 2.0f, 0, 1, 2, q));
  // A general angle against the closed form of the rotation.
  const float t = 0.3f;
  const std::vector<float> r = {0.0f, 0.0f, t};
  ExpectPoint({1.5f * std::cos(t) + 0.5f * std::sin(t), 1.5f * std::sin(t) - 0.5f * std::cos(t)},
              LinkEndPoint(0.0f, 0.0f, 1.5f, -0.5f, 0, 1, 2, r));
}

TEST(LinkEndPointTest, RotationIndexMinusOneLeavesTheOffsetUnturned) {
  const std::vector<float> q = {0.5f, 0.0f, 0.8f};  // the body does rotate (q[2])
  ExpectPoint({4.5f, 1.0f}, LinkEndPoint(1.0f, 0.0f, 3.0f, 1.0f, 0, -1, -1, q));
}

TEST(LinkEndPointTest, IndicesBeyondTheDrawingStateCountAsNoMotion) {
  const std::vector<float> q = {0.5f};
  ExpectPoint({1.5f, 2.0f}, LinkEndPoint(1.0f, 2.0f, 0.0f, 0.0f, 0, 7, 9, q));
}

TEST(AnchorFrameTest, ChainTranslatesRotatesThenOffsets) {
  const std::vector<float> q = {0.5f, -0.25f, kPi / 2.0f};
  const AnchorFrame frame = AnchorFrameOf(10.0f, 1.0f, 2.0f, 0.0f, 0, 1, 2, q);
  EXPECT_FLOAT_EQ(10.5f, frame.x);
  EXPECT_FLOAT_EQ(0.75f, frame.y);
  EXPECT_NEAR(90.0f, frame.angleDegrees, 1e-4f);
  // The anchor's origin: reference + translation + the offset turned a quarter.
  ExpectPoint({10.5f, 2.75f}, frame.ToWorld({0.0f, 0.0f}));
  ExpectPoint({10.5f - 1.0f, 2.75f}, frame.ToWorld({0.0f, 1.0f}));
}

TEST(BoundingBoxTest, GrowsFromTheOriginAndNeverShrinks) {
  BoundingBox box;
  box.IncludeAround({5.0f, 2.0f}, -1.0f, 1.0f, -1.0f, 1.0f);  // a disk of radius 1
  EXPECT_FLOAT_EQ(0.0f, box.minX);
  EXPECT_FLOAT_EQ(6.0f, box.maxX);
  EXPECT_FLOAT_EQ(0.0f, box.minY);
  EXPECT_FLOAT_EQ(3.0f, box.maxY);
  box.IncludeAround({-3.0f, -2.0f}, -0.5f, 2.0f, -0.25f, 0.5f);  // a rectangle
  EXPECT_FLOAT_EQ(-3.5f, box.minX);
  EXPECT_FLOAT_EQ(6.0f, box.maxX);
  EXPECT_FLOAT_EQ(-2.25f, box.minY);
  box.Include(1.0f, 1.0f);
  EXPECT_FLOAT_EQ(-3.5f, box.minX);
  EXPECT_FLOAT_EQ(3.0f, box.maxY);
}

// Spring along x from (0, 0) to (n, 0) with width 2: p = (0, -1), vertex i at (i, 0) unshifted.
std::vector<float> SpringOffsets(int segments) {
  std::vector<Vec2> vertices;
  SpringVertices({0.0f, 0.0f}, {static_cast<float>(segments), 0.0f}, 2.0f, segments, vertices);
  std::vector<float> offsets;
  for (size_t i = 0; i < vertices.size(); ++i) {
    EXPECT_NEAR(static_cast<float>(i), vertices[i].x, 1e-5f) << "vertex " << i;
    offsets.push_back(vertices[i].y);
  }
  return offsets;
}

TEST(SpringTest, OnlyInnerVerticesAlternateAcrossTheAxis) {
  // +p is (0, -1) here, -p is (0, 1).
  EXPECT_EQ((std::vector<float>{0, 0, 0, 0}), SpringOffsets(3));
  EXPECT_EQ((std::vector<float>{0, 0, -1, 0, 0}), SpringOffsets(4));
  EXPECT_EQ((std::vector<float>{0, 0, -1, 1, -1, 0, 0}), SpringOffsets(6));
  EXPECT_EQ((std::vector<float>{0}), SpringOffsets(0));
}

TEST(SpringTest, PerpendicularStepFollowsTheDirection) {
  std::vector<Vec2> vertices;
  SpringVertices({1.0f, 1.0f}, {1.0f, 5.0f}, 0.5f, 4, vertices);  // along +y: p = (0.25, 0)
  ASSERT_EQ(5u, vertices.size());
  ExpectPoint({1.25f, 3.0f}, vertices[2]);
  ExpectPoint({1.0f, 5.0f}, vertices[4]);
}

TEST(SpringTest, CoincidingEndsCollapseWithoutNaN) {
  std::vector<Vec2> vertices;
  SpringVertices({2.0f, 3.0f}, {2.0f, 3.0f}, 1.0f, 6, vertices);
  ASSERT_EQ(7u, vertices.size());
  for (const Vec2& v : vertices) ExpectPoint({2.0f, 3.0f}, v);
}

TEST(DamperTest, RodsPistonAndCylinder) {
  // Along x from 0 to 10, width 2 (p = (0, -1)), rod length 2.
  const DamperLines d = DamperLinesOf({0.0f, 0.0f}, {10.0f, 0.0f}, 2.0f, 2.0f);
  ExpectPoint({2.0f, 0.0f}, d.firstRod[1]);
  ExpectPoint({10.0f, 0.0f}, d.secondRod[0]);
  ExpectPoint({6.0f, 0.0f}, d.secondRod[1]);
  ExpectPoint({6.0f, -1.0f}, d.pistonPlate[0]);
  ExpectPoint({6.0f, 1.0f}, d.pistonPlate[1]);
  ExpectPoint({8.0f, -1.0f}, d.cylinder[0]);
  ExpectPoint({2.0f, -1.0f}, d.cylinder[1]);
  ExpectPoint({2.0f, 1.0f}, d.cylinder[2]);
  ExpectPoint({8.0f, 1.0f}, d.cylinder[3]);
}

TEST(ArrowTest, LineArrowHeadsPointOutwards) {
  const LineArrow a = LineArrowOf({0.0f, 0.0f}, {0.0f, 10.0f}, 1.0f, 2.0f);  // p = (0.5, 0)
  ExpectPoint({0.5f, 2.0f}, a.firstHead[0]);
  ExpectPoint({0.0f, 0.0f}, a.firstHead[1]);
  ExpectPoint({-0.5f, 2.0f}, a.firstHead[2]);
  ExpectPoint({0.5f, 8.0f}, a.secondHead[0]);
  ExpectPoint({0.0f, 10.0f}, a.secondHead[1]);
}

TEST(ArrowTest, FilledArrowDartsAndOutline) {
  const FilledArrow a = FilledArrowOf({0.0f, 0.0f}, {8.0f, 0.0f}, 2.0f, 2.0f);  // p = (0, -1)
  ExpectPoint({1.5f, 0.0f}, a.firstDart[0]);
  ExpectPoint({2.0f, -1.0f}, a.firstDart[1]);
  ExpectPoint({0.0f, 0.0f}, a.firstDart[2]);
  ExpectPoint({2.0f, 1.0f}, a.firstDart[3]);
  ExpectPoint({6.5f, 0.0f}, a.secondDart[0]);
  ExpectPoint({8.0f, 0.0f}, a.secondDart[2]);
  ExpectPoint(a.firstDart[0], a.outline[4]);
  ExpectPoint(a.secondDart[0], a.outline[5]);
  ExpectPoint(a.secondDart[3], a.outline[8]);
  ExpectPoint(a.secondDart[0], a.outline[9]);
}

TEST(BackgroundTilesTest, NeighboursAlternateAndCoverTheView) {
  const float t = 54.613335f;
  std::vector<BackgroundTile> tiles;
  BackgroundTiles(-20.0f, 20.0f, t, tiles);
  // Centre 0: g = T / 2; leftwards g and g - T (right edge above -20); rightwards none.
  ASSERT_EQ(2u, tiles.size());
  EXPECT_TRUE(tiles[0].mirrored);
  EXPECT_FLOAT_EQ(t * 1.5f, tiles[0].x0);  // drawn from right to left
  EXPECT_FLOAT_EQ(t * 0.5f, tiles[0].x1);
  EXPECT_FALSE(tiles[1].mirrored);
  EXPECT_FLOAT_EQ(-t * 0.5f, tiles[1].x0);
  EXPECT_FLOAT_EQ(t * 0.5f, tiles[1].x1);
}

TEST(BackgroundTilesTest, MirroringBelongsToTheWorldPositionNotToTheView) {
  const float t = 54.613335f;
  std::vector<BackgroundTile> tiles;
  for (float centre : {-400.0f, -60.0f, 0.0f, 33.0f, 150.0f, 1000.0f}) {
    BackgroundTiles(centre - 120.0f, centre + 120.0f, t, tiles);
    float covered = 1e30f, coveredTo = -1e30f;
    for (const BackgroundTile& tile : tiles) {
      const float left = std::fmin(tile.x0, tile.x1);
      EXPECT_NEAR(t, std::fabs(tile.x1 - tile.x0), 1e-3f);
      EXPECT_EQ(tile.mirrored, tile.x0 > tile.x1);
      // Left edges at T (j + 1/2); even j is mirrored, so a picture edge meets itself.
      const long j = std::lround(left / t - 0.5f);
      EXPECT_NEAR(t * (static_cast<float>(j) + 0.5f), left, 1e-2f);
      EXPECT_EQ(j % 2 == 0, tile.mirrored) << "centre " << centre << " tile " << left;
      covered = std::fmin(covered, left);
      coveredTo = std::fmax(coveredTo, left + t);
    }
    EXPECT_LE(covered, centre - 120.0f);
    EXPECT_GE(coveredTo, centre + 120.0f);
  }
}

TEST(GridTest, VisibleWidthOfThirtyGivesTensWithMinorLinesAndLabelsEveryFive) {
  const GridSpacing s = GridSpacingFor(-15.0f, 15.0f);
  EXPECT_FLOAT_EQ(10.0f, s.major);
  EXPECT_FLOAT_EQ(3.0f, s.ratio);
  EXPECT_TRUE(s.minorLines);
  EXPECT_FLOAT_EQ(1.0f, s.minor);
  EXPECT_FLOAT_EQ(5.0f, s.label);
}

TEST(GridTest, WideViewsDropTheMinorLines) {
  const GridSpacing wide = GridSpacingFor(0.0f, 40.0f);
  EXPECT_FLOAT_EQ(10.0f, wide.major);
  EXPECT_FALSE(wide.minorLines);
  EXPECT_FLOAT_EQ(10.0f, wide.label);
  EXPECT_FLOAT_EQ(100.0f, GridSpacingFor(-50.0f, 50.0f).major);  // a power of ten exactly
  EXPECT_NEAR(0.1f, GridSpacingFor(2.0f, 2.5f).major, 1e-7f);
  EXPECT_FLOAT_EQ(0.0f, GridSpacingFor(3.0f, 3.0f).major);  // nothing visible, no grid
}

TEST(GridTest, LinesStartAtTheOriginAndStayStrictlyInsideTheView) {
  std::vector<float> lines;
  // View [-15, 15] (centre 0), major spacing 10: origin 0.
  EXPECT_FLOAT_EQ(0.0f, GridOrigin(-15.0f, 15.0f, 10.0f));
  GridPositions(0.0f, 10.0f, -15.0f, 15.0f, lines);
  EXPECT_EQ((std::vector<float>{0.0f, -10.0f, 10.0f}), lines);
  // View [-3, 27] (centre 12): origin 10; 20 lies inside, 30 and -10 do not.
  EXPECT_FLOAT_EQ(10.0f, GridOrigin(-3.0f, 27.0f, 10.0f));
  GridPositions(10.0f, 10.0f, -3.0f, 27.0f, lines);
  EXPECT_EQ((std::vector<float>{10.0f, 0.0f, 20.0f}), lines);
  // A line exactly on the view's edge is not drawn.
  GridPositions(0.0f, 5.0f, -10.0f, 10.0f, lines);
  EXPECT_EQ((std::vector<float>{0.0f, -5.0f, 5.0f}), lines);
  // Negative centres round down.
  EXPECT_FLOAT_EQ(-10.0f, GridOrigin(-20.0f, 10.0f, 10.0f));
}

TEST(GridTest, MinorLinesEveryTenthAcrossTheView) {
  std::vector<float> lines;
  GridPositions(0.0f, 1.0f, -15.0f, 15.0f, lines);
  EXPECT_EQ(29u, lines.size());  // -14 .. 14
  GridPositions(0.0f, 5.0f, -15.0f, 15.0f, lines);
  EXPECT_EQ((std::vector<float>{0.0f, -5.0f, -10.0f, 5.0f, 10.0f}), lines);
}

TEST(GridTest, LabelsSitNearTheBottomAndRightEdgesAndPrintThreeDecimals) {
  const WorldView view{2.0f, 1.0f, 30.0f, 1024.0f, 768.0f};
  EXPECT_FLOAT_EQ(1.0f - 748.0f / 60.0f, GridLabelRowY(view));
  EXPECT_FLOAT_EQ(2.0f + 894.0f / 60.0f, GridLabelColumnX(view));
  EXPECT_FLOAT_EQ(2.0f - 1024.0f / 60.0f, view.MinX());
  EXPECT_EQ("-5.000", GridLabel(-5.0f));
  EXPECT_EQ(" 0.500", GridLabel(0.5f));
  EXPECT_EQ("120.000", GridLabel(120.0f));
}

}  // namespace
