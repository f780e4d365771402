#include "display/SceneRenderer.h"

#include <GL/gl.h>

#include <numbers>

#include "display/DrawRoutines.h"

namespace {

constexpr float kGridLabelSize = 22.0f;  // pixels
constexpr Rgba kMajorGridColour{0.3f, 0.3f, 0.3f, 1.0f};
constexpr Rgba kMinorGridColour{0.3f, 0.3f, 0.3f, 0.5f};
constexpr Rgba kGridLabelColour{0.6f, 0.6f, 0.6f, 1.0f};

// The style of a link, or null when its index lies outside the list.
template <typename Style>
const Style* StyleAt(const StyleManager::StyleLists& styles, int index) {
  const std::vector<Style>& list = std::get<std::vector<Style>>(styles);
  if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return nullptr;
  return &list[static_cast<std::size_t>(index)];
}

// A disk or ellipse of `subdivision` has 2 * subdivision sectors; none without subdivisions.
float SectorAngle(int subdivision) {
  return subdivision > 0 ? std::numbers::pi_v<float> / static_cast<float>(subdivision) : 0.0f;
}

void Emit(GLenum mode, const Vec2* vertices, std::size_t count) {
  glBegin(mode);
  for (std::size_t i = 0; i < count; ++i) glVertex2f(vertices[i].x, vertices[i].y);
  glEnd();
}

template <std::size_t kCount>
void Emit(GLenum mode, const std::array<Vec2, kCount>& vertices) {
  Emit(mode, vertices.data(), kCount);
}

void BeginStroke(const Rgba& colour, float width) {
  glColor4fv(colour.data());
  glLineWidth(width);
}

void EndStroke() {
  glLineWidth(1.0f);
}

}  // namespace

bool LayerVisibility::Shows(const std::string& componentKind) const {
  if (componentKind == "BODY") return bodies;
  if (componentKind == "NODE") return nodes;
  if (componentKind == "FORCE") return forces;
  if (componentKind == "EXTFORCE") return extForces;
  if (componentKind == "OUTDISP") return outDisps;
  return false;
}

unsigned int ImageTextureOf(const ImageTextures& textures, int styleIndex) {
  return ImageHasSlot(styleIndex) ? textures.Name(styleIndex) : 0u;
}

bool ImageHasSlot(int styleIndex) {
  return styleIndex >= 0 && styleIndex < kMaxImageObjects;
}

// The text runs from one text height left of the point, its lower edge on it.
PixelRect GridLabelRect(const WorldView& view, float x, float y, int characters, float size) {
  const float left = (x - view.MinX()) * view.zoom - size;
  const float top = (view.MaxY() - y) * view.zoom - size;
  return {left, left + 0.5f * size * static_cast<float>(characters), top, top + size};
}

bool Covered(const PixelRect& rect, const std::vector<PixelRect>& panels) {
  for (const PixelRect& panel : panels) {
    if (rect.Overlaps(panel)) return true;
  }
  return false;
}

void WidenSceneBox(BoundingBox& box, const StyleLink& link,
                   const StyleManager::StyleLists& styles) {
  if (link.linkType != 1) return;
  const Vec2 anchor{link.refX1 + link.offX1, link.refY1 + link.offY1};
  const std::string& kind = link.styleKind;
  const int index = link.styleIndex;
  if (kind == "POINT") {
    if (StyleAt<PointStyle>(styles, index)) box.Include(anchor.x, anchor.y);
  } else if (kind == "DISK") {
    if (const auto* s = StyleAt<DiskStyle>(styles, index)) {
      box.IncludeAround(anchor, -s->radius, s->radius, -s->radius, s->radius);
    }
  } else if (kind == "ELLIPSE") {
    if (const auto* s = StyleAt<EllipseStyle>(styles, index)) {
      box.IncludeAround(anchor, -s->semiMajorAxis, s->semiMajorAxis, -s->semiMinorAxis,
                        s->semiMinorAxis);
    }
  } else if (kind == "RECTANGLE") {
    if (const auto* s = StyleAt<RectangleStyle>(styles, index)) {
      box.IncludeAround(anchor, s->leftExtent, s->rightExtent, s->bottomExtent, s->topExtent);
    }
  } else if (kind == "IMAGE") {
    if (const auto* s = StyleAt<ImageStyle>(styles, index)) {
      box.IncludeAround(anchor, s->leftExtent, s->rightExtent, s->bottomExtent, s->topExtent);
    }
  }
}

