#include <IL/il.h>
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

struct FitCase {
  int width, height, maxEdge;
  bool resize;
  int newWidth, newHeight;
};

TEST(TextureLimitTest, ShrinksBothSidesByTheFactorOfTheLongerOne) {
  const std::vector<FitCase> cases = {
      {8192, 2048, 4096, true, 4096, 1024},   // wide picture halves
      {2048, 8192, 4096, true, 1024, 4096},   // tall picture likewise
      {4096, 4096, 4096, false, 4096, 4096},  // exactly N is not resized
      {4096, 100, 4096, false, 4096, 100},
      {5000, 6000, 4096, true, 3413, 4096},  // both exceed: the taller one decides
      {3000, 7, 2048, true, 2048, 4},        // trunc(7 * 2048 / 3000) = trunc(4.78)
      {100000, 1, 4096, true, 4096, 1},      // never shrinks to nothing
      {12289, 3, 4096, true, 4096, 1},       // 12289 * 4096 / 12289 lands on N, not N - 1
  };
  for (const FitCase& c : cases) {
    const TextureFit fit = FitToTextureLimit(c.width, c.height, c.maxEdge);
    EXPECT_EQ(c.resize, fit.resize) << c.width << " x " << c.height;
    EXPECT_EQ(c.newWidth, fit.width) << c.width << " x " << c.height;
    EXPECT_EQ(c.newHeight, fit.height) << c.width << " x " << c.height;
  }
}

TEST(LoadPictureTest, ConvertsToRgbaBytesAndSaysSo) {
  TempFolder folder;
  const std::string file = (folder.Path() / "picture.png").string();
  ASSERT_TRUE(WritePng(file, 40, 20));
  BoundImage image;
  std::ostringstream console;
  ASSERT_TRUE(LoadPicture(file, console));
  EXPECT_EQ("openIL: " + file + " loaded and converted successfully\n", console.str());
  EXPECT_EQ(IL_RGBA, ilGetInteger(IL_IMAGE_FORMAT));
  EXPECT_EQ(IL_UNSIGNED_BYTE, ilGetInteger(IL_IMAGE_TYPE));
  EXPECT_EQ(4, ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL));
}

TEST(LoadPictureTest, MissingAndUnreadablePicturesReportTheLoadingProblem) {
  TempFolder folder;
  folder.Write("broken.png", "this is not a picture");
  for (const std::string name : {"missing.png", "broken.png"}) {
    const std::string file = (folder.Path() / name).string();
    BoundImage image;
    std::ostringstream console;
    EXPECT_FALSE(LoadPicture(file, console));
    EXPECT_EQ("openIL: Problem while loading " + file + "\n", console.str());
  }
}

TEST(ApplyTextureLimitTest, ScalesAnOversizedPictureWithBothLines) {
  TempFolder folder;
  const std::string file = (folder.Path() / "wide.png").string();
  ASSERT_TRUE(WritePng(file, 256, 64));
  BoundImage image;
  std::ostringstream console;
  ASSERT_TRUE(LoadPicture(file, console));
  console.str("");
  ApplyTextureLimit(file, 128, console);
  EXPECT_EQ(file + " must be resized because it is larger than 128.\n" + file +
                " was resized to 128 x 32 (from 256 x 64)\n",
            console.str());
  EXPECT_EQ(128, ilGetInteger(IL_IMAGE_WIDTH));
  EXPECT_EQ(32, ilGetInteger(IL_IMAGE_HEIGHT));
}

TEST(ApplyTextureLimitTest, LeavesAPictureAtTheLimitAlone) {
  TempFolder folder;
  const std::string file = (folder.Path() / "edge.png").string();
  ASSERT_TRUE(WritePng(file, 128, 64));
  BoundImage image;
  std::ostringstream console;
  ASSERT_TRUE(LoadPicture(file, console));
  console.str("");
  ApplyTextureLimit(file, 128, console);
  EXPECT_EQ("", console.str());
  EXPECT_EQ(128, ilGetInteger(IL_IMAGE_WIDTH));
}

TEST(TextureSlotsTest, SlotsOutsideTheTableHaveNoTexture) {
  ImageTextures textures;
  textures.names[0] = 7;
  textures.names[kImageSlotCount - 1] = 9;
  EXPECT_EQ(7u, textures.Name(0));
  EXPECT_EQ(9u, textures.Name(kImageSlotCount - 1));
  EXPECT_EQ(0u, textures.Name(-1));
  EXPECT_EQ(0u, textures.Name(kImageSlotCount));
}

// The shipped pictures: what the program loads from its working folder.

TEST(ShippedPicturesTest, BackgroundSuitsItsTile) {
  BoundImage image;
  std::ostringstream console;
  ASSERT_TRUE(LoadPicture((DataDir() / "textures/wall2.png").string(), console));
  const double aspect =
      double(ilGetInteger(IL_IMAGE_WIDTH)) / double(ilGetInteger(IL_IMAGE_HEIGHT));
  EXPECT_NEAR(54.613335 / 26.493334, aspect, 0.01);
  EXPECT_LE(ilGetInteger(IL_IMAGE_WIDTH), 2048);  // fits every device
}

// Alpha of the font picture at (column, row) of the pixel grid; row 0 is the top.
class FontPicture {
 public:
  FontPicture() {
    std::ostringstream console;
    loaded = LoadPicture((DataDir() / "fonts/default_normal.png").string(), console);
    width = ilGetInteger(IL_IMAGE_WIDTH);
    height = ilGetInteger(IL_IMAGE_HEIGHT);
    const ILubyte* data = ilGetData();
    alpha.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = data[4 * i + 3];
  }
  // Counts glyph pixels (alpha above the alpha test) of byte value b's cell
  // inside and outside the part the text routine shows.
  void CountCell(int b, int& inside, int& outside) const {
    const int cell = width / 16;
    const int left = (b % 16) * cell;
    const int top = (b / 16) * cell;
    inside = outside = 0;
    for (int y = top; y < top + cell; ++y) {
      for (int x = left; x < left + cell; ++x) {
        if (alpha[static_cast<size_t>(y) * width + x] <= 3) continue;
        const double u = double(x - left + 0.5) / cell;
        (u > 0.2 && u < 0.8 ? inside : outside)++;
      }
    }
  }

  BoundImage image;
  bool loaded = false;
  int width = 0;
  int height = 0;
  std::vector<unsigned char> alpha;
};

TEST(ShippedPicturesTest, FontHasEveryPrintableGlyphInsideTheShownPartOfItsCell) {
  FontPicture font;
  ASSERT_TRUE(font.loaded);
  ASSERT_EQ(font.width, font.height);
  ASSERT_EQ(0, font.width % 16);
  for (int b = 0; b < 256; ++b) {
    int inside = 0, outside = 0;
    font.CountCell(b, inside, outside);
    EXPECT_EQ(0, outside) << "glyph " << b << " is cut by the inset";
    const bool printable = (b > 32 && b < 127) || b > 160;
    if (printable) {
      EXPECT_GT(inside, 10) << "glyph " << b << " is missing";
    }
    if (b <= 32 || b == 127) {
      EXPECT_EQ(0, inside) << "byte " << b << " should be blank";
    }
  }
}

}  // namespace
