#include "display/PictureBands.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

bool RowIsUniform(const std::uint8_t* row, int width) {
  for (int x = 1; x < width; ++x) {
    if (std::memcmp(row, row + 4 * x, 4) != 0) return false;
  }
  return true;
}

// Each knot reaches as far down the band as the rows still lie on the line
// from it.
std::vector<int> KnotsOf(const std::vector<RowColour>& colours, int firstRow) {
  const int count = static_cast<int>(colours.size());
  std::vector<int> knots = {firstRow};
  int from = 0;
  while (from < count - 1) {
    int to = from + 1;
    while (to + 1 < count && RowsAreLinear(colours, from, to + 1)) ++to;
    knots.push_back(firstRow + to);
    from = to;
  }
  return knots;
}

}  // namespace

bool RowsAreLinear(const std::vector<RowColour>& colours, int first, int last) {
  const RowColour& a = colours[static_cast<std::size_t>(first)];
  const RowColour& b = colours[static_cast<std::size_t>(last)];
  for (int row = first + 1; row < last; ++row) {
    const double t = static_cast<double>(row - first) / static_cast<double>(last - first);
    const RowColour& c = colours[static_cast<std::size_t>(row)];
    for (int k = 0; k < 4; ++k) {
      const double line = a[k] + t * (b[k] - a[k]);
      if (std::abs(c[k] - line) > 1.0) return false;
    }
  }
  return true;
}

PictureBands BandsOf(const std::uint8_t* rgba, int width, int height) {
  PictureBands result;
  if (rgba == nullptr || width <= 0 || height <= 0) return result;
  result.rows = height;
  const std::size_t stride = 4 * static_cast<std::size_t>(width);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = rgba + stride * static_cast<std::size_t>(y);
    for (int x = 0; x < width && result.opaque; ++x) result.opaque = row[4 * x + 3] == 255;
    const bool uniform = RowIsUniform(row, width);
    if (result.bands.empty() || result.bands.back().uniform != uniform) {
      result.bands.push_back(PictureBand{y, y, uniform, {}, {}});
    }
    PictureBand& band = result.bands.back();
    band.lastRow = y;
    if (uniform) band.colours.push_back({row[0], row[1], row[2], row[3]});
  }
  for (PictureBand& band : result.bands) {
    if (band.uniform) band.knots = KnotsOf(band.colours, band.firstRow);
  }
  return result;
}
