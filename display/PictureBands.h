#pragma once

// A picture cut into horizontal bands for cheap drawing. Rows whose pixels are
// all of one colour (a sky or a water surface seen from the side) need no
// texture: a strip shaded from row to row shows them exactly as the texture's
// linear filtering would. Only the other rows are drawn from the texture, which
// costs a software renderer several times as much per pixel.

#include <array>
#include <cstdint>
#include <vector>

using RowColour = std::array<std::uint8_t, 4>;  // RGBA

struct PictureBand {
  int firstRow = 0;  // counted from the picture's top
  int lastRow = 0;
  bool uniform = false;
  std::vector<RowColour> colours;  // one per row of a uniform band
  // The rows of a uniform band between which its colours change linearly,
  // within one level per channel: a strip shaded through these rows only shows
  // the band with a few large quads instead of one per row.
  std::vector<int> knots;
};

struct PictureBands {
  int rows = 0;
  bool opaque = true;  // every pixel has full alpha
  std::vector<PictureBand> bands;
};

// Rows first .. last of `colours` (indices into it) lie within one level per
// channel of the straight line between the two ends.
bool RowsAreLinear(const std::vector<RowColour>& colours, int first, int last);

// The bands of an RGBA picture of `width` x `height` pixels, top row first:
// runs of uniform rows and runs of the others, in row order.
PictureBands BandsOf(const std::uint8_t* rgba, int width, int height);
