#include "display/OverlayFont.h"

#include <GL/gl.h>

GlyphQuad PlaceGlyph(const OverlayFont& font, unsigned char byte, float x0, float y0, float width,
                     float height) {
  const int column = byte % font.columns;
  const int row = byte / font.columns;
  const float cellU = 1.0f / static_cast<float>(font.columns);
  const float cellV = 1.0f / static_cast<float>(font.rows);
  const float insetU = font.horizontalInset * cellU;
  const float insetV = font.verticalInset * cellV;
  GlyphQuad glyph;
  glyph.x0 = x0;
  glyph.y0 = y0;
  glyph.x1 = x0 + width;
  glyph.y1 = y0 + height;
  glyph.uMin = static_cast<float>(column) * cellU + insetU;
  glyph.uMax = static_cast<float>(column + 1) * cellU - insetU;
  glyph.vMin = static_cast<float>(row) * cellV + insetV;
  glyph.vMax = static_cast<float>(row + 1) * cellV - insetV;
  return glyph;
}

GlyphQuad OverlayGlyph(const OverlayFont& font, std::string_view text, std::size_t index, float x,
                       float y, float size) {
  const float advance = font.advanceFactor * size;
  return PlaceGlyph(font, static_cast<unsigned char>(text[index]),
                    x + static_cast<float>(index) * advance, y, advance, size);
}

GlyphQuad WorldGlyph(const OverlayFont& font, std::string_view text, std::size_t index, float x,
                     float y, float zoom, float size) {
  const float height = size / zoom;
  const float advance = font.advanceFactor * height;
  return PlaceGlyph(font, static_cast<unsigned char>(text[index]),
                    x - height + static_cast<float>(index) * advance, y + height, advance, -height);
}

float TextWidth(const OverlayFont& font, std::string_view text, float size) {
  return font.advanceFactor * size * static_cast<float>(text.size());
}

namespace {

void BeginText(const Rgba& colour, const OverlayFont& font, const FontTextures& fontTextures) {
  glEnable(GL_ALPHA_TEST);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, fontTextures.Name(font.fontSlot));
  glColor4fv(colour.data());
  glBegin(GL_QUADS);
}

// Inside one glBegin(GL_QUADS) ... glEnd() per text.
void EmitGlyph(const GlyphQuad& g) {
  glTexCoord2f(g.uMin, g.vMin);
  glVertex2f(g.x0, g.y0);
  glTexCoord2f(g.uMin, g.vMax);
  glVertex2f(g.x0, g.y1);
  glTexCoord2f(g.uMax, g.vMax);
  glVertex2f(g.x1, g.y1);
  glTexCoord2f(g.uMax, g.vMin);
  glVertex2f(g.x1, g.y0);
}

void EndText() {
  glEnd();
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_ALPHA_TEST);
}

}  // namespace

void DrawText(std::string_view text, float x, float y, float size, const Rgba& colour,
              const OverlayFont& font, const FontTextures& fontTextures) {
  BeginText(colour, font, fontTextures);
  for (std::size_t i = 0; i < text.size(); ++i) EmitGlyph(OverlayGlyph(font, text, i, x, y, size));
  EndText();
}

void DrawWorldText(std::string_view text, float x, float y, float zoom, float size,
                   const Rgba& colour, const OverlayFont& font, const FontTextures& fontTextures) {
  BeginText(colour, font, fontTextures);
  for (std::size_t i = 0; i < text.size(); ++i) {
    EmitGlyph(WorldGlyph(font, text, i, x, y, zoom, size));
  }
  EndText();
}
