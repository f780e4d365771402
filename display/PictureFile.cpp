#include "display/PictureFile.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>

namespace {

// `count` bytes of `in` as an unsigned number, most significant first or last.
bool ReadUnsigned(std::istream& in, int count, bool bigEndian, std::uint32_t& value) {
  std::array<unsigned char, 4> bytes{};
  if (!in.read(reinterpret_cast<char*>(bytes.data()), count)) return false;
  value = 0;
  for (int i = 0; i < count; ++i) {
    const int at = bigEndian ? i : count - 1 - i;
    value = (value << 8) | bytes[static_cast<std::size_t>(at)];
  }
  return true;
}

// Width and height stand in the IHDR chunk, which must come first.
PictureSize PngSize(std::istream& in) {
  std::uint32_t length = 0;
  std::uint32_t type = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  if (!ReadUnsigned(in, 4, true, length) || !ReadUnsigned(in, 4, true, type) ||
      type != 0x49484452 || !ReadUnsigned(in, 4, true, width) ||
      !ReadUnsigned(in, 4, true, height)) {
    return {};
  }
  return {PictureFormat::Png, width, height};
}

// The segments before the frame header are skipped by their lengths; markers
// may be padded with any number of 0xFF bytes.
PictureSize JpegSize(std::istream& in) {
  while (true) {
    int marker = in.get();
    if (marker != 0xFF) return {};
    while (marker == 0xFF) marker = in.get();
    if (marker == std::char_traits<char>::eof()) return {};
    // Markers that stand alone, without a length.
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;
    std::uint32_t length = 0;
    if (!ReadUnsigned(in, 2, true, length) || length < 2) return {};
    // Start of frame: every SOFn but DHT (C4), JPG (C8) and DAC (CC).
    const bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      std::uint32_t height = 0;
      std::uint32_t width = 0;
      if (in.get() == std::char_traits<char>::eof() || !ReadUnsigned(in, 2, true, height) ||
          !ReadUnsigned(in, 2, true, width)) {
        return {};
      }
      return {PictureFormat::Jpeg, width, height};
    }
    if (!in.seekg(length - 2, std::ios::cur)) return {};
  }
}

// The file header, then the DIB header: 16-bit sizes in the old 12-byte core
// header, signed 32-bit ones (a negative height: rows top down) in all others.
PictureSize BmpSize(std::istream& in) {
  std::uint32_t headerSize = 0;
  if (!in.seekg(14) || !ReadUnsigned(in, 4, false, headerSize)) return {};
  const int bytes = headerSize == 12 ? 2 : 4;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  if (!ReadUnsigned(in, bytes, false, width) || !ReadUnsigned(in, bytes, false, height)) return {};
  if (bytes == 2) return {PictureFormat::Bmp, width, height};
  const auto magnitude = [](std::uint32_t value) {
    const auto signedValue = static_cast<std::int32_t>(value);
    return signedValue < 0 ? -static_cast<long long>(signedValue) : signedValue;
  };
  return {PictureFormat::Bmp, magnitude(width), magnitude(height)};
}

}  // namespace

PictureSize ReadPictureHeader(std::istream& in) {
  std::array<unsigned char, 8> start{};
  if (!in.read(reinterpret_cast<char*>(start.data()), 2)) return {};
  if (start[0] == 0xFF && start[1] == 0xD8) return JpegSize(in);
  if (start[0] == 'B' && start[1] == 'M') return BmpSize(in);
  static constexpr std::array<unsigned char, 8> kPng = {0x89, 'P',  'N',  'G',
                                                        '\r', '\n', 0x1A, '\n'};
  if (!in.read(reinterpret_cast<char*>(start.data()) + 2, 6) || start != kPng) return {};
  return PngSize(in);
}

bool PictureFileFits(const std::string& file, PictureSize& size) {
  size = PictureSize();
  std::error_code error;
  // Checked before opening: opening a pipe waits for a writer.
  if (!std::filesystem::is_regular_file(file, error)) return false;
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  size = ReadPictureHeader(in);
  return size.format != PictureFormat::Unknown && size.width >= 1 && size.height >= 1 &&
         size.width <= kMostPictureEdge && size.height <= kMostPictureEdge &&
         size.width * size.height <= kMostPicturePixels;
}
