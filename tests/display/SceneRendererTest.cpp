#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/SceneRenderer.h"

namespace {

TEST(LayerVisibilityTest, EachSwitchGovernsItsKindAndUnknownKindsStayHidden) {
  LayerVisibility layers;
  for (const std::string kind : {"BODY", "NODE", "FORCE", "EXTFORCE", "OUTDISP"}) {
    EXPECT_TRUE(layers.Shows(kind)) << kind;
  }
  EXPECT_FALSE(layers.Shows("WHEEL"));  // wheel links carry "BODY"
  EXPECT_FALSE(layers.Shows("body"));
  EXPECT_FALSE(layers.Shows(""));
  layers.bodies = false;
  layers.forces = false;
  EXPECT_FALSE(layers.Shows("BODY"));
  EXPECT_FALSE(layers.Shows("FORCE"));
  EXPECT_TRUE(layers.Shows("NODE"));
  EXPECT_TRUE(layers.Shows("EXTFORCE"));
}

TEST(SceneRendererTest, BackgroundOnlyWhenEnabledAndZoomedInBeyondOne) {
  SceneRenderer renderer;
  WorldView view;
  view.zoom = 30.0f;
  EXPECT_FALSE(renderer.BackgroundShown(view));  // no background registered
  renderer.background.enabled = true;
  EXPECT_TRUE(renderer.BackgroundShown(view));
  view.zoom = 1.0f;
  EXPECT_FALSE(renderer.BackgroundShown(view));
  view.zoom = 1.01f;
  EXPECT_TRUE(renderer.BackgroundShown(view));
}

TEST(ImageTextureTest, ImageSlotsStopBeforeTheTableEnds) {
  ImageTextures textures;
  for (int slot = 0; slot < kImageSlotCount; ++slot) textures.names[slot] = 1000u + slot;
  EXPECT_EQ(1000u, ImageTextureOf(textures, 0));
  EXPECT_EQ(1098u, ImageTextureOf(textures, kMaxImageObjects - 1));
  // Slot 99 can only be the background; an IMAGE style there had no picture loaded.
  EXPECT_EQ(0u, ImageTextureOf(textures, kMaxImageObjects));
  EXPECT_EQ(0u, ImageTextureOf(textures, 150));
  EXPECT_EQ(0u, ImageTextureOf(textures, -1));
}

StyleLink AnchorLink(const std::string& kind, int index, float x, float y) {
  StyleLink link;
  link.linkType = 1;
  link.styleKind = kind;
  link.styleIndex = index;
  link.componentKind = "BODY";
  link.refX1 = x;
  link.refY1 = y;
  link.offX1 = 1.0f;  // the box widens around reference + offset
  link.dofX1 = 0;     // and ignores the deformation
  return link;
}

TEST(SceneBoxTest, WidensByTheUndeformedExtentOfEachShape) {
  StyleManager::StyleLists styles;
  DiskStyle disk;
  disk.radius = 0.5f;
  std::get<std::vector<DiskStyle>>(styles).push_back(disk);
  EllipseStyle ellipse;
  ellipse.semiMajorAxis = 3.0f;
  ellipse.semiMinorAxis = 1.0f;
  ellipse.rotationAngle = 90.0f;  // the box ignores the rotation
  std::get<std::vector<EllipseStyle>>(styles).push_back(ellipse);
  RectangleStyle rectangle;
  rectangle.leftExtent = -2.0f;
  rectangle.rightExtent = 4.0f;
  rectangle.bottomExtent = -1.0f;
  rectangle.topExtent = 0.5f;
  std::get<std::vector<RectangleStyle>>(styles).push_back(rectangle);
  std::get<std::vector<PointStyle>>(styles).push_back(PointStyle{});

  BoundingBox box;
  WidenSceneBox(box, AnchorLink("DISK", 0, 10.0f, 2.0f), styles);  // around (11, 2)
  EXPECT_FLOAT_EQ(11.5f, box.maxX);
  EXPECT_FLOAT_EQ(0.0f, box.minX);  // the box starts at the origin
  EXPECT_FLOAT_EQ(2.5f, box.maxY);
  WidenSceneBox(box, AnchorLink("ELLIPSE", 0, -10.0f, 0.0f), styles);  // around (-9, 0)
  EXPECT_FLOAT_EQ(-12.0f, box.minX);
  EXPECT_FLOAT_EQ(-1.0f, box.minY);
  WidenSceneBox(box, AnchorLink("RECTANGLE", 0, 20.0f, -5.0f), styles);  // around (21, -5)
  EXPECT_FLOAT_EQ(25.0f, box.maxX);
  EXPECT_FLOAT_EQ(-6.0f, box.minY);
  WidenSceneBox(box, AnchorLink("POINT", 0, 0.0f, 7.0f), styles);
  EXPECT_FLOAT_EQ(7.0f, box.maxY);
  EXPECT_FLOAT_EQ(-12.0f, box.minX);
}

TEST(SceneBoxTest, IgnoresTwoEndedLinksAndIndicesOutsideTheList) {
  StyleManager::StyleLists styles;
  std::get<std::vector<DiskStyle>>(styles).push_back(DiskStyle{});
  BoundingBox box;
  WidenSceneBox(box, AnchorLink("DISK", 1, 50.0f, 50.0f), styles);
  WidenSceneBox(box, AnchorLink("DISK", -1, 50.0f, 50.0f), styles);
  StyleLink spring = AnchorLink("SPRING", 0, 50.0f, 50.0f);
  spring.linkType = 2;
  WidenSceneBox(box, spring, styles);
  EXPECT_FLOAT_EQ(0.0f, box.maxX);
  EXPECT_FLOAT_EQ(0.0f, box.maxY);
}

}  // namespace
