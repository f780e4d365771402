#include <GL/gl.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "TestPictures.h"
#include "display/Textures.h"
#include "support/TestSupport.h"

namespace {

using testing_support::DataDir;
using testing_support::TempFolder;

struct TextureSize {
  int width = 0;
  int height = 0;
};

TextureSize SizeOf(unsigned int texture) {
  TextureSize size;
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size.width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &size.height);
  return size;
}

int DeviceLimit() {
  GLint limit = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
  return limit;
}

std::string LimitLine() {
  return "Maximum texture size is: " + std::to_string(DeviceLimit()) + "\n";
}

std::string Loaded(const std::string& file) {
  return "openIL: " + file + " loaded and converted successfully\n";
}

TEST(ImageTexturesTest, WithoutImagesTheBackgroundTakesSlotZero) {
  BackgroundRecord background;
  background.enabled = true;
  background.fileName = (DataDir() / "textures/wall2.png").string();
  ImageTextures textures;
  std::ostringstream console;
  LoadImageTextures({}, background, textures, console);
  EXPECT_EQ(LimitLine() + Loaded(background.fileName), console.str());
  EXPECT_EQ(0, background.slot);
  const TextureSize size = SizeOf(textures.Name(0));
  EXPECT_EQ(1638, size.width);
  EXPECT_EQ(795, size.height);
}

TEST(ImageTexturesTest, EverySlotGetsATextureAlsoAfterAFailure) {
  TempFolder folder;
  const std::string picture = (folder.Path() / "small.png").string();
  const std::string missing = (folder.Path() / "missing.png").string();
  ASSERT_TRUE(WritePng(picture, 8, 4));
  BackgroundRecord background;  // not registered
  ImageTextures textures;
  std::ostringstream console;
  LoadImageTextures({missing, picture}, background, textures, console);
  EXPECT_EQ(LimitLine() + "openIL: Problem while loading " + missing + "\n" + Loaded(picture),
            console.str());
  EXPECT_EQ(-1, background.slot);
  const TextureSize failed = SizeOf(textures.Name(0));
  EXPECT_EQ(1, failed.width);  // one transparent texel
  EXPECT_EQ(1, failed.height);
  const TextureSize loaded = SizeOf(textures.Name(1));
  EXPECT_EQ(8, loaded.width);
  EXPECT_EQ(4, loaded.height);
}

TEST(ImageTexturesTest, PicturesBeyondTheDeviceLimitShrinkButTheBackgroundDoesNot) {
  TempFolder folder;
  const int limit = DeviceLimit();
  const std::string wide = (folder.Path() / "wide.png").string();
  ASSERT_TRUE(WritePng(wide, limit + 1, 2));
  BackgroundRecord background;
  background.enabled = true;
  background.fileName = wide;
  ImageTextures textures;
  std::ostringstream console;
  LoadImageTextures({wide}, background, textures, console);
  const std::string n = std::to_string(limit);
  EXPECT_EQ(LimitLine() + Loaded(wide) + wide + " must be resized because it is larger than " + n +
                ".\n" + wide + " was resized to " + n + " x 1 (from " + std::to_string(limit + 1) +
                " x 2)\n" + Loaded(wide),
            console.str());
  EXPECT_EQ(limit, SizeOf(textures.Name(0)).width);
  EXPECT_EQ(1, background.slot);
  while (glGetError() != GL_NO_ERROR) {
  }  // the device refuses the oversized background
}

TEST(ImageTexturesTest, ImagesBeyondTheTableAreRejectedAndTheBackgroundFollowsTheLast) {
  TempFolder folder;
  const std::string picture = (folder.Path() / "small.png").string();
  ASSERT_TRUE(WritePng(picture, 2, 2));
  std::vector<std::string> files(kMaxImageObjects + 2, picture);
  files[kMaxImageObjects] = "first-excess.png";
  files[kMaxImageObjects + 1] = "second-excess.png";
  BackgroundRecord background;
  background.enabled = true;
  background.fileName = (DataDir() / "textures/wall2.png").string();
  ImageTextures textures;
  std::ostringstream console;
  LoadImageTextures(files, background, textures, console);
  std::string expected = LimitLine();
  for (int i = 0; i < kMaxImageObjects; ++i) expected += Loaded(picture);
  expected +=
      "openIL: No image slot left for first-excess.png, at most 99 pictures fit\n"
      "openIL: No image slot left for second-excess.png, at most 99 pictures fit\n" +
      Loaded(background.fileName);
  EXPECT_EQ(expected, console.str());
  EXPECT_EQ(kMaxImageObjects, background.slot);
  EXPECT_EQ(2, SizeOf(textures.Name(kMaxImageObjects - 1)).width);
  EXPECT_EQ(1638, SizeOf(textures.Name(kMaxImageObjects)).width);
}

TEST(FontTexturesTest, TheShippedFontFillsItsSlot) {
  const std::string file = (DataDir() / "fonts/default_normal.png").string();
  FontTextures fonts;
  std::ostringstream console;
  LoadFontTextures(file, 0, fonts, console);
  EXPECT_EQ(Loaded(file), console.str());
  const TextureSize size = SizeOf(fonts.Name(0));
  EXPECT_EQ(512, size.width);
  EXPECT_EQ(512, size.height);
  EXPECT_NE(0u, fonts.Name(9));  // the other slots exist, empty
  EXPECT_EQ(0, SizeOf(fonts.Name(9)).width);
}

}  // namespace
