#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "display/DrawRoutines.h"
#include "display/OverlayFont.h"
#include "display/Widgets.h"

namespace {

TEST(OverlayFontTest, LetterAComesFromColumnOneRowFourNarrowedOnBothSides) {
  const OverlayFont font;
  const GlyphQuad a = OverlayGlyph(font, "A", 0, 100.0f, 50.0f, 22.0f);
  const float cell = 1.0f / 16.0f;
  EXPECT_FLOAT_EQ(1.2f * cell, a.uMin);
  EXPECT_FLOAT_EQ(1.8f * cell, a.uMax);
  EXPECT_FLOAT_EQ(4.0f * cell, a.vMin);
  EXPECT_FLOAT_EQ(5.0f * cell, a.vMax);
  EXPECT_FLOAT_EQ(100.0f, a.x0);
  EXPECT_FLOAT_EQ(111.0f, a.x1);
  EXPECT_FLOAT_EQ(50.0f, a.y0);
  EXPECT_FLOAT_EQ(72.0f, a.y1);
}

TEST(OverlayFontTest, TextAbAtSize22CoversTwentyTwoPixels) {
  const OverlayFont font;
  const GlyphQuad b = OverlayGlyph(font, "AB", 1, 10.0f, 0.0f, 22.0f);
  EXPECT_FLOAT_EQ(21.0f, b.x0);
  EXPECT_FLOAT_EQ(32.0f, b.x1);
  EXPECT_FLOAT_EQ(2.2f / 16.0f, b.uMin);  // B = 66: column 2 of row 4
  EXPECT_FLOAT_EQ(4.0f / 16.0f, b.vMin);
  EXPECT_FLOAT_EQ(22.0f, TextWidth(font, "AB", 22.0f));
  EXPECT_FLOAT_EQ(0.0f, TextWidth(font, "", 22.0f));
}

TEST(OverlayFontTest, BytesAboveTheAsciiRangeAddressTheLowerHalfOfTheGrid) {
  const OverlayFont font;
  const std::string text = "\xe9";  // 233: column 9, row 14
  const GlyphQuad glyph = OverlayGlyph(font, text, 0, 0.0f, 0.0f, 22.0f);
  EXPECT_FLOAT_EQ(9.2f / 16.0f, glyph.uMin);
  EXPECT_FLOAT_EQ(14.0f / 16.0f, glyph.vMin);
  EXPECT_FLOAT_EQ(15.0f / 16.0f, glyph.vMax);
}

TEST(OverlayFontTest, WorldTextStartsAboveLeftOfItsPointAndRunsDownwards) {
  const OverlayFont font;
  // 22 pixels at 11 pixels per unit: glyphs 2 units high and 1 unit wide.
  const GlyphQuad second = WorldGlyph(font, "12", 1, 5.0f, 3.0f, 11.0f, 22.0f);
  EXPECT_FLOAT_EQ(4.0f, second.x0);
  EXPECT_FLOAT_EQ(5.0f, second.x1);
  EXPECT_FLOAT_EQ(5.0f, second.y0);
  EXPECT_FLOAT_EQ(3.0f, second.y1);
  EXPECT_FLOAT_EQ(2.2f / 16.0f, second.uMin);  // '2' = 50: column 2, row 3
  EXPECT_FLOAT_EQ(3.0f / 16.0f, second.vMin);  // top of the glyph at the upper world edge
}

class SliderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    track.SetUp(true, 220.0f, 728.0f, 150.0f, 18.0f);
    lever.SetUp(false, 965.0f, 603.0f, 18.0f, 110.0f);
  }
  Slider track;  // horizontal, knob radius 9
  Slider lever;  // vertical, knob radius 9
};

TEST_F(SliderTest, SetUpCentresTheKnob) {
  EXPECT_FLOAT_EQ(295.0f, track.knobX);
  EXPECT_FLOAT_EQ(737.0f, track.knobY);
  EXPECT_FLOAT_EQ(0.5f, track.Value());
  EXPECT_FLOAT_EQ(0.5f, lever.Value());
  EXPECT_FALSE(track.active);
}

TEST_F(SliderTest, SetValueClampsToTheTrack) {
  const std::vector<std::pair<float, float>> cases = {
      {-0.5f, 0.0f}, {0.0f, 0.0f}, {0.25f, 0.25f}, {1.0f, 1.0f}, {7.0f, 1.0f}};
  for (const auto& [given, stored] : cases) {
    track.SetValue(given);
    EXPECT_FLOAT_EQ(stored, track.valueX) << given;
    EXPECT_FLOAT_EQ(220.0f + 150.0f * stored, track.knobX) << given;
    lever.SetValue(given);
    EXPECT_FLOAT_EQ(stored, lever.valueY) << given;
    EXPECT_FLOAT_EQ(603.0f + 110.0f * (1.0f - stored), lever.knobY) << given;
  }
}

