#pragma once

// What a picture file must be before the image library decodes it. Decoding
// takes four bytes a pixel whatever the file's size, so a small file that
// claims 40000 x 40000 pixels would ask for gigabytes and overrun the library's
// own size arithmetic; a pipe or a device named as a picture would hold the
// start-up forever. The size is therefore read from the file's header first,
// and the picture is decoded only when it is a regular file of a known format
// within the limits.

#include <istream>
#include <string>

// Largest pictures: a side (the most a JPEG can hold), and the whole (256 MB
// once converted to RGBA). A picture beyond the device's texture size is still
// loaded, and scaled down to it.
inline constexpr long long kMostPictureEdge = 65535;
inline constexpr long long kMostPicturePixels = 8192LL * 8192;

enum class PictureFormat { Unknown, Png, Jpeg, Bmp };

struct PictureSize {
  PictureFormat format = PictureFormat::Unknown;
  long long width = 0;
  long long height = 0;
};

// The format and size that the header at the start of `in` gives; Unknown when
// it is no PNG, JPEG or BMP header or is cut short.
PictureSize ReadPictureHeader(std::istream& in);

// Whether `file` is a regular file whose header gives a PNG, JPEG or BMP
// picture of at least one and at most the limits' pixels; `size` holds what
// the header gives.
bool PictureFileFits(const std::string& file, PictureSize& size);
