#include "display/SceneGeometry.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

Vec2 operator+(Vec2 a, Vec2 b) {
  return {a.x + b.x, a.y + b.y};
}
Vec2 operator-(Vec2 a, Vec2 b) {
  return {a.x - b.x, a.y - b.y};
}
Vec2 operator*(float s, Vec2 a) {
  return {s * a.x, s * a.y};
}

Vec2 Rotated(Vec2 v, float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  return {c * v.x - s * v.y, s * v.x + c * v.y};
}

BackgroundTile TileAt(float left, float tileWidth, int k) {
  const bool mirrored = k % 2 == 0;
  if (mirrored) return {left + tileWidth, left, true};
  return {left, left + tileWidth, false};
}

}  // namespace

float DofValue(const std::vector<float>& q, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= q.size()) return 0.0f;
  return q[static_cast<std::size_t>(index)];
}

// Turning the offset by the body's rotation keeps its length; the end then rides
// on the translated reference position.
Vec2 LinkEndPoint(float refX, float refY, float offX, float offY, int dofX, int dofY, int dofR,
                  const std::vector<float>& q) {
  const Vec2 reference{refX + DofValue(q, dofX), refY + DofValue(q, dofY)};
  return reference + Rotated({offX, offY}, DofValue(q, dofR));
}

Vec2 AnchorFrame::ToWorld(Vec2 local) const {
  const float angle = angleDegrees * std::numbers::pi_v<float> / 180.0f;
  return Vec2{x, y} + Rotated(Vec2{offX, offY} + local, angle);
}

AnchorFrame AnchorFrameOf(float refX, float refY, float offX, float offY, int dofX, int dofY,
                          int dofR, const std::vector<float>& q) {
  AnchorFrame frame;
  frame.x = refX + DofValue(q, dofX);
  frame.y = refY + DofValue(q, dofY);
  frame.angleDegrees = DofValue(q, dofR) * 180.0f / std::numbers::pi_v<float>;
  frame.offX = offX;
  frame.offY = offY;
  return frame;
}

void BoundingBox::Include(float x, float y) {
  minX = std::fmin(minX, x);
  maxX = std::fmax(maxX, x);
  minY = std::fmin(minY, y);
  maxY = std::fmax(maxY, y);
}

void BoundingBox::IncludeAround(Vec2 centre, float left, float right, float bottom, float top) {
  Include(centre.x + left, centre.y + bottom);
  Include(centre.x + right, centre.y + top);
}

LinkAxis LinkAxisOf(Vec2 p1, Vec2 p2, float width) {
  const Vec2 d = p2 - p1;
  const float length = std::hypot(d.x, d.y);
  if (length == 0.0f) return {};
  const Vec2 u = (1.0f / length) * d;
  return {u, (width * 0.5f) * Vec2{u.y, -u.x}};
}

// Vertex i sits at the fraction i / n of the way, the fraction summed up in steps
// of 1 / n. The first two and the last two vertices stay on the axis so that the
// spring leaves its end points straight.
void SpringVertices(Vec2 p1, Vec2 p2, float width, int segments, std::vector<Vec2>& out) {
  out.clear();
  out.push_back(p1);
  if (segments < 1) return;
  const Vec2 p = LinkAxisOf(p1, p2, width).p;
  const Vec2 d = p2 - p1;
  const float step = 1.0f / static_cast<float>(segments);
  float fraction = step;
  for (int i = 1; i <= segments; ++i, fraction += step) {
    Vec2 v = p1 + fraction * d;
    if (1 < i && i < segments - 1) v = i % 2 == 0 ? v + p : v - p;
    out.push_back(v);
  }
}

// The rod of end 1 carries the cylinder (P1 + L u .. P2 - L u); the rod of end 2
// reaches L into it and ends in the piston plate.
DamperLines DamperLinesOf(Vec2 p1, Vec2 p2, float width, float rodLength) {
  const auto [u, p] = LinkAxisOf(p1, p2, width);
  const Vec2 lu = rodLength * u;
  const Vec2 piston = p2 - 2.0f * lu;
  const Vec2 cylinderStart = p1 + lu;
  const Vec2 cylinderEnd = p2 - lu;
  DamperLines lines;
  lines.firstRod = {p1, cylinderStart};
  lines.secondRod = {p2, piston};
  lines.pistonPlate = {piston + p, piston - p};
  lines.cylinder = {cylinderEnd + p, cylinderStart + p, cylinderStart - p, cylinderEnd - p};
  return lines;
}

