#pragma once

#include <GL/gl.h>

#include <array>
#include <vector>

inline constexpr int kGlTestWidth = 400;
inline constexpr int kGlTestHeight = 300;

// The RGB bytes of the back buffer, bottom row first.
class Framebuffer {
 public:
  Framebuffer() : pixels(static_cast<size_t>(kGlTestWidth) * kGlTestHeight * 3) {
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kGlTestWidth, kGlTestHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  }
  // The pixel in column x, row y counted from the bottom.
  std::array<int, 3> At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * kGlTestWidth + x) * 3;
    return {pixels[i], pixels[i + 1], pixels[i + 2]};
  }

 private:
  std::vector<unsigned char> pixels;
};
