#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "display/PictureBands.h"

namespace {

// An RGBA picture `width` wide from one colour per row, with the pixels of the
// rows in `varied` changed at every other column.
std::vector<std::uint8_t> Picture(const std::vector<RowColour>& rows, int width,
                                  const std::vector<int>& varied = {}) {
  std::vector<std::uint8_t> pixels;
  for (std::size_t y = 0; y < rows.size(); ++y) {
    for (int x = 0; x < width; ++x) {
      RowColour c = rows[y];
      for (const int v : varied) {
        if (v == static_cast<int>(y) && x % 2 == 1) c[0] = static_cast<std::uint8_t>(c[0] + 50);
      }
      pixels.insert(pixels.end(), c.begin(), c.end());
    }
  }
  return pixels;
}

TEST(PictureBandsTest, UniformRowsFormShadedBandsAndTheOthersTexturedOnes) {
  // A straight gradient (0-3), two varied rows (4-5), a gradient bending at row 8 (6-10).
  const std::vector<RowColour> rows = {{0, 0, 0, 255},     {10, 0, 0, 255},   {20, 0, 0, 255},
                                       {30, 0, 0, 255},    {0, 9, 9, 255},    {0, 9, 9, 255},
                                       {50, 50, 50, 255},  {60, 50, 50, 255}, {70, 50, 50, 255},
                                       {100, 50, 50, 255}, {130, 50, 50, 255}};
  const std::vector<std::uint8_t> pixels = Picture(rows, 5, {4, 5});
  const PictureBands picture = BandsOf(pixels.data(), 5, static_cast<int>(rows.size()));
  EXPECT_EQ(picture.rows, 11);
  EXPECT_TRUE(picture.opaque);
  ASSERT_EQ(picture.bands.size(), 3u);
  struct Expected {
    int first, last;
    bool uniform;
    std::vector<int> knots;
  };
  const Expected expected[] = {{0, 3, true, {0, 3}}, {4, 5, false, {}}, {6, 10, true, {6, 8, 10}}};
  for (std::size_t i = 0; i < 3; ++i) {
    const PictureBand& band = picture.bands[i];
    EXPECT_EQ(band.firstRow, expected[i].first) << i;
    EXPECT_EQ(band.lastRow, expected[i].last) << i;
    EXPECT_EQ(band.uniform, expected[i].uniform) << i;
    EXPECT_EQ(band.knots, expected[i].knots) << i;
  }
  EXPECT_EQ(picture.bands[2].colours.back(), (RowColour{130, 50, 50, 255}));
}

TEST(PictureBandsTest, RowsWithinOneLevelOfTheLineCountAsLinear) {
  struct Case {
    std::vector<std::uint8_t> reds;
    bool linear;
  };
  const Case cases[] = {
      {{0, 10, 20}, true}, {{0, 11, 20}, true},       {{0, 12, 20}, false},
      {{0, 1}, true},      {{255, 170, 85, 0}, true}, {{0, 0, 0, 9}, false},
  };
  for (const Case& c : cases) {
    std::vector<RowColour> colours;
    for (const std::uint8_t red : c.reds) colours.push_back({red, 7, 7, 255});
    EXPECT_EQ(RowsAreLinear(colours, 0, static_cast<int>(colours.size()) - 1), c.linear)
        << static_cast<int>(c.reds[1]);
  }
}

TEST(PictureBandsTest, TranslucentPixelsAndEmptyPictures) {
  std::vector<std::uint8_t> pixels = Picture({{1, 2, 3, 255}, {1, 2, 3, 255}}, 3);
  pixels[4 * 4 + 3] = 254;  // the second row's second pixel
  const PictureBands translucent = BandsOf(pixels.data(), 3, 2);
  EXPECT_FALSE(translucent.opaque);
  EXPECT_EQ(translucent.bands.size(), 2u);
  EXPECT_TRUE(BandsOf(nullptr, 3, 2).bands.empty());
  EXPECT_EQ(BandsOf(pixels.data(), 0, 2).rows, 0);
}

}  // namespace
