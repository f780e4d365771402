#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/HudLayout.h"
#include "display/SceneRenderer.h"

namespace {

constexpr int kAxles = 4;

struct Item {
  std::string name;
  PixelRect rect;
};

// Every text and control of the HUD with the room it takes at its widest: the
// longest texts each line can show, the knob's overhang at both ends of a
// horizontal track. The lever's knob may ride beyond its track's ends by its
// radius less the gap to the texts above and below it (4 pixels at full size).
std::vector<Item> HudItems(const HudLayout& l, int axles) {
  const float size = l.textSize;
  const int widest[kHudItemCount] = {15, 17, 17, 11, 11};  // "Pace: 50.00x fast", ...
  std::vector<Item> items;
  for (int i = 0; i < kHudItemCount; ++i) {
    items.push_back({"text " + std::to_string(i), TextRect(l.texts[i], widest[i], size)});
  }
  for (const SliderPlace* s : {&l.scaleSlider, &l.timeStepSlider}) {
    PixelRect track = SliderRect(*s);
    track.left -= 0.5f * s->height;
    track.right += 0.5f * s->height;
    items.push_back({"slider", track});
  }
  items.push_back({"lever", SliderRect(l.lever)});
  items.push_back({"start/stop", ButtonRect(l.startStop)});
  items.push_back({"reset", ButtonRect(l.reset)});
  items.push_back({"lever reset", ButtonRect(l.leverReset)});
  for (int line = 0; line < kDriverItemCount; ++line) {
    items.push_back({"driver line " + std::to_string(line), l.driver.Line(line, 19)});
  }
  for (int axle = 0; axle < axles; ++axle) {
    items.push_back({"lamp " + std::to_string(axle), l.driver.Lamp(axle)});
  }
  return items;
}

// The default size keeps every position the window had; smaller windows shrink
// the HUD until its panels, texts and controls no longer meet, also when many
// slip lamps widen the driver's panel.
TEST(HudLayoutTest, NoPanelTextOrControlMeetsAnotherAtAnySize) {
  struct Size {
    int width, height, axles;
  };
  for (const Size size :
       {Size{1024, 768, 4}, Size{800, 600, 4}, Size{640, 400, 4}, Size{500, 350, 4},
        Size{200, 120, 4}, Size{1600, 250, 4}, Size{640, 400, 12}, Size{500, 350, 12}}) {
    const HudLayout l = LayoutHud(size.width, size.height, size.axles);
    const std::string at = std::to_string(size.width) + " x " + std::to_string(size.height) + ", " +
                           std::to_string(size.axles) + " axles";
    const std::vector<PixelRect> panels = {l.valuesPanel, l.leverPanel, l.driver.frame,
                                           ButtonRect(l.startStop), ButtonRect(l.reset)};
    for (std::size_t a = 0; a < panels.size(); ++a) {
      for (std::size_t b = a + 1; b < panels.size(); ++b) {
        EXPECT_FALSE(panels[a].Overlaps(panels[b])) << at << ": panels " << a << " and " << b;
      }
    }
    const std::vector<Item> items = HudItems(l, size.axles);
    for (std::size_t a = 0; a < items.size(); ++a) {
      for (std::size_t b = a + 1; b < items.size(); ++b) {
        EXPECT_FALSE(items[a].rect.Overlaps(items[b].rect))
            << at << ": " << items[a].name << " meets " << items[b].name;
      }
    }
  }
}

TEST(HudLayoutTest, FromTheFullSizeUpEveryPositionKeepsItsDistanceToItsEdges) {
  const HudLayout l = LayoutHud(800, 600, kAxles);
  EXPECT_EQ(l.scale, 1.0f);
  EXPECT_EQ(l.textSize, 22.0f);
  EXPECT_EQ(l.valuesPanel.top, 480.0f);
  EXPECT_EQ(l.valuesPanel.right, 400.0f);
  EXPECT_EQ(l.leverPanel.left, 650.0f);
  EXPECT_EQ(l.leverPanel.top, 390.0f);
  EXPECT_EQ(l.driver.frame.top, -2.0f);
  EXPECT_LE(l.driver.frame.right, 800.0f - 87.0f);  // clear of the grid's label column
  const HudLayout small = LayoutHud(320, 400, kAxles);
  EXPECT_EQ(small.scale, 0.5f);
  EXPECT_EQ(small.textSize, 11.0f);
  EXPECT_EQ(small.scaleSlider.width, 75.0f);
  EXPECT_EQ(small.scaleSlider.y, 400.0f - 20.0f);
}

// The value labels of the grid run down a column near the right edge and along
// a row near the bottom: none is drawn under a panel, and the driver's panel
// hides none of them.
TEST(HudLayoutTest, GridLabelsStayClearOfThePanelsAndTheDriversPanelHidesNone) {
  struct Size {
    int width, height;
  };
  for (const Size size : {Size{1024, 768}, Size{500, 350}, Size{200, 120}}) {
    const HudLayout l = LayoutHud(size.width, size.height, kAxles);
    const WorldView view{0.0f, 2.0f, 30.0f, static_cast<float>(size.width),
                         static_cast<float>(size.height)};
    const std::string at = std::to_string(size.width) + " x " + std::to_string(size.height);
    int drawn = 0;
    for (float y = -20.0f; y <= 20.0f; y += 5.0f) {
      const PixelRect label = GridLabelRect(view, GridLabelColumnX(view), y,
                                            static_cast<int>(GridLabel(y).size()), 22.0f);
      if (Covered(label, l.Covering())) continue;
      ++drawn;
      EXPECT_FALSE(label.Overlaps(l.valuesPanel) || label.Overlaps(l.leverPanel) ||
                   label.Overlaps(l.driver.frame))
          << at << ": " << y;
    }
    if (size.width == 1024) {
      EXPECT_GE(drawn, 3) << "labels above the lever's panel";
      for (float y = 0.0f; y <= 10.0f; y += 5.0f) {
        const PixelRect label = GridLabelRect(view, GridLabelColumnX(view), y, 7, 22.0f);
        EXPECT_FALSE(label.Overlaps(l.driver.frame)) << y;
      }
    }
  }
}

}  // namespace
