#pragma once

// The geometry of the scene in world units (y up), free of OpenGL so that it can
// be checked directly: where the ends of a link stand after deformation, the
// vertices of springs, dampers and arrows, the background tiles and the grid.

#include <array>
#include <string>
#include <vector>

struct Vec2 {
  float x = 0.0f;
  float y = 0.0f;
};

// q[index] of the drawing state, or 0 for index -1 (no such freedom) and for an
// index beyond q.
float DofValue(const std::vector<float>& q, int index);

// Where a link end stands: the reference position moved by its body's
// translation, plus the offset turned by the body's rotation.
Vec2 LinkEndPoint(float refX, float refY, float offX, float offY, int dofX, int dofY, int dofR,
                  const std::vector<float>& q);

// The transform chain of a link drawn around one anchor: translate to the
// displaced reference position, rotate by the body's rotation, translate by the offset.
struct AnchorFrame {
  float x = 0.0f;
  float y = 0.0f;
  float angleDegrees = 0.0f;
  float offX = 0.0f;
  float offY = 0.0f;

  // World position of the point `local` given in the anchor's frame.
  Vec2 ToWorld(Vec2 local) const;
};
AnchorFrame AnchorFrameOf(float refX, float refY, float offX, float offY, int dofX, int dofY,
                          int dofR, const std::vector<float>& q);

// Extent of the scene; starts as the single point (0, 0) and only grows.
struct BoundingBox {
  float minX = 0.0f;
  float maxX = 0.0f;
  float minY = 0.0f;
  float maxY = 0.0f;

  void Include(float x, float y);
  // Includes the corners centre + (left, bottom) and centre + (right, top).
  void IncludeAround(Vec2 centre, float left, float right, float bottom, float top);
};

// Unit direction from p1 to p2 and the half-width step across it, p = (w / 2)(u.y, -u.x).
// Coinciding ends give zero vectors, so the shape collapses to the point.
struct LinkAxis {
  Vec2 u;
  Vec2 p;
};
LinkAxis LinkAxisOf(Vec2 p1, Vec2 p2, float width);

// Zig-zag of `segments` segments: segments + 1 vertices, the inner ones (all but
// the first two and the last two) alternately shifted across by +p (even) and -p (odd).
void SpringVertices(Vec2 p1, Vec2 p2, float width, int segments, std::vector<Vec2>& out);

struct DamperLines {
  std::array<Vec2, 2> firstRod;
  std::array<Vec2, 2> secondRod;
  std::array<Vec2, 2> pistonPlate;
  std::array<Vec2, 4> cylinder;  // open line strip
};
DamperLines DamperLinesOf(Vec2 p1, Vec2 p2, float width, float rodLength);

// A double-headed line arrow; both heads point outwards.
struct LineArrow {
  std::array<Vec2, 2> shaft;
  std::array<Vec2, 3> firstHead;
  std::array<Vec2, 3> secondHead;
};
LineArrow LineArrowOf(Vec2 p1, Vec2 p2, float width, float headLength);

// A double-headed arrow with filled dart heads and one outline strip.
struct FilledArrow {
  std::array<Vec2, 4> firstDart;
  std::array<Vec2, 4> secondDart;
  std::array<Vec2, 10> outline;
};
FilledArrow FilledArrowOf(Vec2 p1, Vec2 p2, float width, float headLength);

// The world rectangle the window shows around its centre at `zoom` pixels per unit.
struct WorldView {
  float centreX = 0.0f;
  float centreY = 0.0f;
  float zoom = 1.0f;
  float width = 1.0f;   // window pixels
  float height = 1.0f;  // window pixels

  float MinX() const { return centreX - width / (2.0f * zoom); }
  float MaxX() const { return centreX + width / (2.0f * zoom); }
  float MinY() const { return centreY - height / (2.0f * zoom); }
  float MaxY() const { return centreY + height / (2.0f * zoom); }
};

// One background tile: the picture spans x0 .. x1, so x0 > x1 shows it mirrored.
struct BackgroundTile {
  float x0 = 0.0f;
  float x1 = 0.0f;
  bool mirrored = false;
};
// Tiles of width `tileWidth` covering [xmin, xmax]; every other tile is mirrored
// so that neighbours meet at the same picture edge.
void BackgroundTiles(float xmin, float xmax, float tileWidth, std::vector<BackgroundTile>& out);

// Spacing of the grid for a visible width: major lines every power of ten that
// fits, minor lines every tenth of it when fewer than 3.5 majors are visible.
struct GridSpacing {
  float major = 0.0f;
  float ratio = 0.0f;  // visible width / major
  bool minorLines = false;
  float minor = 0.0f;
  float label = 0.0f;  // distance between labels
};
GridSpacing GridSpacingFor(float visibleMin, float visibleMax);

// step * floor(centre / step) for the centre of [lo, hi]: the line the others are counted from.
float GridOrigin(float lo, float hi, float step);

// Positions origin, origin - step, ... while above lo, then origin + step, ... while below hi.
void GridPositions(float origin, float step, float lo, float hi, std::vector<float>& out);

// Where the grid labels stand: x labels along a row near the bottom of the view,
// y labels along a column near its right edge.
float GridLabelRowY(const WorldView& view);
float GridLabelColumnX(const WorldView& view);

// A grid coordinate as printed on its label ("%6.3f").
std::string GridLabel(float value);
