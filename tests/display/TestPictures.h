#pragma once

// Pictures for the texture tests, written with the image library itself.

#include <IL/il.h>

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "display/Textures.h"

// A fresh image-library image, bound for the life of the object.
class BoundImage {
 public:
  BoundImage() {
    static const bool started = (StartImageLibrary(), true);
    (void)started;
    ilGenImages(1, &name);
    ilBindImage(name);
  }
  ~BoundImage() { ilDeleteImages(1, &name); }
  BoundImage(const BoundImage&) = delete;
  BoundImage& operator=(const BoundImage&) = delete;

 private:
  ILuint name = 0;
};

// Writes a PNG of width x height whose upper half is `top` and lower half `bottom`
// (RGB bytes each); true on success.
inline bool WritePng(const std::string& file, int width, int height,
                     const std::vector<unsigned char>& top = {200, 200, 200},
                     const std::vector<unsigned char>& bottom = {200, 200, 200}) {
  BoundImage image;
  std::vector<unsigned char> pixels;
  pixels.reserve(static_cast<std::size_t>(width) * height * 3);
  // The image library stores the top row first.
  for (int row = 0; row < height; ++row) {
    const std::vector<unsigned char>& colour = row < height / 2 ? top : bottom;
    for (int column = 0; column < width; ++column) {
      pixels.insert(pixels.end(), colour.begin(), colour.end());
    }
  }
  if (!ilTexImage(width, height, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, pixels.data())) return false;
  ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
  return ilSave(IL_PNG, file.c_str());
}

// Writes a PNG of width x height whose pixel (x, y), y counted from the top row,
// has the RGB colour `colourAt(x, y)`; true on success.
inline bool WritePng(const std::string& file, int width, int height,
                     const std::function<std::array<unsigned char, 3>(int, int)>& colourAt) {
  BoundImage image;
  std::vector<unsigned char> pixels;
  pixels.reserve(static_cast<std::size_t>(width) * height * 3);
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const std::array<unsigned char, 3> colour = colourAt(column, row);
      pixels.insert(pixels.end(), colour.begin(), colour.end());
    }
  }
  if (!ilTexImage(width, height, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, pixels.data())) return false;
  ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
  return ilSave(IL_PNG, file.c_str());
}