bool SceneRenderer::BackgroundShown(const WorldView& view) const {
  return background.enabled && view.zoom > 1.0f;
}

// The background lies behind everything else. An opaque picture at full
// opacity replaces the cleared window, so it needs neither blending nor the
// depth buffer nor smoothed edges, which a software renderer pays for per pixel.
void SceneRenderer::DrawBackground(const WorldView& view, const ImageTextures& textures) {
  if (!BackgroundShown(view)) return;
  BackgroundTiles(view.MinX(), view.MaxX(), background.width, tiles);
  const unsigned int texture = textures.Name(background.slot);
  const float bottom = background.offsetY;
  const float top = background.offsetY + background.height;
  glPushAttrib(GL_ENABLE_BIT);
  if (background.bands.opaque && imageOpacity >= 1.0f) {
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_POLYGON_SMOOTH);
  }
  for (const BackgroundTile& tile : tiles) DrawBackgroundTile(tile, texture, bottom, top);
  glPopAttrib();
}

// Row r of the picture (0 at the top) has its centre at top - (r + 1/2) h for
// rows h high. A band of uniform rows is a strip shaded between the centres of
// its knot rows, which is what linear filtering makes of it within a level; the rows between two
// such bands come from the texture, reaching from the centre of the row above them to the centre of
// the row below, so that the two kinds meet without a seam. The picture's outermost half rows keep
// the colour of their row.
void SceneRenderer::DrawBackgroundTile(const BackgroundTile& tile, unsigned int texture,
                                       float bottom, float top) const {
  const PictureBands& picture = background.bands;
  if (picture.rows <= 0) {
    DrawTexturedQuad(texture, imageOpacity, tile.x0, bottom, tile.x1, top);
    return;
  }
  const float rows = static_cast<float>(picture.rows);
  const float rowHeight = (top - bottom) / rows;
  const auto centre = [&](int row) { return top - (static_cast<float>(row) + 0.5f) * rowHeight; };
  for (const PictureBand& band : picture.bands) {
    const bool first = band.firstRow == 0;
    const bool last = band.lastRow == picture.rows - 1;
    if (!band.uniform) {
      const float y1 = first ? top : centre(band.firstRow - 1);
      const float y0 = last ? bottom : centre(band.lastRow + 1);
      const float vTop = first ? 0.0f : (static_cast<float>(band.firstRow) - 0.5f) / rows;
      const float vBottom = last ? 1.0f : (static_cast<float>(band.lastRow) + 1.5f) / rows;
      DrawTexturedQuad(texture, imageOpacity, tile.x0, y0, tile.x1, y1, vTop, vBottom);
      continue;
    }
    glBegin(GL_QUAD_STRIP);
    const auto edge = [&](const RowColour& c, float y) {
      glColor4f(c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, c[3] / 255.0f * imageOpacity);
      glVertex2f(tile.x0, y);
      glVertex2f(tile.x1, y);
    };
    if (first) edge(band.colours.front(), top);
    for (const int row : band.knots) {
      edge(band.colours[static_cast<std::size_t>(row - band.firstRow)], centre(row));
    }
    if (last) edge(band.colours.back(), bottom);
    glEnd();
  }
}

// A line of `width` pixels along a pixel row or column covers the same pixels as
// a quad of that width centred on it, which a software renderer fills at half
// the cost of a line.
void SceneRenderer::DrawGridLines(const std::vector<float>& positions, bool vertical, float from,
                                  float to, const Rgba& colour, float width, float zoom) const {
  const float half = 0.5f * width / zoom;
  glColor4fv(colour.data());
  glBegin(GL_QUADS);
  for (const float at : positions) {
    if (vertical) {
      glVertex2f(at - half, from);
      glVertex2f(at + half, from);
      glVertex2f(at + half, to);
      glVertex2f(at - half, to);
    } else {
      glVertex2f(from, at - half);
      glVertex2f(to, at - half);
      glVertex2f(to, at + half);
      glVertex2f(from, at + half);
    }
  }
  glEnd();
}

