#pragma once

// Draws the deforming model in world units (y up): the tiled background, the
// adaptive grid with its labels, and every style link of the StyleManager with
// its style record, moved by the drawing state q (the displacements of the
// model's freedoms, then one rotation per axle, all times the deformation scale).

#include <string>
#include <vector>

#include "display/OverlayFont.h"
#include "display/SceneGeometry.h"
#include "display/Textures.h"
#include "display/Widgets.h"
#include "visual/StyleManager.h"

// Which component kinds are shown, one switch per menu entry. Wheels carry
// "BODY" and go with the bodies; any other kind is never shown.
struct LayerVisibility {
  bool bodies = true;
  bool nodes = true;
  bool forces = true;  // springs and dampers
  bool extForces = true;
  bool outDisps = true;

  bool Shows(const std::string& componentKind) const;
};

// The texture of an IMAGE style: its slot is its position in the IMAGE list.
// Positions beyond the table's IMAGE part have no picture (texture 0).
unsigned int ImageTextureOf(const ImageTextures& textures, int styleIndex);
// Whether an IMAGE style at this position of the list got a slot, and so a picture.
bool ImageHasSlot(int styleIndex);

// Where a grid label of `characters` characters at the world point (x, y)
// stands in window pixels (y down), drawn `size` pixels high.
PixelRect GridLabelRect(const WorldView& view, float x, float y, int characters, float size);
// True when `rect` meets any of `panels`.
bool Covered(const PixelRect& rect, const std::vector<PixelRect>& panels);

// Widens `box` by the undeformed extent of a one-anchor link around its anchor
// point (reference + offset): the radius of a disk, the semi-axes of an
// ellipse, the extents of a rectangle or image, the point itself for a point.
// Links of two ends, and links whose style index is outside its list, leave it.
void WidenSceneBox(BoundingBox& box, const StyleLink& link, const StyleManager::StyleLists& styles);

class SceneRenderer {
 public:
  LayerVisibility layers;
  bool centrePoints = true;
  float centrePointSize = 4.0f;
  float imageOpacity = 1.0f;  // of images and background, in [0, 1]
  BoundingBox sceneBox;       // extent of the drawn anchors; grows, never resets
  bool grid = true;
  BackgroundRecord background;  // `enabled` is the background switch

  // Whether the background tiles are drawn in this view: enabled and zoomed in beyond 1.
  bool BackgroundShown(const WorldView& view) const;

  // The three layers, to be drawn in this order inside the world projection.
  void DrawBackground(const WorldView& view, const ImageTextures& textures);
  // Grid labels that would stand under one of `hudPanels` (window pixels) are left out.
  void DrawGrid(const WorldView& view, const OverlayFont& font, const FontTextures& fontTextures,
                const std::vector<PixelRect>& hudPanels = {});
  void DrawLinks(const std::vector<float>& q, const std::vector<StyleLink>& links,
                 const StyleManager::StyleLists& styles, const ImageTextures& textures);

 private:
  void DrawAnchoredLink(const StyleLink& link, const std::vector<float>& q,
                        const StyleManager::StyleLists& styles, const ImageTextures& textures);
  void DrawTwoEndedLink(const StyleLink& link, const std::vector<float>& q,
                        const StyleManager::StyleLists& styles);
  void DrawCentrePoint(const Rgba& colour) const;
  void DrawBackgroundTile(const BackgroundTile& tile, unsigned int texture, float bottom,
                          float top) const;
  // Lines `width` pixels wide at `zoom` pixels per world unit.
  void DrawGridLines(const std::vector<float>& positions, bool vertical, float from, float to,
                     const Rgba& colour, float width, float zoom) const;

  // Scratch space reused from frame to frame.
  std::vector<Vec2> springVertices;
  std::vector<BackgroundTile> tiles;
  std::vector<float> gridPositions;
};
