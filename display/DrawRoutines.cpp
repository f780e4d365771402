#include "display/DrawRoutines.h"

#include <GL/gl.h>

#include <cmath>

namespace {

void SetColour(const Rgba& c) {
  glColor4fv(c.data());
}

}  // namespace

int DiskSectorCount(float angleStep) {
  if (!(angleStep > 0.0f) || !std::isfinite(angleStep)) return 0;
  const double turns = 2.0 * std::numbers::pi / static_cast<double>(angleStep);
  return static_cast<int>(std::ceil(turns - 1e-6 / static_cast<double>(angleStep)));
}

void DrawFramedRectangle(const Rgba& fill, const Rgba& outline, float left, float right, float top,
                         float bottom, float lineWidth) {
  SetColour(fill);
  glBegin(GL_QUADS);
  glVertex2f(left, top);
  glVertex2f(right, top);
  glVertex2f(right, bottom);
  glVertex2f(left, bottom);
  glEnd();
  SetColour(outline);
  glLineWidth(lineWidth);
  glBegin(GL_LINE_STRIP);
  glVertex2f(left, top);
  glVertex2f(right, top);
  glVertex2f(right, bottom);
  glVertex2f(left, bottom);
  glVertex2f(left, top);
  glEnd();
  glLineWidth(1.0f);
}

void DrawPoint(const Rgba& colour, float size) {
  SetColour(colour);
  glPointSize(size);
  glBegin(GL_POINTS);
  glVertex2f(0.0f, 0.0f);
  glEnd();
  glPointSize(1.0f);
}

void DrawLine(const Rgba& colour, float x1, float y1, float x2, float y2, float width) {
  SetColour(colour);
  glLineWidth(width);
  glBegin(GL_LINES);
  glVertex2f(x1, y1);
  glVertex2f(x2, y2);
  glEnd();
  glLineWidth(1.0f);
}

void DrawDisk(const Rgba& fill, const Rgba& outline, float radius, float lineWidth,
              float angleStep) {
  DrawEllipse(fill, outline, radius, radius, lineWidth, angleStep);
}

// The fill is a triangle strip alternating rim point and centre, so every pair of
// neighbouring rim points closes a sector with the centre.
void DrawEllipse(const Rgba& fill, const Rgba& outline, float a, float b, float lineWidth,
                 float angleStep) {
  const int sectors = DiskSectorCount(angleStep);
  if (sectors == 0) return;
  SetColour(fill);
  glBegin(GL_TRIANGLE_STRIP);
  for (int k = 0; k < sectors; ++k) {
    const float angle = static_cast<float>(k) * angleStep;
    glVertex2f(a * std::cos(angle), b * std::sin(angle));
    glVertex2f(0.0f, 0.0f);
  }
  glVertex2f(a, 0.0f);
  glEnd();
  SetColour(outline);
  glLineWidth(lineWidth);
  glBegin(GL_LINE_STRIP);
  for (int k = 0; k < sectors; ++k) {
    const float angle = static_cast<float>(k) * angleStep;
    glVertex2f(a * std::cos(angle), b * std::sin(angle));
  }
  glVertex2f(a, 0.0f);
  glEnd();
  glLineWidth(1.0f);
}

void DrawTexturedQuad(unsigned int texture, float opacity, float x0, float y0, float x1, float y1,
                      float vTop, float vBottom) {
  glEnable(GL_ALPHA_TEST);
  glEnable(GL_TEXTURE_2D);
  glColor4f(1.0f, 1.0f, 1.0f, opacity);
  glBindTexture(GL_TEXTURE_2D, texture);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, vBottom);
  glVertex2f(x0, y0);
  glTexCoord2f(0.0f, vTop);
  glVertex2f(x0, y1);
  glTexCoord2f(1.0f, vTop);
  glVertex2f(x1, y1);
  glTexCoord2f(1.0f, vBottom);
  glVertex2f(x1, y0);
  glEnd();
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_ALPHA_TEST);
}
