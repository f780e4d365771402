#pragma once

// The bitmap font of all on-screen text: a square picture holding a grid of glyph
// cells, one cell per byte value in byte order, and the routine that lays a line
// of text out as one textured quad per character.

#include <cstddef>
#include <string>
#include <string_view>

#include "display/Colours.h"
#include "display/Textures.h"

struct OverlayFont {
  std::string pictureFile = "fonts/default_normal.png";
  int fontSlot = 0;
  int columns = 16;
  int rows = 16;
  float advanceFactor = 0.5f;    // a character is this times the text size wide
  float horizontalInset = 0.2f;  // of a cell's width, cut from each side of the glyph
  float verticalInset = 0.0f;    // of a cell's height, cut from top and bottom
};

// One character: its quad from (x0, y0) to (x1, y1) and the glyph's texture
// rectangle; (uMin, vMin) belongs to (x0, y0), the top-left corner of the glyph.
struct GlyphQuad {
  float x0 = 0.0f;
  float y0 = 0.0f;
  float x1 = 0.0f;
  float y1 = 0.0f;
  float uMin = 0.0f;
  float vMin = 0.0f;
  float uMax = 0.0f;
  float vMax = 0.0f;
};

// The glyph of byte value `byte` on the quad from (x0, y0) to (x0 + width, y0 + height).
GlyphQuad PlaceGlyph(const OverlayFont& font, unsigned char byte, float x0, float y0, float width,
                     float height);

// Character `index` of `text` with the text's top-left corner at (x, y), in
// overlay pixels (y down) at `size` pixels high.
GlyphQuad OverlayGlyph(const OverlayFont& font, std::string_view text, std::size_t index, float x,
                       float y, float size);

// Character `index` of a text labelling the world point (x, y) at `zoom` pixels per
// world unit: the text starts one text height left of and above the point and runs
// downwards in world units (y up).
GlyphQuad WorldGlyph(const OverlayFont& font, std::string_view text, std::size_t index, float x,
                     float y, float zoom, float size);

// Width of a text in the units of `size`.
float TextWidth(const OverlayFont& font, std::string_view text, float size);

// Draws one line of text with its top-left corner at (x, y) in overlay pixels.
void DrawText(std::string_view text, float x, float y, float size, const Rgba& colour,
              const OverlayFont& font, const FontTextures& fontTextures);

// Draws a text labelling the world point (x, y) in world units (see WorldGlyph).
void DrawWorldText(std::string_view text, float x, float y, float zoom, float size,
                   const Rgba& colour, const OverlayFont& font, const FontTextures& fontTextures);
