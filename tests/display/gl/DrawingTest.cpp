#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "TestPictures.h"
#include "display/DrawRoutines.h"
#include "display/OverlayFont.h"
#include "display/SceneRenderer.h"
#include "gl/GlTestWindow.h"
#include "support/TestSupport.h"

namespace {

using testing_support::DataDir;
using testing_support::TempFolder;

using Rgb = std::array<int, 3>;
constexpr Rgb kBlack{0, 0, 0};

void ClearBlack() {
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glAlphaFunc(GL_GREATER, 0.01f);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

// Overlay pixels, origin top-left, y down.
void OverlayProjection() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluOrtho2D(0, kGlTestWidth, kGlTestHeight, 0);
  glMatrixMode(GL_MODELVIEW);
}

// World units: x in [-10, 10], y in [-7.5, 7.5] at 20 pixels per unit.
const WorldView kView{0.0f, 0.0f, 20.0f, kGlTestWidth, kGlTestHeight};

void WorldProjection() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(kView.MinX(), kView.MaxX(), kView.MinY(), kView.MaxY(), -100.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
}

// The framebuffer pixel under the centre of a world point.
Rgb AtWorld(const Framebuffer& frame, float x, float y) {
  return frame.At(static_cast<int>((x - kView.MinX()) * kView.zoom),
                  static_cast<int>((y - kView.MinY()) * kView.zoom));
}

TEST(DrawTextTest, GlyphStandsUprightInsideItsQuad) {
  FontTextures fonts;
  std::ostringstream console;
  const OverlayFont font;
  LoadFontTextures((DataDir() / font.pictureFile).string(), font.fontSlot, fonts, console);
  ClearBlack();
  OverlayProjection();
  DrawText("A", 100.0f, 100.0f, 80.0f, Rgba{1, 1, 1, 1}, font, fonts);  // quad 100..140 x 100..180
  const Framebuffer frame;
  // Overlay row y is framebuffer row H - 1 - y.
  auto at = [&](int x, int y) { return frame.At(x, kGlTestHeight - 1 - y); };
  int outside = 0, upperMiddle = 0, lowerMiddle = 0;
  for (int y = 0; y < kGlTestHeight; ++y) {
    for (int x = 0; x < kGlTestWidth; ++x) {
      if (at(x, y) == kBlack) continue;
      if (x < 100 || x >= 140 || y < 100 || y >= 180) ++outside;
      if (x < 117 || x >= 123) continue;
      if (y < 130) ++upperMiddle;
      if (y >= 155 && y < 162) ++lowerMiddle;
    }
  }
  EXPECT_EQ(0, outside);
  EXPECT_GT(upperMiddle, 10);  // the apex of the A is at the top
  EXPECT_EQ(0, lowerMiddle);   // and the gap between its legs at the bottom
}

StyleLink BodyLink(const std::string& kind) {
  StyleLink link;
  link.linkType = 1;
  link.styleKind = kind;
  link.styleIndex = 0;
  link.componentKind = "BODY";
  return link;
}

TEST(SceneLinksTest, DiskRidesOnTheDisplacedAndRotatedAnchor) {
  StyleManager::StyleLists styles;
  DiskStyle disk;
  disk.radius = 1.0f;
  disk.fillColor = {1.0f, 0.0f, 0.0f, 1.0f};
  disk.lineColor = {1.0f, 0.0f, 0.0f, 1.0f};
  std::get<std::vector<DiskStyle>>(styles).push_back(disk);
  StyleLink link = BodyLink("DISK");
  link.refX1 = 2.0f;
  link.offX1 = 1.0f;
  link.dofX1 = 0;
  link.dofR1 = 1;
  // Moved by 1 along x and turned a quarter: the centre is at (3, 1).
  const std::vector<float> q = {1.0f, std::numbers::pi_v<float> / 2.0f};
  SceneRenderer renderer;
  ImageTextures textures;
  ClearBlack();
  WorldProjection();
  renderer.DrawLinks(q, {link}, styles, textures);
  const Framebuffer shown;
  EXPECT_EQ((Rgb{255, 0, 0}), AtWorld(shown, 3.0f, 1.0f));
  EXPECT_EQ((Rgb{255, 0, 0}), AtWorld(shown, 3.5f, 1.5f));
  EXPECT_EQ(kBlack, AtWorld(shown, 4.0f, 0.0f));  // where it would be unturned
  EXPECT_FLOAT_EQ(4.0f, renderer.sceneBox.maxX);  // undeformed: around (3, 0)

  renderer.layers.bodies = false;
  ClearBlack();
  renderer.DrawLinks(q, {link}, styles, textures);
  const Framebuffer hidden;
  EXPECT_EQ(kBlack, AtWorld(hidden, 3.0f, 1.0f));
}

TEST(SceneLinksTest, ImageShowsThePictureUprightAndLinesJoinTheirEnds) {
  TempFolder folder;
  const std::string picture = (folder.Path() / "halves.png").string();
  ASSERT_TRUE(WritePng(picture, 8, 8, {255, 0, 0}, {0, 0, 255}));  // red over blue
  ImageTextures textures;
  BackgroundRecord background;
  std::ostringstream console;
  LoadImageTextures({picture}, background, textures, console);

  StyleManager::StyleLists styles;
  ImageStyle image;
  image.leftExtent = -2.0f;
  image.rightExtent = 2.0f;
  image.bottomExtent = -2.0f;
  image.topExtent = 2.0f;
  std::get<std::vector<ImageStyle>>(styles).push_back(image);
  LineStyle line;
  line.lineWidth = 3.0f;
  line.lineColor = {0.0f, 1.0f, 0.0f, 1.0f};
  std::get<std::vector<LineStyle>>(styles).push_back(line);
  StyleLink force;
  force.linkType = 2;
  force.styleKind = "LINE";
  force.componentKind = "FORCE";
  force.refX1 = -6.0f;
  force.refY1 = -5.0f;
  force.refX2 = 6.0f;
  force.refY2 = -5.0f;
  force.dofY2 = 0;  // the second end rises by q[0]
  SceneRenderer renderer;
  ClearBlack();
  WorldProjection();
  renderer.DrawLinks({2.0f}, {BodyLink("IMAGE"), force}, styles, textures);
  const Framebuffer frame;
  EXPECT_EQ((Rgb{255, 0, 0}), AtWorld(frame, 0.5f, 1.0f));
  EXPECT_EQ((Rgb{0, 0, 255}), AtWorld(frame, 0.5f, -1.0f));
  EXPECT_EQ((Rgb{0, 255, 0}), AtWorld(frame, -6.0f + 0.05f, -5.0f));
  EXPECT_EQ((Rgb{0, 255, 0}), AtWorld(frame, 0.0f, -4.0f));  // half way up to (6, -3)
}

// A picture beyond the image slots was left out when the textures were loaded;
// its link draws nothing instead of a blank square.
TEST(SceneLinksTest, ImagesBeyondTheSlotsAreLeftOut) {
  StyleManager::StyleLists styles;
  ImageStyle image;
  image.leftExtent = -2.0f;
  image.rightExtent = 2.0f;
  image.bottomExtent = -2.0f;
  image.topExtent = 2.0f;
  std::get<std::vector<ImageStyle>>(styles).assign(kMaxImageObjects + 1, image);
  StyleLink link = BodyLink("IMAGE");
  link.styleIndex = kMaxImageObjects;
  SceneRenderer renderer;
  ImageTextures textures;
  ClearBlack();
  WorldProjection();
  renderer.DrawLinks({}, {link}, styles, textures);
  const Framebuffer frame;
  EXPECT_EQ(kBlack, AtWorld(frame, 0.5f, 0.5f));
  EXPECT_EQ(kBlack, AtWorld(frame, 0.0f, 0.0f));  // nor its centre point
}

// The background drawn band by band, the rows of one colour as shaded strips,
// shows the picture as the whole textured tile does, within a level or two of
// rounding, wherever the tile is not at its outermost half rows.
TEST(BackgroundTest, BandsShowThePictureAsTheTexturedTileDoes) {
  TempFolder folder;
  const std::string picture = (folder.Path() / "scene.png").string();
  // Rows 0-9 a gradient, 10-13 stripes across, 14-23 a gradient with a bend.
  ASSERT_TRUE(WritePng(picture, 16, 24, [](int x, int y) -> std::array<unsigned char, 3> {
    if (y < 10) return {static_cast<unsigned char>(20 * y), 100, 200};
    if (y < 14) return {static_cast<unsigned char>(x % 2 ? 250 : 10), 60, 30};
    const int bend = y < 19 ? 8 * (y - 14) : 40 + 30 * (y - 19);
    return {60, static_cast<unsigned char>(bend), 90};
  }));
  SceneRenderer renderer;
  renderer.background.fileName = picture;
  renderer.background.enabled = true;
  renderer.background.width = 16.0f;
  renderer.background.height = 12.0f;
  renderer.background.offsetY = -6.0f;
  ImageTextures textures;
  std::ostringstream console;
  LoadImageTextures({}, renderer.background, textures, console);
  ASSERT_EQ(renderer.background.bands.bands.size(), 3u) << console.str();

  ClearBlack();
  WorldProjection();
  std::vector<BackgroundTile> tiles;
  BackgroundTiles(kView.MinX(), kView.MaxX(), 16.0f, tiles);
  for (const BackgroundTile& tile : tiles) {
    DrawTexturedQuad(textures.Name(0), 1.0f, tile.x0, -6.0f, tile.x1, 6.0f);
  }
  const Framebuffer whole;
  ClearBlack();
  renderer.DrawBackground(kView, textures);
  const Framebuffer banded;
  int worst = 0;
  for (int y = 35; y < 265; ++y) {  // rows of 10 pixels from 30 to 270; half a row off each end
    for (int x = 0; x < kGlTestWidth; ++x) {
      const Rgb a = whole.At(x, y);
      const Rgb b = banded.At(x, y);
      for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(a[k] - b[k]));
    }
  }
  EXPECT_LE(worst, 2);
  EXPECT_EQ(kBlack, banded.At(10, 10));  // below the tiles
}

}  // namespace