void SceneRenderer::DrawGrid(const WorldView& view, const OverlayFont& font,
                             const FontTextures& fontTextures,
                             const std::vector<PixelRect>& hudPanels) {
  const float xmin = view.MinX(), xmax = view.MaxX(), ymin = view.MinY(), ymax = view.MaxY();
  const GridSpacing spacing = GridSpacingFor(xmin, xmax);
  if (!(spacing.major > 0.0f)) return;
  const float x0 = GridOrigin(xmin, xmax, spacing.major);
  const float y0 = GridOrigin(ymin, ymax, spacing.major);

  // The lines run along the pixel rows and columns, where smoothed edges would
  // only blur them.
  glPushAttrib(GL_ENABLE_BIT);
  glDisable(GL_POLYGON_SMOOTH);
  GridPositions(x0, spacing.major, xmin, xmax, gridPositions);
  DrawGridLines(gridPositions, true, ymin, ymax, kMajorGridColour, 2.0f, view.zoom);
  GridPositions(y0, spacing.major, ymin, ymax, gridPositions);
  DrawGridLines(gridPositions, false, xmin, xmax, kMajorGridColour, 2.0f, view.zoom);
  if (spacing.minorLines) {
    GridPositions(x0, spacing.minor, xmin, xmax, gridPositions);
    DrawGridLines(gridPositions, true, ymin, ymax, kMinorGridColour, 1.0f, view.zoom);
    GridPositions(y0, spacing.minor, ymin, ymax, gridPositions);
    DrawGridLines(gridPositions, false, xmin, xmax, kMinorGridColour, 1.0f, view.zoom);
  }
  glPopAttrib();

  // Labels one unit nearer the viewer, in front of the lines.
  glPushMatrix();
  glTranslatef(0.0f, 0.0f, 1.0f);
  const float rowY = GridLabelRowY(view);
  GridPositions(x0, spacing.label, xmin, xmax, gridPositions);
  const auto label = [&](float value, float x, float y) {
    const std::string text = GridLabel(value);
    const int characters = static_cast<int>(text.size());
    if (Covered(GridLabelRect(view, x, y, characters, kGridLabelSize), hudPanels)) return;
    DrawWorldText(text, x, y, view.zoom, kGridLabelSize, kGridLabelColour, font, fontTextures);
  };
  for (const float x : gridPositions) label(x, x, rowY);
  const float columnX = GridLabelColumnX(view);
  GridPositions(y0, spacing.label, ymin, ymax, gridPositions);
  for (const float y : gridPositions) label(y, columnX, y);
  glPopMatrix();
}

void SceneRenderer::DrawLinks(const std::vector<float>& q, const std::vector<StyleLink>& links,
                              const StyleManager::StyleLists& styles,
                              const ImageTextures& textures) {
  for (const StyleLink& link : links) {
    if (!layers.Shows(link.componentKind)) continue;
    if (link.linkType == 1) {
      DrawAnchoredLink(link, q, styles, textures);
    } else if (link.linkType == 2) {
      DrawTwoEndedLink(link, q, styles);
    }
  }
}

void SceneRenderer::DrawCentrePoint(const Rgba& colour) const {
  if (centrePoints) DrawPoint(colour, centrePointSize);
}

