#pragma once

// Pictures as OpenGL textures: the IMAGE objects of the style file, the tiled
// background and the bitmap font. DevIL reads and converts every picture to
// 8-bit RGBA; pictures larger than the device accepts are scaled down with ILU.

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "display/PictureBands.h"
#include "visual/StyleRecords.h"

inline constexpr int kImageSlotCount = 100;
// One slot stays free for the background, which follows the last IMAGE object.
inline constexpr int kMaxImageObjects = kImageSlotCount - 1;
inline constexpr int kFontSlotCount = 10;

// OpenGL texture names by slot. A slot outside the table has texture 0, which
// draws without a picture.
template <int kSlots>
struct TextureSlots {
  std::array<unsigned int, kSlots> names{};

  unsigned int Name(int slot) const { return slot >= 0 && slot < kSlots ? names[slot] : 0u; }
};

using ImageTextures = TextureSlots<kImageSlotCount>;
using FontTextures = TextureSlots<kFontSlotCount>;

// The tiled background picture and where its tiles stand in the world.
struct BackgroundRecord {
  std::string fileName = "textures/wall2.png";
  bool enabled = false;
  float width = 54.613335f;     // world units per tile
  float height = 26.493334f;    // world units
  float offsetY = -7.4666667f;  // lower edge of the tiles
  int slot = -1;                // image slot, set when the textures are loaded
  PictureBands bands;           // of the loaded picture; none when it failed to load
};

// The size a picture of width x height gets on a device whose largest texture
// edge is maxEdge: both sides shrink by the same factor until neither exceeds it.
struct TextureFit {
  bool resize = false;
  int width = 0;
  int height = 0;
};
TextureFit FitToTextureLimit(int width, int height, int maxEdge);

// Starts the image library; once per process, before any picture is loaded.
void StartImageLibrary();

// DevIL part, no OpenGL needed. Loads `file` into the bound image and converts it
// to RGBA bytes, printing the loading, converting or success line; true on success.
// A file that is no regular PNG, JPEG or BMP file within the limits of
// display/PictureFile.h is refused with the loading line, unread.
bool LoadPicture(const std::string& file, std::ostream& console);

// Scales the bound image down to the device limit when it exceeds it, with the
// resize lines. A failed scaling is silent and leaves the image as it is.
void ApplyTextureLimit(const std::string& file, int maxEdge, std::ostream& console);

// The picture files of the IMAGE styles, in list order: slot i is the i-th style's.
std::vector<std::string> ImageFilePaths(const std::vector<ImageStyle>& images);

// Needs a current OpenGL context. Loads the pictures of the IMAGE objects into
// slots 0, 1, ... in list order and, when enabled, the background into the slot
// after them. IMAGE objects beyond kMaxImageObjects get no slot and a console line.
void LoadImageTextures(const std::vector<std::string>& imageFiles, BackgroundRecord& background,
                       ImageTextures& textures, std::ostream& console);

// Needs a current OpenGL context. Loads the font picture into font slot `slot`.
void LoadFontTextures(const std::string& fontFile, int slot, FontTextures& textures,
                      std::ostream& console);