LineArrow LineArrowOf(Vec2 p1, Vec2 p2, float width, float headLength) {
  const auto [u, p] = LinkAxisOf(p1, p2, width);
  const Vec2 base1 = p1 + headLength * u;
  const Vec2 base2 = p2 - headLength * u;
  LineArrow arrow;
  arrow.shaft = {p1, p2};
  arrow.firstHead = {base1 + p, p1, base1 - p};
  arrow.secondHead = {base2 + p, p2, base2 - p};
  return arrow;
}

// Each dart runs from a notch at 0.75 of the head length over one barb, the tip
// and the other barb; the outline joins both darts through their notches.
FilledArrow FilledArrowOf(Vec2 p1, Vec2 p2, float width, float headLength) {
  const auto [u, p] = LinkAxisOf(p1, p2, width);
  const Vec2 base1 = p1 + headLength * u;
  const Vec2 base2 = p2 - headLength * u;
  const Vec2 notch1 = p1 + (0.75f * headLength) * u;
  const Vec2 notch2 = p2 - (0.75f * headLength) * u;
  FilledArrow arrow;
  arrow.firstDart = {notch1, base1 + p, p1, base1 - p};
  arrow.secondDart = {notch2, base2 + p, p2, base2 - p};
  arrow.outline = {notch1, base1 + p, p1, base1 - p, notch1,
                   notch2, base2 + p, p2, base2 - p, notch2};
  return arrow;
}

// The tiles' left edges lie at T (j + 1/2) for whole j, and the tile from g is
// mirrored with g = T (2 m + 1/2); so a tile's mirroring follows from its world
// position alone and does not flip while the view moves.
void BackgroundTiles(float xmin, float xmax, float tileWidth, std::vector<BackgroundTile>& out) {
  out.clear();
  if (!(tileWidth > 0.0f) || !std::isfinite(xmin) || !std::isfinite(xmax)) return;
  const float t = tileWidth;
  const float g = t * (2.0f * std::trunc(((xmin + xmax) / 2.0f) * 0.5f / t)) + t * 0.5f;
  for (int k = 0; g + static_cast<float>(k) * t > xmin - t; --k) {
    out.push_back(TileAt(g + static_cast<float>(k) * t, t, k));
  }
  for (int k = 1; g + static_cast<float>(k) * t < xmax; ++k) {
    out.push_back(TileAt(g + static_cast<float>(k) * t, t, k));
  }
}

GridSpacing GridSpacingFor(float visibleMin, float visibleMax) {
  GridSpacing spacing;
  const float visible = visibleMax - visibleMin;
  if (!(visible > 0.0f) || !std::isfinite(visible)) return spacing;
  spacing.major = std::pow(10.0f, std::floor(std::log10(visible)));
  spacing.ratio = visible / spacing.major;
  spacing.minorLines = spacing.ratio < 3.5f;
  spacing.minor = spacing.major / 10.0f;
  spacing.label = spacing.minorLines ? spacing.major / 2.0f : spacing.major;
  return spacing;
}

float GridOrigin(float lo, float hi, float step) {
  return step * std::floor(((lo + hi) / 2.0f) / step);
}

// Each position is origin + k step, not a running sum, so that far lines do not drift.
void GridPositions(float origin, float step, float lo, float hi, std::vector<float>& out) {
  out.clear();
  if (!(step > 0.0f)) return;
  for (int k = 0; origin + static_cast<float>(k) * step > lo; --k) {
    out.push_back(origin + static_cast<float>(k) * step);
  }
  for (int k = 1; origin + static_cast<float>(k) * step < hi; ++k) {
    out.push_back(origin + static_cast<float>(k) * step);
  }
}

float GridLabelRowY(const WorldView& view) {
  return view.centreY - (view.height - 20.0f) / (2.0f * view.zoom);
}

float GridLabelColumnX(const WorldView& view) {
  return view.centreX + (view.width - 130.0f) / (2.0f * view.zoom);
}

std::string GridLabel(float value) {
  char text[48];
  std::snprintf(text, sizeof text, "%6.3f", static_cast<double>(value));
  return text;
}