TEST_F(SliderTest, GrabBeyondTheTrackEndWithinTheKnobRadiusSetsTheEndValue) {
  ASSERT_TRUE(track.Grab(212.0f, 737.0f));  // 8 left of the track, radius 9
  EXPECT_FLOAT_EQ(0.0f, track.Value());
  EXPECT_FLOAT_EQ(220.0f, track.knobX);
  ASSERT_TRUE(track.Grab(378.0f, 737.0f));  // 8 right of the track end
  EXPECT_FLOAT_EQ(1.0f, track.Value());
  EXPECT_FLOAT_EQ(370.0f, track.knobX);
  ASSERT_TRUE(track.Grab(332.5f, 730.0f));
  EXPECT_FLOAT_EQ(0.75f, track.Value());
  EXPECT_FALSE(track.active);  // holding the mouse is the caller's business
}

TEST_F(SliderTest, PressesOnOrOutsideTheBoundaryMissAndChangeNothing) {
  track.SetValue(0.3f);
  const std::vector<std::pair<float, float>> misses = {
      {211.0f, 737.0f},  // exactly the knob radius left of the track
      {379.0f, 737.0f},  // exactly the knob radius right of the end
      {300.0f, 728.0f},  // on the top edge: no margin across a horizontal track
      {300.0f, 746.0f},  // on the bottom edge
      {300.0f, 760.0f}};
  for (const auto& [mx, my] : misses) {
    EXPECT_FALSE(track.Grab(mx, my)) << mx << ", " << my;
    EXPECT_FLOAT_EQ(0.3f, track.Value());
    EXPECT_FLOAT_EQ(265.0f, track.knobX);
  }
  EXPECT_FALSE(lever.Grab(965.0f, 650.0f));  // on the left edge of a vertical track
  EXPECT_FALSE(lever.Grab(970.0f, 594.0f));  // exactly the radius above the top
  EXPECT_TRUE(lever.Grab(970.0f, 595.0f));
}

TEST_F(SliderTest, VerticalSliderReadsOneAtTheTopAndZeroAtTheBottom) {
  ASSERT_TRUE(lever.Grab(974.0f, 603.0f));
  EXPECT_FLOAT_EQ(1.0f, lever.Value());
  ASSERT_TRUE(lever.Grab(974.0f, 713.0f));
  EXPECT_FLOAT_EQ(0.0f, lever.Value());
  lever.Drag(974.0f, 400.0f);  // dragging far above stays at the top
  EXPECT_FLOAT_EQ(1.0f, lever.Value());
  EXPECT_FLOAT_EQ(603.0f, lever.knobY);
  lever.Drag(974.0f, 630.5f);
  EXPECT_FLOAT_EQ(0.75f, lever.Value());
}

TEST_F(SliderTest, PlaceKeepsTheValue) {
  track.SetValue(0.2f);
  track.Place(100.0f, 500.0f, 75.0f, 9.0f);
  EXPECT_FLOAT_EQ(0.2f, track.Value());
  EXPECT_FLOAT_EQ(115.0f, track.knobX);
  EXPECT_FLOAT_EQ(504.5f, track.knobY);
}

class ButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    button.SetUp(label, 20.0f, 20.0f, 100.0f, 30.0f, 2.0f, font, textures, 22.0f);
  }
  OverlayFont font;
  FontTextures textures;
  std::string label = "Stop";
  Button button;
};

TEST_F(ButtonTest, HitIsStrictlyInsideTheBorderMargin) {
  EXPECT_TRUE(button.Hit(70.0f, 35.0f));
  EXPECT_TRUE(button.Hit(18.5f, 19.0f));
  EXPECT_TRUE(button.Hit(121.5f, 51.5f));
  const std::vector<std::pair<float, float>> misses = {
      {18.0f, 35.0f}, {122.0f, 35.0f}, {70.0f, 18.0f}, {70.0f, 52.0f}, {200.0f, 35.0f}};
  for (const auto& [mx, my] : misses) EXPECT_FALSE(button.Hit(mx, my)) << mx << ", " << my;
}

TEST_F(ButtonTest, LabelIsCentredAndFollowsTheCallersText) {
  EXPECT_FLOAT_EQ(70.0f - 22.0f, button.LabelX());  // "Stop" is 44 pixels wide
  EXPECT_FLOAT_EQ(24.0f, button.LabelY());
  label = "Start";
  EXPECT_FLOAT_EQ(70.0f - 27.5f, button.LabelX());
  label.clear();
  EXPECT_FLOAT_EQ(70.0f, button.LabelX());
}

TEST(DiskTest, SectorCountFollowsTheAngleStep) {
  const float pi = std::numbers::pi_v<float>;
  EXPECT_EQ(16, DiskSectorCount(kDiskAngleStep));
  for (int subdivision : {1, 3, 10, 15, 36}) {  // the scene's step pi / subdivision
    EXPECT_EQ(2 * subdivision, DiskSectorCount(pi / static_cast<float>(subdivision)))
        << subdivision;
  }
  EXPECT_EQ(3, DiskSectorCount(2.5f));  // 0, 2.5, 5.0 lie below a full turn
  EXPECT_EQ(0, DiskSectorCount(0.0f));
  EXPECT_EQ(0, DiskSectorCount(std::numeric_limits<float>::infinity()));
}

}  // namespace