// The style is drawn in the anchor's frame: displaced reference position, body
// rotation, then the offset; shapes with a rotation angle turn once more.
void SceneRenderer::DrawAnchoredLink(const StyleLink& link, const std::vector<float>& q,
                                     const StyleManager::StyleLists& styles,
                                     const ImageTextures& textures) {
  // Pictures that found no slot were left out when loading, with their line on
  // the console; without a texture they would show as blank squares.
  if (link.styleKind == "IMAGE" && !ImageHasSlot(link.styleIndex)) return;
  const AnchorFrame frame = AnchorFrameOf(link.refX1, link.refY1, link.offX1, link.offY1,
                                          link.dofX1, link.dofY1, link.dofR1, q);
  glPushMatrix();
  glTranslatef(frame.x, frame.y, 0.0f);
  glRotatef(frame.angleDegrees, 0.0f, 0.0f, 1.0f);
  glTranslatef(frame.offX, frame.offY, 0.0f);
  const std::string& kind = link.styleKind;
  const int index = link.styleIndex;
  if (kind == "POINT") {
    if (const auto* s = StyleAt<PointStyle>(styles, index)) DrawPoint(s->fillColor, s->pointsize);
  } else if (kind == "DISK") {
    if (const auto* s = StyleAt<DiskStyle>(styles, index)) {
      DrawDisk(s->fillColor, s->lineColor, s->radius, s->lineWidth, SectorAngle(s->subdivision));
      DrawCentrePoint(s->fillColor);
    }
  } else if (kind == "ELLIPSE") {
    if (const auto* s = StyleAt<EllipseStyle>(styles, index)) {
      glRotatef(s->rotationAngle, 0.0f, 0.0f, 1.0f);
      DrawEllipse(s->fillColor, s->lineColor, s->semiMajorAxis, s->semiMinorAxis, s->lineWidth,
                  SectorAngle(s->subdivision));
      DrawCentrePoint(s->fillColor);
    }
  } else if (kind == "RECTANGLE") {
    if (const auto* s = StyleAt<RectangleStyle>(styles, index)) {
      glRotatef(s->rotationAngle, 0.0f, 0.0f, 1.0f);
      DrawFramedRectangle(s->fillColor, s->lineColor, s->leftExtent, s->rightExtent, s->topExtent,
                          s->bottomExtent, s->lineWidth);
      DrawCentrePoint(s->fillColor);
    }
  } else if (kind == "IMAGE") {
    if (const auto* s = StyleAt<ImageStyle>(styles, index)) {
      glRotatef(s->rotationAngle, 0.0f, 0.0f, 1.0f);
      DrawTexturedQuad(ImageTextureOf(textures, index), imageOpacity, s->leftExtent,
                       s->bottomExtent, s->rightExtent, s->topExtent);
      DrawCentrePoint(kHighlightBlue);
    }
  }
  glPopMatrix();
  WidenSceneBox(sceneBox, link, styles);
}

void SceneRenderer::DrawTwoEndedLink(const StyleLink& link, const std::vector<float>& q,
                                     const StyleManager::StyleLists& styles) {
  const Vec2 p1 = LinkEndPoint(link.refX1, link.refY1, link.offX1, link.offY1, link.dofX1,
                               link.dofY1, link.dofR1, q);
  const Vec2 p2 = LinkEndPoint(link.refX2, link.refY2, link.offX2, link.offY2, link.dofX2,
                               link.dofY2, link.dofR2, q);
  const std::string& kind = link.styleKind;
  const int index = link.styleIndex;
  if (kind == "LINE") {
    if (const auto* s = StyleAt<LineStyle>(styles, index)) {
      DrawLine(s->lineColor, p1.x, p1.y, p2.x, p2.y, s->lineWidth);
    }
  } else if (kind == "SPRING") {
    if (const auto* s = StyleAt<SpringStyle>(styles, index)) {
      SpringVertices(p1, p2, s->width, s->subdivision, springVertices);
      BeginStroke(s->lineColor, s->lineWidth);
      Emit(GL_LINE_STRIP, springVertices.data(), springVertices.size());
      EndStroke();
    }
  } else if (kind == "DAMPER") {
    if (const auto* s = StyleAt<DamperStyle>(styles, index)) {
      const DamperLines d = DamperLinesOf(p1, p2, s->width, s->endLength);
      BeginStroke(s->lineColor, s->lineWidth);
      Emit(GL_LINES, d.firstRod);
      Emit(GL_LINES, d.secondRod);
      Emit(GL_LINES, d.pistonPlate);
      Emit(GL_LINE_STRIP, d.cylinder);
      EndStroke();
    }
  } else if (kind == "ARROW") {
    if (const auto* s = StyleAt<ArrowStyle>(styles, index)) {
      BeginStroke(s->lineColor, s->lineWidth);
      if (s->filled) {
        const FilledArrow a = FilledArrowOf(p1, p2, s->width, s->endLength);
        Emit(GL_QUADS, a.firstDart);
        Emit(GL_QUADS, a.secondDart);
        Emit(GL_LINE_STRIP, a.outline);
      } else {
        const LineArrow a = LineArrowOf(p1, p2, s->width, s->endLength);
        Emit(GL_LINES, a.shaft);
        Emit(GL_LINE_STRIP, a.firstHead);
        Emit(GL_LINE_STRIP, a.secondHead);
      }
      EndStroke();
    }
  }
}
