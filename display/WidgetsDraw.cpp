#include <GL/gl.h>

#include "display/DrawRoutines.h"
#include "display/Widgets.h"

namespace {

// The knob: a disk of the track's half thickness, outlined in the line colour
// while it is held, and a small inner disk.
void DrawKnob(const Slider& s, float radius) {
  DrawDisk(s.fillColor, s.active ? s.lineColor : s.fillColor, radius, 1.0f);
  DrawDisk(s.fillColor, s.lineColor, radius / 3.0f, 1.0f);
}

}  // namespace

void Slider::Draw() const {
  const float r = (horizontal ? height : width) * 0.5f;
  glPushMatrix();
  if (horizontal) {
    DrawLine(lineColor, x, y + r, x + width, y + r, 2.0f);
    glTranslatef(knobX, y + r, 0.0f);
  } else {
    DrawLine(lineColor, x + r, y, x + r, y + height, 2.0f);
    glTranslatef(x + r, knobY, 0.0f);
  }
  DrawKnob(*this, r);
  glPopMatrix();
}

void Button::Draw() const {
  DrawFramedRectangle(fillColor, borderColor, x, x + width, y, y + height, borderWidth);
  if (pressed) {
    DrawFramedRectangle(kHighlightBlueTranslucent, kHighlightBlueTranslucent, x, x + width, y,
                        y + height, borderWidth);
  }
  if (label == nullptr || label->empty() || font == nullptr || fontTextures == nullptr) return;
  DrawText(*label, LabelX(), LabelY(), textSize, kWhite, *font, *fontTextures);
}
