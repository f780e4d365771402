#pragma once

// Immediate-mode drawing routines shared by the overlay controls and the scene
// renderer. Each one leaves the line width at 1.

#include <numbers>

#include "display/Colours.h"

inline constexpr float kDiskAngleStep = std::numbers::pi_v<float> / 8.0f;

// Number of rim points of a disk drawn at angles 0, step, 2 step, ... below a full
// turn; 0 when the step is not a positive finite angle. An angle within a
// millionth of a radian of the full turn is the closing point, not a new one.
int DiskSectorCount(float angleStep);

// A quad through (left, top), (right, top), (right, bottom), (left, bottom) in
// `fill`, then its closed outline in `outline`.
void DrawFramedRectangle(const Rgba& fill, const Rgba& outline, float left, float right, float top,
                         float bottom, float lineWidth);

// A point of `size` pixels at the origin.
void DrawPoint(const Rgba& colour, float size);

void DrawLine(const Rgba& colour, float x1, float y1, float x2, float y2, float width);

// A disk of `radius` about the origin: filled, then its rim outlined.
void DrawDisk(const Rgba& fill, const Rgba& outline, float radius, float lineWidth,
              float angleStep = kDiskAngleStep);

// The disk routine with the rim points (a cos t, b sin t).
void DrawEllipse(const Rgba& fill, const Rgba& outline, float a, float b, float lineWidth,
                 float angleStep);

// A quad from (x0, y0) to (x1, y1) showing the whole texture, picture top at y1,
// at `opacity`; pixels with alpha at or below the alpha-test threshold are dropped.
// With `vTop` and `vBottom` it shows only the rows between those texture
// coordinates (0 is the picture's top edge, 1 its bottom edge).
void DrawTexturedQuad(unsigned int texture, float opacity, float x0, float y0, float x1, float y1,
                      float vTop = 0.0f, float vBottom = 1.0f);
